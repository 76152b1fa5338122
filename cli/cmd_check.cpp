// check: the courier without windows. One check cycle (or one at every poll
// interval with --loop) over the mailbox of Mail.ini, filing attachments by
// the rules of FilePath.ini, in the program directory given with --base.
#include "cli/Command.h"
#include "cli/Options.h"
#include "config/Config.h"
#include "config/RoutingRules.h"
#include "config/WorkingDirs.h"
#include "desk/Courier.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "records/mData.h"

#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

namespace {

enum ExitStatus { kDone = 0, kCycleFailed = 1, kUsage = 2, kMessagesFailed = 3 };

volatile std::sig_atomic_t stopSignal = 0;
extern "C" void OnStopSignal(int) {
  stopSignal = 1;
}

std::string Utf8(const std::string &text1251) {
  return mv::Win1251ToUtf8(text1251);
}

// Status texts and filed files go to standard output, problems to standard
// error, each as one line of UTF-8.
class ConsoleObserver : public mv::CourierObserver {
public:
  void ShowStatus(const std::string &text) override {
    status_ = text;
    std::cout << Utf8(text) << "\n" << std::flush;
  }
  std::string StatusText() const override { return status_; }
  void FileRouted(const std::string &target) override { std::cout << Utf8(target) << "\n" << std::flush; }
  bool StopRequested() const override { return stopSignal != 0; }

private:
  std::string status_;
};

void PrintProblems(const mv::Courier &courier) {
  for (const auto *list : {&courier.Failures, &courier.ArchiveProblems})
    for (const mv::MessageProblem &p : *list)
      std::cerr << "message " << p.Number << " \"" << Utf8(p.Subject) << "\": " << Utf8(p.Text) << "\n";
}

// One cycle; false when the cycle itself failed (its error is printed).
bool RunCycle(mv::Courier &courier) {
  try {
    courier.CheckMailExecute();
  } catch (const std::exception &e) {
    std::cerr << Utf8(mv::ErrorDisplayText(e.what())) << "\n";
    return false;
  }
  PrintProblems(courier);
  return true;
}

void EndSession(mv::Courier &courier) {
  try {
    courier.QuitExecute(); // commits the marks of the last cycle
  } catch (const std::exception &e) {
    std::cerr << Utf8(mv::ErrorDisplayText(e.what())) << "\n";
  }
}

int RunCheck(const std::vector<std::string> &args) {
  std::string base;
  bool loop = false;
  try {
    const CliOptions given(args, {"--base"}, {"--loop"});
    if (!given.Has("--base"))
      throw std::runtime_error("--base is required");
    base = mv::FromDiskPath(given.Value("--base"));
    loop = given.Has("--loop");
  } catch (const std::exception &e) {
    std::cerr << e.what() << "\nusage: check --base DIR [--loop]\n";
    return kUsage;
  }
  if (base.empty() || base.back() != '/')
    base += '/';
  if (!mv::DirectoryExists(base)) {
    std::cerr << "no such directory: " << mv::ToDiskPath(base) << "\n";
    return kCycleFailed;
  }

  const mv::WorkingDirs dirs = mv::WorkingDirs::Under(base);
  dirs.Create();
  TdmMail data(base);
  if (!data.StartupError().empty()) {
    std::cerr << Utf8(data.StartupError()) << "\n";
    return kCycleFailed;
  }
  ConsoleObserver observer;
  mv::Courier courier(dirs, data.Table1, observer);
  int pollSeconds = 0;
  try {
    for (const std::string &problem : ::LoadSettings(base, courier.Settings))
      std::cerr << Utf8(problem) << "\n";
    courier.DeleteRouted = mv::ReadDeleteRouted(base);
    if (loop)
      pollSeconds = mv::ReadPollIntervalForStart(base);
  } catch (const std::exception &e) {
    std::cerr << Utf8(mv::ErrorDisplayText(e.what())) << "\n";
    return kCycleFailed;
  }
  const std::string &user = courier.Settings.PopUser;
  if (user.empty() || user == mv::kPlaceholderUser) {
    std::cerr << "the mail settings were never made: set the POP3 server, user and password in "
              << mv::ToDiskPath(mv::MailIniPath(base))
              << " (section [Pop3]) or in the program's settings dialog\n";
    return kCycleFailed;
  }

  if (!loop) {
    const bool ran = RunCycle(courier);
    EndSession(courier);
    if (!ran)
      return kCycleFailed;
    return courier.FailedCount > 0 ? kMessagesFailed : kDone;
  }

  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  while (!stopSignal) {
    RunCycle(courier);
    // The session stays open until the next cycle, whose QUIT commits the
    // marks, as in the window.
    for (int waited = 0; waited < pollSeconds * 10 && !stopSignal; ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EndSession(courier);
  return kDone;
}

CliCommand command{"check", "check --base DIR [--loop]",
                   "Run the courier without windows: fetch, file and record the mail of DIR's Mail.ini "
                   "(exit 0 done, 3 some messages failed, 1 the cycle failed, 2 usage)",
                   &RunCheck};

} // namespace

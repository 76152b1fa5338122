#pragma once
// A program directory in a scratch place with its settings, and messages
// built for the courier's tests.
#include "config/Config.h"
#include "config/RoutingRules.h"
#include "config/WorkingDirs.h"
#include "platform/CodePage.h"
#include "tests/support/Base64Lines.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace desktest {

inline std::string W(const std::string &utf8) {
  return mv::Utf8ToWin1251(utf8);
}

using mvtest::ReadBytes;
using mvtest::WriteBytes;

// A program directory (paths in Windows-1251 with a trailing '/', as the
// program holds them; the scratch location itself is plain ASCII).
class ScratchBase {
public:
  ScratchBase() : Dirs(mv::WorkingDirs::Under(root_.Win1251Path())) { Dirs.Create(); }

  std::string Base() const { return Dirs.BaseDir; }
  // A target directory under the base, from a UTF-8 name.
  std::string Target(const std::string &utf8) const { return Dirs.BaseDir + W(utf8) + "/"; }

  void Rules(const std::vector<RoutingRule> &rules) const { mv::WriteRoutingRules(Dirs.BaseDir, rules); }
  void Account(int port, bool deleteRouted) const {
    mv::SetupTexts texts;
    texts.PopHost = "127.0.0.1";
    texts.PopPort = std::to_string(port);
    texts.PopUser = "test";
    texts.PopPassword = "secret";
    texts.SmtpHost = "127.0.0.1";
    texts.SmtpPort = "25";
    MailSettings settings;
    mv::SaveSetupTexts(Dirs.BaseDir, texts, settings);
    mv::WriteDeleteRouted(Dirs.BaseDir, deleteRouted);
  }
  // The names of the files in a directory (UTF-8, sorted).
  std::vector<std::string> Files(const std::string &dir1251) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(mv::Win1251ToUtf8(dir1251), ec))
      if (entry.is_regular_file())
        names.push_back(std::filesystem::relative(entry.path(), mv::Win1251ToUtf8(dir1251)).string());
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  mvtest::ScratchDir root_; // made before Dirs, which lies in it

public:
  mv::WorkingDirs Dirs;
};

struct Attachment {
  std::string name; // as written in the header (may be an encoded word)
  std::string bytes;
};

// A multipart message with a short text part and base64 attachments (or a
// plain text message when there are none).
inline std::string Message(const std::string &from, const std::string &subject, const std::string &date,
                           const std::vector<Attachment> &attachments) {
  std::string m = "From: " + from + "\r\nTo: office@example.org\r\nSubject: " + subject +
                  "\r\nDate: " + date + "\r\nMessage-ID: <" +
                  std::to_string(std::hash<std::string>{}(subject + date)) +
                  "@test>\r\nMIME-Version: 1.0\r\n";
  if (attachments.empty())
    return m + "Content-Type: text/plain; charset=us-ascii\r\n\r\nNo attachments here.\r\n";
  m += "Content-Type: multipart/mixed; boundary=\"=_b\"\r\n\r\n--=_b\r\n"
       "Content-Type: text/plain; charset=us-ascii\r\n\r\nPlease find the documents attached.\r\n";
  for (const Attachment &a : attachments)
    m += "--=_b\r\nContent-Type: application/octet-stream; name=\"" + a.name +
         "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + a.name +
         "\"\r\n\r\n" + mvtest::Base64Lines(a.bytes);
  return m + "--=_b--\r\n";
}

// A POP3 server carries out deletions after the client has gone: waits for
// its stored count to settle on the expected value.
template <typename Server> bool StoredCountBecomes(const Server &server, int expected) {
  for (int i = 0; i < 200; ++i) {
    if (server.StoredMessageCount() == expected)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Runs a shell command line; its exit status.
inline int Shell(const std::string &command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace desktest

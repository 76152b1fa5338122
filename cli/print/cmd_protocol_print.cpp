// protocol-print --base DIR OUT.odt [--name MASK] [--from DD.MM.YYYY --to DD.MM.YYYY] [--order date|sender]
// mailvornex-cli protocol-print hands its arguments to this program.
// The protocol window's printed document without a window, for a monthly
// report from cron: the same filter ("Обновить"), order and document code.
// As in the window, a date range shows its days in date order.
#include "cli/Command.h"
#include "cli/Options.h"
#include "cli/print/ProtocolPrintUsage.h"
#include "platform/CodePage.h"
#include "records/PProtocolDocument.h"
#include "records/ProtocolQuery.h"
#include "records/mData.h"

#include <QGuiApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace {
int Day(const CliOptions &options, const char *name) {
  if (!options.Has(name))
    return 0;
  const std::string text = options.Value(name);
  const std::optional<int> day = mv::ParseShortDate(text);
  if (!day)
    throw std::runtime_error("'" + text + "' is not a valid date (DD.MM.YYYY)");
  return *day;
}

int RunProtocolPrint(const std::vector<std::string> &args) {
  std::vector<std::string> optionArgs;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) == 0) {
      optionArgs.push_back(args[i]);
      if (i + 1 < args.size())
        optionArgs.push_back(args[++i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  const CliOptions options(optionArgs, {"--base", "--name", "--from", "--to", "--order"});
  if (positional.size() != 1 || !options.Has("--base")) {
    std::cerr << "usage: mailvornex-cli " << mv::cli::kProtocolPrintUsage << "\n";
    return 2;
  }
  const std::string order = options.Value("--order", "date");
  if (order != "date" && order != "sender")
    throw std::runtime_error("--order must be date or sender");
  const int fromDay = Day(options, "--from");
  const int toDay = Day(options, "--to");

  std::string base = mv::Utf8ToWin1251(options.Value("--base"));
  if (base.back() != '/')
    base += '/';
  TdmMail data(base); // creates Protocol/Protocol.db when it is missing
  if (!data.StartupError().empty())
    throw std::runtime_error(mv::Win1251ToUtf8(data.StartupError()));
  ProtocolTable &table = data.Table1;
  mv::SelectProtocolOrder(table, order == "sender" ? mv::ProtocolOrder::Sender : mv::ProtocolOrder::DateTime);
  mv::ApplyProtocolFilter(table, mv::Utf8ToWin1251(options.Value("--name")), fromDay, toDay);
  const std::vector<std::string> lines = mv::ProtocolReportLines(table);

  // Fonts and the picture need a GUI application; cron has no display.
  std::unique_ptr<QGuiApplication> app;
  if (!QGuiApplication::instance()) {
    if (!std::getenv("QT_QPA_PLATFORM"))
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "mailvornex-cli";
    static char *argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
  }
  mv::WriteProtocolDocument(lines, mv::Utf8ToWin1251(positional.front()));
  std::cout << table.RecordCount() << " rows\n";
  return 0;
}

CliCommand cmd{"protocol-print", mv::cli::kProtocolPrintUsage, mv::cli::kProtocolPrintSummary,
               &RunProtocolPrint};
} // namespace

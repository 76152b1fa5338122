#include "cli/Command.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace {
std::vector<const CliCommand *> &Registry() {
  static std::vector<const CliCommand *> commands;
  return commands;
}

void PrintHelp() {
  std::cout << "mailvornex-cli " << MV_VERSION << " - headless tool of the MailVornex mail courier\n\n"
            << "usage: mailvornex-cli COMMAND [ARGS...]\n"
            << "       mailvornex-cli --help | --version\n\n"
            << "commands:\n";
  auto commands = Registry();
  std::sort(commands.begin(), commands.end(),
            [](const CliCommand *a, const CliCommand *b) { return std::strcmp(a->name, b->name) < 0; });
  for (const CliCommand *c : commands)
    std::cout << "  " << c->usage << "\n      " << c->summary << "\n";
}
} // namespace

CliCommand::CliCommand(const char *name, const char *usage, const char *summary, CliRunner run)
    : name(name), usage(usage), summary(summary), run(run) {
  Registry().push_back(this);
}

const std::vector<const CliCommand *> &CliCommands() {
  return Registry();
}

int main(int argc, char **argv) {
  if (argc < 2) {
    PrintHelp();
    return 2;
  }
  std::string first = argv[1];
  if (first == "--help" || first == "-h" || first == "help") {
    PrintHelp();
    return 0;
  }
  if (first == "--version") {
    std::cout << "mailvornex-cli " << MV_VERSION << "\n";
    return 0;
  }
  for (const CliCommand *c : Registry()) {
    if (first != c->name)
      continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
      return c->run(args);
    } catch (const std::exception &e) {
      // Internal texts are Windows-1251; the terminal speaks UTF-8.
      std::cerr << mv::Win1251ToUtf8(e.what()) << "\n";
      return 1;
    }
  }
  std::cerr << "unknown command: " << first << " (see --help)\n";
  return 2;
}

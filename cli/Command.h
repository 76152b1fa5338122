#pragma once
// Subcommands of mailvornex-cli. Each lives in a file of its own and registers
// itself with a static `CliCommand` object:
//   static CliCommand cmd{"msg-info", "msg-info FILE", "Print a message as JSON", &RunMsgInfo};
// A runner returns the process exit status; it may throw, and main prints the
// error's text on stderr and exits with 1.
#include <string>
#include <vector>

using CliRunner = int (*)(const std::vector<std::string> &args);

struct CliCommand {
  const char *name;
  const char *usage;
  const char *summary;
  CliRunner run;
  CliCommand(const char *name, const char *usage, const char *summary, CliRunner run);
};

const std::vector<const CliCommand *> &CliCommands();

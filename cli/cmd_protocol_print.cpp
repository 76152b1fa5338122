// protocol-print: handed over whole to mailvornex-cli-print, the program
// beside this one that carries Qt (see CMakeLists.txt).
#include "cli/Command.h"
#include "cli/print/ProtocolPrintUsage.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
// The directory this program was started from, with its trailing '/'.
std::string OwnDirectory() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size())
    return "./";
  path.resize(static_cast<size_t>(length));
  return path.substr(0, path.rfind('/') + 1);
}

int RunProtocolPrint(const std::vector<std::string> &args) {
  const std::string program = OwnDirectory() + "mailvornex-cli-print";
  std::vector<std::string> words{program, "protocol-print"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);
  std::cout.flush();
  execv(program.c_str(), argv.data());
  std::cerr << "cannot start " << program << ": " << std::strerror(errno) << "\n";
  return 1;
}

CliCommand cmd{"protocol-print", mv::cli::kProtocolPrintUsage, mv::cli::kProtocolPrintSummary,
               &RunProtocolPrint};
} // namespace

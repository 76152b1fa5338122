#pragma once
// What a shell command prints on its standard output (empty when it cannot
// run), for tests that compare with a tool the system has.
#include <cstdio>
#include <string>

namespace mvtest {
inline std::string CommandOutput(const std::string &command) {
  std::string out;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}
} // namespace mvtest

// Saving N routing rules (the rules dialog's OK) and reading them back for
// one sender (the routing of one staged file, then of the next one with the
// file unchanged), in milliseconds.
#include "config/RoutingRules.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {
double Milliseconds(const std::chrono::steady_clock::time_point &start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

int main(int argc, char **argv) {
  const std::string base = std::filesystem::temp_directory_path().string() + "/mv-bench-rules/";
  std::filesystem::create_directories(base);
  for (int i = 1; i < argc; ++i) {
    const int count = std::atoi(argv[i]);
    std::vector<RoutingRule> rules(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n)
      rules[static_cast<std::size_t>(n)] = {"*.pdf", "sender" + std::to_string(n) + "@example.org",
                                            "/data/dir" + std::to_string(n) + "/", 0};
    std::filesystem::remove(base + "FilePath.ini");
    auto start = std::chrono::steady_clock::now();
    mv::WriteRoutingRules(base, rules);
    const double save = Milliseconds(start);
    start = std::chrono::steady_clock::now();
    const std::size_t matched = mv::ReadRulesForSender(base, "sender0@example.org").size();
    const double route = Milliseconds(start);
    // The next file, with FilePath.ini unchanged for over a second (a file
    // changed within the last second is parsed at every read).
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    start = std::chrono::steady_clock::now();
    mv::ReadRulesForSender(base, "sender1@example.org");
    const double again = Milliseconds(start);
    std::printf("%6d rules: save %9.1f ms, route one file %8.1f ms, the next %8.1f ms (%zu matched)\n", count,
                save, route, again, matched);
  }
  std::filesystem::remove_all(base);
}

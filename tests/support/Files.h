#pragma once
// Whole files for tests, by their path on disk (UTF-8): the bytes of a file
// (empty when it cannot be read), and a file written with the directories on
// its way.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace mvtest {
inline std::string ReadBytes(const std::string &diskPath) {
  std::ifstream in(diskPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string &diskPath, const std::string &bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(diskPath).parent_path(), ignored);
  std::ofstream(diskPath, std::ios::binary) << bytes;
}
} // namespace mvtest

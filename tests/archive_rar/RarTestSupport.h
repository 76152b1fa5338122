#pragma once
// Scratch directories and file helpers for the RAR tests, and the binding of
// the extraction library the build made.
#include "archive/UnRarLibrary.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace rartest {

namespace fs = std::filesystem;

inline std::string TestData(const std::string &name) {
  return std::string(MV_SOURCE_DIR) + "/tests/archive_rar/data/" + name;
}

inline std::string ReadAll(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const fs::path &path, const std::string &bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every regular file below root: path relative to root -> contents.
inline std::map<std::string, std::string> FilesBelow(const fs::path &root) {
  std::map<std::string, std::string> out;
  if (!fs::exists(root))
    return out;
  for (const auto &e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() && !e.is_symlink())
      out[fs::relative(e.path(), root).string()] = ReadAll(e.path());
  return out;
}

// A fresh directory per test, removed afterwards; the library bound to the
// file the build made.
class RarTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (mv::rar::RarLibrary().path != MV_UNRAR_LIBRARY) {
      ASSERT_TRUE(mv::rar::BindRarLibrary(MV_UNRAR_LIBRARY));
    }
  }
  // Writes bytes as an archive file in the scratch directory; returns its path.
  std::string Archive(const std::string &name, const std::string &bytes) {
    WriteAll(root_ / name, bytes);
    return (root_ / name).string();
  }
  mvtest::ScratchDir scratch_;
  const fs::path root_ = fs::path(scratch_.Utf8Path()).parent_path(); // no trailing '/'
};

} // namespace rartest

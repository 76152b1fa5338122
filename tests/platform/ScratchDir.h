#pragma once
// A fresh directory under the system temporary directory, removed with
// everything in it when the test ends. Path() is Windows-1251 with a
// trailing '/', as the program's own directory paths are.
#include "platform/CodePage.h"

#include <cstdlib>
#include <filesystem>
#include <string>

class ScratchDir {
public:
  ScratchDir() {
    const char *env = std::getenv("TMPDIR");
    std::string pattern = std::string(env && *env ? env : "/tmp") + "/mvtest-XXXXXX";
    diskPath_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(diskPath_, ignored);
  }
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;

  std::string Path() const { return mv::Utf8ToWin1251(diskPath_) + "/"; }
  std::string DiskPath() const { return diskPath_ + "/"; }

private:
  std::string diskPath_;
};

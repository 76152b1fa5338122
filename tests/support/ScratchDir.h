#pragma once
// A fresh directory under the system temporary directory, removed with
// everything in it when the test ends (read-only entries a test left behind
// included). The program holds directory paths in Windows-1251, the disk and
// Qt take UTF-8: each path says which it is, both end in '/'.
#include "platform/CodePage.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace mvtest {
class ScratchDir {
public:
  ScratchDir() {
    const char *env = std::getenv("TMPDIR");
    std::string pattern = std::string(env && *env ? env : "/tmp") + "/mvtest-XXXXXX";
    diskPath_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~ScratchDir() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    // Owner rights first, so nothing a test locked stays behind; a link's
    // target is left as it is.
    for (fs::recursive_directory_iterator it(diskPath_, ignored), end; it != end; it.increment(ignored))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow,
                      ignored);
    fs::remove_all(diskPath_, ignored);
  }
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;

  std::string Win1251Path() const { return mv::Utf8ToWin1251(diskPath_) + "/"; }
  std::string Utf8Path() const { return diskPath_ + "/"; }

private:
  std::string diskPath_;
};
} // namespace mvtest

#include "mime/IdTempFile.h"

#include "mime/IdStream.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <cstdlib>
#include <unistd.h>

namespace {
const std::string &TempDirectory() {
  static const std::string dir = [] {
    const char *env = std::getenv("TMPDIR");
    std::string d = env && *env ? env : "/tmp";
    if (d.back() != '/')
      d += '/';
    return d;
  }();
  return dir;
}
} // namespace

namespace mv {
std::string NewTempFileName() {
  std::string pattern = TempDirectory() + "mvXXXXXX.tmp";
  int fd = mkstemps(pattern.data(), 4);
  if (fd < 0)
    throw EFCreateError(Utf8ToWin1251("Не возможно создать файл ") + FromDiskPath(pattern));
  close(fd);
  return FromDiskPath(pattern);
}
} // namespace mv

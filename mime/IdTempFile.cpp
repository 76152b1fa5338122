#include "mime/IdTempFile.h"

#include "mime/IdStream.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
// The reader's files hold attachments until they are filed. They lie in a
// directory of this process's own (mode 0700), so no other user can read
// them whatever mode a file gets: the courier stages an attachment as a
// second name of its file, with the mode a filed copy has, while the first
// name still lies here. The directory goes at exit once it is empty.
class PrivateTempDirectory {
public:
  PrivateTempDirectory() {
    const char *env = std::getenv("TMPDIR");
    std::string base = env && *env ? env : "/tmp";
    if (base.back() != '/')
      base += '/';
    std::string pattern = base + "mailvornex-XXXXXX";
    FOwn = mkdtemp(pattern.data()) != nullptr;
    FPath = FOwn ? pattern + "/" : base;
  }
  ~PrivateTempDirectory() {
    if (FOwn)
      rmdir(FPath.c_str());
  }
  const std::string &Path() const { return FPath; }

private:
  std::string FPath;
  bool FOwn = false;
};

const std::string &TempDirectory() {
  static const PrivateTempDirectory dir;
  return dir.Path();
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

#include "platform/IniFile.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace mv {
namespace {
// What tells one state of a file from another without reading it: a write
// by this program renames a new file into place (another inode), and an
// edit by hand changes the size or the nanosecond modification time.
struct FileStamp {
  dev_t device;
  ino_t inode;
  off_t size;
  timespec modified;

  explicit FileStamp(const struct stat &st)
      : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim) {}
  bool operator==(const FileStamp &other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

struct CachedText {
  FileStamp stamp;
  std::shared_ptr<const IniText> text;
};

// The parsed files, by their path on disk.
class TextCache {
public:
  std::shared_ptr<const IniText> Find(const std::string &disk, const FileStamp &stamp) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = texts_.find(disk);
    return found != texts_.end() && found->second.stamp == stamp ? found->second.text : nullptr;
  }
  void Keep(const std::string &disk, const FileStamp &stamp, std::shared_ptr<const IniText> text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    texts_.insert_or_assign(disk, CachedText{stamp, std::move(text)});
  }

private:
  std::mutex mutex_;
  std::unordered_map<std::string, CachedText> texts_;
};

TextCache &Cache() {
  static TextCache cache;
  return cache;
}

const std::shared_ptr<const IniText> &EmptyText() {
  static const std::shared_ptr<const IniText> empty = std::make_shared<const IniText>();
  return empty;
}

// File times advance in clock ticks of a few milliseconds, so two writes in
// one tick may leave the same size and time, and a new file may reuse the
// inode of the one it replaced. A file modified within the last second is
// therefore read again at every read until its time is safely in the past.
constexpr long long kRecentNanoseconds = 1000000000;

bool RecentlyModified(const struct stat &st) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const long long age = (static_cast<long long>(now.tv_sec) - st.st_mtim.tv_sec) * 1000000000LL +
                        (now.tv_nsec - st.st_mtim.tv_nsec);
  return age < kRecentNanoseconds;
}

// A missing file, or a path through a missing directory, reads as empty.
bool IsMissing(int error) {
  return error == ENOENT || error == ENOTDIR;
}

// The whole file behind fd; false on a read error.
bool ReadAll(int fd, std::string &text) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0)
      return true;
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return false;
    text.append(buffer, static_cast<std::size_t>(n));
  }
}

// The process umask, read without changing it (umask() itself would, for a
// moment, for every thread).
int ProcessUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<int>(std::strtol(line.c_str() + 6, nullptr, 8));
  return 022;
}
} // namespace

IniFile::IniFile(std::string path, int createMode) : path_(std::move(path)), createMode_(createMode) {}

std::shared_ptr<const IniText> IniFile::Snapshot() const {
  return Load("Unable to read ");
}

std::shared_ptr<const IniText> IniFile::Load(const char *failure) const {
  const auto fail = [&]() { throw EIniFileException(failure + path_); };
  const std::string disk = ToDiskPath(path_);
  struct stat st {};
  if (stat(disk.c_str(), &st) != 0) {
    if (IsMissing(errno))
      return EmptyText();
    fail();
  }
  if (!S_ISREG(st.st_mode)) // a directory, or a pipe that would block the open
    fail();
  if (auto cached = Cache().Find(disk, FileStamp(st)))
    return cached;

  const int fd = open(disk.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (IsMissing(errno))
      return EmptyText();
    fail();
  }
  std::string fileText;
  // The stamp of what is read: a change during the read gives a newer stamp
  // at the next read, which then reads again.
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAll(fd, fileText);
  close(fd);
  if (!ok)
    fail();
  auto text = std::make_shared<const IniText>(fileText);
  if (!RecentlyModified(st))
    Cache().Keep(disk, FileStamp(st), text);
  return text;
}

void IniFile::Store(const IniText &iniText) const {
  const auto fail = [this]() { throw EIniFileException("Unable to write to " + path_); };
  std::string target = ToDiskPath(path_);
  // Replace the file a symbolic link names, not the link itself.
  if (char resolved[PATH_MAX]; realpath(target.c_str(), resolved))
    target = resolved;

  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  // A file without any write permission is read-only, also for root.
  if (exists && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0))
    fail();
  const int mode = exists ? static_cast<int>(st.st_mode & 07777)
                          : (createMode_ >= 0 ? createMode_ : 0666 & ~ProcessUmask());

  const std::string text = iniText.ToFileText();

  std::string temp = target + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0)
    fail();
  bool ok = fchmod(fd, static_cast<mode_t>(mode)) == 0;
  for (std::size_t done = 0; ok && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    ok = n > 0;
    if (ok)
      done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    fail();
  }
}

void IniFile::Edit(const std::function<void(IniText &)> &edit) {
  // A file that cannot be read fails the write before anything is written.
  IniText text = *Load("Unable to write to ");
  edit(text);
  if (text.Changed())
    Store(text);
}

std::string IniFile::ReadString(const std::string &section, const std::string &key,
                                const std::string &def) const {
  return Snapshot()->ReadString(section, key, def);
}

int IniFile::ReadInteger(const std::string &section, const std::string &key, int def) const {
  return Snapshot()->ReadInteger(section, key, def);
}

int IniFile::ReadStrictInteger(const std::string &section, const std::string &key,
                               const std::string &defText) const {
  return Snapshot()->ReadStrictInteger(section, key, defText);
}

bool IniFile::ReadBool(const std::string &section, const std::string &key, bool def) const {
  return Snapshot()->ReadBool(section, key, def);
}

bool IniFile::SectionExists(const std::string &section) const {
  return Snapshot()->SectionExists(section);
}

std::vector<std::string> IniFile::ReadSection(const std::string &section) const {
  return Snapshot()->ReadSection(section);
}

void IniFile::WriteString(const std::string &section, const std::string &key, const std::string &value) {
  Edit([&](IniText &text) { text.WriteString(section, key, value); });
}

void IniFile::WriteInteger(const std::string &section, const std::string &key, int value) {
  Edit([&](IniText &text) { text.WriteInteger(section, key, value); });
}

void IniFile::WriteBool(const std::string &section, const std::string &key, bool value) {
  Edit([&](IniText &text) { text.WriteBool(section, key, value); });
}

void IniFile::EraseSection(const std::string &section) {
  Edit([&](IniText &text) { text.EraseSection(section); });
}
} // namespace mv

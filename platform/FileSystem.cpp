#include "platform/FileSystem.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
// Wildcard match of text against mask; same(a, b) compares one text byte with
// one mask byte. Each run between stars is taken at its leftmost fit, which
// gives the same answer as backtracking.
template <typename Same> bool WildcardMatch(std::string_view text, std::string_view mask, Same same) {
  auto fits = [&](std::string_view part, std::size_t at) {
    for (std::size_t k = 0; k < part.size(); ++k)
      if (part[k] != '?' && !same(text[at + k], part[k]))
        return false;
    return true;
  };
  const std::size_t firstStar = mask.find('*');
  if (firstStar == std::string_view::npos)
    return !text.empty() && text.size() == mask.size() && fits(mask, 0);

  const std::string_view head = mask.substr(0, firstStar);
  if (head.size() > text.size() || !fits(head, 0))
    return false;
  std::size_t pos = head.size();

  const std::size_t lastStar = mask.rfind('*');
  std::size_t partBegin = firstStar + 1;
  while (partBegin <= lastStar) {
    const std::size_t partEnd = mask.find('*', partBegin);
    const std::string_view part = mask.substr(partBegin, partEnd - partBegin);
    partBegin = partEnd + 1;
    if (part.empty())
      continue;
    bool found = false;
    for (; pos + part.size() <= text.size(); ++pos)
      if (fits(part, pos)) {
        found = true;
        break;
      }
    if (!found)
      return false;
    pos += part.size();
  }

  const std::string_view tail = mask.substr(lastStar + 1);
  return tail.size() <= text.size() - pos && fits(tail, text.size() - tail.size());
}

bool SameByte(char a, char b) {
  return a == b;
}
bool SameLetter(char a, char b) {
  return mv::UpperChar1251(static_cast<unsigned char>(a)) == mv::UpperChar1251(static_cast<unsigned char>(b));
}

// The directory search's name test: letter case ignored, and a mask ending in
// ".*" also finds names without any extension ("*.*" finds every entry).
bool SearchMatches(const std::string &name, const std::string &mask) {
  if (WildcardMatch(name, mask, SameLetter))
    return true;
  return mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
         name.find('.') == std::string::npos &&
         WildcardMatch(name, std::string_view(mask).substr(0, mask.size() - 2), SameLetter);
}

bool StatPath(const std::string &path, struct stat &st) {
  return stat(mv::ToDiskPath(path).c_str(), &st) == 0;
}

// Copies by read and write from the current offsets up to the end of `in`.
bool CopyByReadWrite(int in, int out) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n == 0)
      return true;
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR)
        continue;
      if (w <= 0)
        return false;
      done += w;
    }
  }
}

// The kernel copies the size the source had when opened without passing the
// bytes through this process; the read loop then takes whatever the kernel
// would not copy (a file system it cannot copy across, a file that reports
// no size, one that grew) and confirms the end of the file.
bool CopyContents(int in, int out, off_t knownSize) {
  off_t copied = 0;
  while (copied < knownSize) {
    const ssize_t n =
        copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(knownSize - copied), 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    copied += n;
  }
  return CopyByReadWrite(in, out);
}
} // namespace

bool MatchMask(const std::string &text, const std::string &mask) {
  return WildcardMatch(text, mask, SameByte);
}

void ListFiles(const std::string &dir, const std::string &mask, std::vector<std::string> &out) {
  const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + "/";
  DIR *handle = opendir(mv::ToDiskPath(base.empty() ? "./" : base).c_str());
  if (!handle)
    return;
  std::vector<std::string> names;
  while (const dirent *entry = readdir(handle)) {
    const std::string name = mv::FromDiskPath(entry->d_name);
    if (name != "." && name != ".." && SearchMatches(name, mask))
      names.push_back(name);
  }
  closedir(handle);
  // A stable order regardless of the file system: by name, letter case ignored.
  std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
    const int byText = mv::CompareText1251(a, b);
    return byText != 0 ? byText < 0 : a < b;
  });
  for (const std::string &name : names) {
    const std::string path = base + name;
    struct stat st {};
    if (lstat(mv::ToDiskPath(path).c_str(), &st) != 0)
      continue;
    if (S_ISDIR(st.st_mode))
      ListFiles(path, mask, out);
    else if (!S_ISLNK(st.st_mode) || !mv::DirectoryExists(path)) // a linked directory could loop
      out.push_back(path);
  }
}

namespace {
// A directory whose name on disk Windows-1251 cannot hold: the text the
// program holds it by, and its exact bytes on disk.
struct HeldDirectory {
  std::string text1251;
  std::string disk;
};

class HeldDirectories {
public:
  void Add(HeldDirectory dir) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const HeldDirectory &held : dirs_)
      if (held.disk == dir.disk)
        return;
    dirs_.push_back(std::move(dir));
  }
  // The held directory that begins path, taking text1251 or disk as its
  // prefix; the longest when several do.
  std::optional<HeldDirectory> Find(std::string_view path, std::string HeldDirectory::*prefix) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const HeldDirectory *best = nullptr;
    for (const HeldDirectory &held : dirs_)
      if (path.starts_with(held.*prefix) && (!best || (held.*prefix).size() > (best->*prefix).size()))
        best = &held;
    return best ? std::optional<HeldDirectory>(*best) : std::nullopt;
  }

private:
  mutable std::mutex mutex_;
  std::vector<HeldDirectory> dirs_;
};

HeldDirectories &Held() {
  static HeldDirectories held;
  return held;
}
} // namespace

namespace mv {
std::string ToDiskPath(const std::string &path1251) {
  if (const auto held = Held().Find(path1251, &HeldDirectory::text1251))
    return held->disk + Win1251ToUtf8(std::string_view(path1251).substr(held->text1251.size()));
  return Win1251ToUtf8(path1251);
}
std::string FromDiskPath(const std::string &pathUtf8) {
  if (const auto held = Held().Find(pathUtf8, &HeldDirectory::disk))
    return held->text1251 + Utf8ToWin1251(std::string_view(pathUtf8).substr(held->disk.size()));
  return Utf8ToWin1251(pathUtf8);
}

std::string HoldDiskDirectory(const std::string &diskDir) {
  std::string text1251 = Utf8ToWin1251(diskDir);
  if (Win1251ToUtf8(text1251) != diskDir)
    Held().Add({text1251, diskDir});
  return text1251;
}

bool FileExists(const std::string &path) {
  struct stat st {};
  return StatPath(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string &path) {
  struct stat st {};
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string &path) {
  if (path.empty())
    return false;
  std::string disk = ToDiskPath(path);
  while (disk.size() > 1 && disk.back() == '/')
    disk.pop_back();
  for (std::size_t slash = disk.find('/', 1);; slash = disk.find('/', slash + 1)) {
    const std::string prefix = disk.substr(0, slash);
    mkdir(prefix.c_str(), 0777); // an existing one is fine; the final test decides
    if (slash == std::string::npos)
      break;
  }
  struct stat st {};
  return stat(disk.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RenameFile(const std::string &from, const std::string &to) {
  const std::string source = ToDiskPath(from), target = ToDiskPath(to);
  // Like the Windows move: never replace an existing target.
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0)
    return false;
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno == EINVAL || errno == ENOSYS) { // a file system without the no-replace flag
    if (rename(source.c_str(), target.c_str()) == 0)
      return true;
  }
  if (errno != EXDEV)
    return false;
  // Across file systems: copy, then remove the source.
  if (!CopyFileTo(from, to, true))
    return false;
  if (unlink(source.c_str()) != 0) {
    unlink(target.c_str());
    return false;
  }
  return true;
}

std::string FileNamePart(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void DeleteFilesBelow(const std::string &dir) {
  std::vector<std::string> files;
  ListFiles(dir, "*.*", files);
  for (const std::string &file : files)
    DeleteFileAt(file);
}

bool RemoveExecuteBits(const std::string &path) {
  const std::string disk = ToDiskPath(path);
  struct stat st {};
  if (lstat(disk.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return false;
  const mode_t mode = st.st_mode & 07777 & ~(S_IXUSR | S_IXGRP | S_IXOTH | S_ISUID | S_ISGID);
  return mode == (st.st_mode & 07777) || chmod(disk.c_str(), mode) == 0;
}

bool CopyFileTo(const std::string &from, const std::string &to, bool failIfExists) {
  const std::string source = ToDiskPath(from), target = ToDiskPath(to);
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0)
    return false;
  struct stat st {};
  if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(in);
    return false;
  }
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
  const int out = open(target.c_str(), flags, 0666);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = CopyContents(in, out, S_ISREG(st.st_mode) ? st.st_size : 0);
  // The copy keeps the time the source was last written, as the Windows copy does.
  const timespec times[2] = {st.st_atim, st.st_mtim};
  futimens(out, times);
  ok = close(out) == 0 && ok;
  close(in);
  if (!ok)
    unlink(target.c_str());
  return ok;
}

namespace {
mode_t CurrentUmask() {
  // Read, not set and restored, so that no other thread ever creates a file
  // under a changed mask.
  static const mode_t mask = [] {
    mode_t value = 022;
    if (FILE *status = std::fopen("/proc/self/status", "r")) {
      char line[256];
      unsigned parsed = 0;
      while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "Umask: %o", &parsed) == 1) {
          value = static_cast<mode_t>(parsed);
          break;
        }
      std::fclose(status);
    }
    return value;
  }();
  return mask;
}
} // namespace

bool SetNewFileMode(const std::string &path) {
  return chmod(ToDiskPath(path).c_str(), 0666 & ~CurrentUmask()) == 0;
}

bool LinkFileAs(const std::string &from, const std::string &to) {
  // The first name keeps the file: where other users may reach it and a new
  // file's mode would let them read it, the file is not shared this way.
  const std::string source = ToDiskPath(from);
  const size_t slash = source.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : source.substr(0, slash);
  struct stat info {};
  if (((0666 & ~CurrentUmask()) & 044) != 0 &&
      (stat(directory.c_str(), &info) != 0 || (info.st_mode & 011) != 0))
    return false;
  const std::string target = ToDiskPath(to);
  if (link(source.c_str(), target.c_str()) != 0)
    return false;
  if (!SetNewFileMode(to)) {
    unlink(target.c_str());
    return false;
  }
  return true;
}

bool DeleteFileAt(const std::string &path) {
  return unlink(ToDiskPath(path).c_str()) == 0;
}

std::int64_t FileSize(const std::string &path) {
  struct stat st {};
  if (!StatPath(path, st) || S_ISDIR(st.st_mode))
    return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::string NewTempFile(const std::string &prefix) {
  const char *env = std::getenv("TMPDIR");
  std::string dir = env && *env ? env : "/tmp";
  if (dir.back() != '/')
    dir += '/';
  std::string name = dir + ToDiskPath(prefix) + "XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0)
    throw EInOutError("Cannot create a temporary file in " + FromDiskPath(dir));
  close(fd);
  return FromDiskPath(name);
}

std::string ExecutableDir() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0)
    throw EInOutError("Cannot find the program directory");
  const std::string path(buffer, static_cast<std::size_t>(n));
  return HoldDiskDirectory(path.substr(0, path.rfind('/') + 1));
}

std::int64_t FreeDiskSpace(const std::string &path) {
  struct statvfs vfs {};
  if (statvfs(ToDiskPath(path).c_str(), &vfs) != 0)
    return -1;
  return static_cast<std::int64_t>(vfs.f_bavail) * static_cast<std::int64_t>(vfs.f_frsize);
}
} // namespace mv

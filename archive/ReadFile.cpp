#include "archive/ReadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace mv {
bool ReadFile::Open(const std::string &diskPath) {
  Close();
  fd_ = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0)
    return false;
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
  size_ = st.st_size;
  return true;
}

void ReadFile::Close() {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

std::size_t ReadFile::ReadAt(std::int64_t offset, void *buffer, std::size_t size) const {
  if (fd_ < 0 || offset < 0 || offset >= size_)
    return 0;
  std::size_t done = 0;
  auto *out = static_cast<char *>(buffer);
  while (done < size) {
    const ssize_t got = ::pread(fd_, out + done, size - done, offset + static_cast<std::int64_t>(done));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}
} // namespace mv

#include "archive/EntryWriter.h"

#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace mv::zip {
EntryWriter::~EntryWriter() {
  if (fd_ >= 0)
    ::close(fd_);
}

bool EntryWriter::Create(const std::string &path) {
  diskPath_ = ToDiskPath(path);
  struct stat st {};
  if (::lstat(diskPath_.c_str(), &st) == 0) {
    // A read-only file is kept (the entry fails); a link or other special
    // file is removed rather than written through.
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0))
      return false;
    if (::unlink(diskPath_.c_str()) != 0)
      return false;
  }
  fd_ = ::open(diskPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

void EntryWriter::Fail(WriteFailure why) {
  failure_ = why;
  throw WriteStopped{};
}

void EntryWriter::Write(const unsigned char *data, std::size_t size) {
  if (fd_ < 0)
    Fail(WriteFailure::Nothing);
  // Output is cut at the declared size or the budget, whichever comes first.
  const std::uint64_t cap = std::min(limit_, budget_);
  WriteFailure cut = WriteFailure::None;
  if (written_ > cap || size > cap - written_) {
    size = written_ > cap ? 0 : static_cast<std::size_t>(cap - written_);
    cut = budget_ < limit_ ? WriteFailure::OverLimit : WriteFailure::TooLong;
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == ENOSPC || errno == EDQUOT))
      Fail(WriteFailure::DiskFull);
    if (n <= 0)
      Fail(done == 0 ? WriteFailure::Nothing : WriteFailure::Short);
    done += static_cast<std::size_t>(n);
  }
  crc_.Update(data, size);
  written_ += size;
  if (cut != WriteFailure::None)
    Fail(cut);
  if (afterBlock_)
    afterBlock_();
}

bool EntryWriter::Close(std::int64_t mtime) {
  if (fd_ < 0)
    return false;
  if (mtime > 0) {
    const struct timespec times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    ::futimens(fd_, times);
  }
  const bool ok = ::close(fd_) == 0;
  fd_ = -1;
  return ok;
}

void EntryWriter::Discard() {
  if (fd_ >= 0)
    ::close(fd_);
  fd_ = -1;
  if (!diskPath_.empty())
    ::unlink(diskPath_.c_str());
}
} // namespace mv::zip

#include "mime/IdStream.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// "Ошибка чтения из потока" and "Ошибка записи в поток" (Windows-1251).
const char ReadErrorText[] =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xF7\xF2\xE5\xED\xE8\xFF \xE8\xE7 \xEF\xEE\xF2\xEE\xEA\xE0";
const char WriteErrorText[] = "\xCE\xF8\xE8\xE1\xEA\xE0 \xE7\xE0\xEF\xE8\xF1\xE8 \xE2 \xEF\xEE\xF2\xEE\xEA";
// "Не возможно создать файл " and "Не возможно открыть файл ".
const char CreateErrorText[] =
    "\xCD\xE5 \xE2\xEE\xE7\xEC\xEE\xE6\xED\xEE \xF1\xEE\xE7\xE4\xE0\xF2\xFC \xF4\xE0\xE9\xEB ";
const char OpenErrorText[] =
    "\xCD\xE5 \xE2\xEE\xE7\xEC\xEE\xE6\xED\xEE \xEE\xF2\xEA\xF0\xFB\xF2\xFC \xF4\xE0\xE9\xEB ";

constexpr std::int64_t CopyBlockSize = 64 * 1024;
} // namespace

std::int64_t TIdStream::Size() {
  const std::int64_t position = Position();
  if (position < 0)
    return -1;
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TIdStream::ReadBuffer(void *buffer, std::int64_t count) {
  auto *bytes = static_cast<char *>(buffer);
  while (count > 0) {
    const std::int64_t got = Read(bytes, count);
    if (got <= 0)
      throw EReadError(ReadErrorText);
    bytes += got;
    count -= got;
  }
}

void TIdStream::WriteBuffer(const void *buffer, std::int64_t count) {
  const auto *bytes = static_cast<const char *>(buffer);
  while (count > 0) {
    const std::int64_t put = Write(bytes, count);
    if (put <= 0)
      throw EWriteError(WriteErrorText);
    bytes += put;
    count -= put;
  }
}

std::string TIdStream::ReadString(std::int64_t count) {
  std::string result;
  char block[CopyBlockSize];
  while (count > 0) {
    const std::int64_t got = Read(block, std::min(count, CopyBlockSize));
    if (got <= 0)
      break;
    result.append(block, static_cast<std::size_t>(got));
    count -= got;
  }
  return result;
}

std::string TIdStream::ReadToEnd() {
  return ReadString(INT64_MAX);
}

std::int64_t TIdStream::CopyFrom(TIdStream &source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::int64_t copied = 0;
  char block[CopyBlockSize];
  while (copied < count) {
    const std::int64_t piece = std::min(count - copied, CopyBlockSize);
    source.ReadBuffer(block, piece);
    WriteBuffer(block, piece);
    copied += piece;
  }
  return copied;
}

std::int64_t TIdMemoryStream::Read(void *buffer, std::int64_t count) {
  const std::int64_t available = Size() - position_;
  const std::int64_t n = std::min(count, available);
  if (n <= 0)
    return 0;
  std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TIdMemoryStream::Write(const void *buffer, std::int64_t count) {
  if (count <= 0)
    return 0;
  const std::int64_t end = position_ + count;
  if (end > Size())
    data_.resize(static_cast<std::size_t>(end)); // a gap after a seek past the end reads as zeros
  std::memcpy(data_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TIdMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent)
    base = position_;
  else if (origin == TSeekOrigin::soEnd)
    base = Size();
  position_ = std::max<std::int64_t>(0, base + offset);
  return position_;
}

void TIdMemoryStream::SetSize(std::int64_t size) {
  data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, size)));
  position_ = std::min(position_, Size());
}

void TIdMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

TIdFileStream::TIdFileStream(const std::string &path, TIdFileMode mode) : fileName_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
  case TIdFileMode::fmCreate:
    // No O_TRUNC: the file is emptied below only when it holds bytes.
    flags |= O_RDWR | O_CREAT;
    break;
  case TIdFileMode::fmOpenRead:
    flags |= O_RDONLY;
    break;
  case TIdFileMode::fmOpenWrite:
    flags |= O_WRONLY;
    break;
  case TIdFileMode::fmOpenReadWrite:
    flags |= O_RDWR;
    break;
  }
  fd_ = ::open(mv::ToDiskPath(path).c_str(), flags, 0666);
  if (mode == TIdFileMode::fmCreate) {
    if (fd_ < 0)
      throw EFCreateError(CreateErrorText + path);
    // Truncating a file, even an empty one, makes ext4 start writing the
    // new contents out at close (its guard for files rewritten in place),
    // and deleting the file then waits for that write. A fresh temporary
    // file, already empty, is left alone and stays in the page cache.
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || (info.st_size > 0 && ::ftruncate(fd_, 0) != 0)) {
      ::close(fd_);
      fd_ = -1;
      throw EFCreateError(CreateErrorText + path);
    }
    return;
  }
  if (fd_ < 0)
    throw EFOpenError(OpenErrorText + path);
  // Opening a directory for reading succeeds on POSIX, but it is no file.
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd_);
    throw EFOpenError(OpenErrorText + path);
  }
}

TIdFileStream::~TIdFileStream() {
  if (fd_ >= 0)
    ::close(fd_);
}

std::int64_t TIdFileStream::Read(void *buffer, std::int64_t count) {
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, static_cast<std::size_t>(std::max<std::int64_t>(0, count)));
    if (got >= 0 || errno != EINTR) {
      if (got <= 0)
        return 0;
      position_ += got;
      return got;
    }
  }
}

std::int64_t TIdFileStream::Write(const void *buffer, std::int64_t count) {
  for (;;) {
    const ssize_t put = ::write(fd_, buffer, static_cast<std::size_t>(std::max<std::int64_t>(0, count)));
    if (put >= 0 || errno != EINTR) {
      if (put <= 0)
        return 0;
      position_ += put;
      return put;
    }
  }
}

std::int64_t TIdFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  // Asking where the stream stands (before each read of a message file)
  // costs no system call.
  if (origin == TSeekOrigin::soCurrent && offset == 0)
    return position_;
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  const off_t now = ::lseek(fd_, offset, whence);
  if (now >= 0)
    position_ = now;
  return now;
}

std::int64_t TIdFileStream::Size() {
  struct stat status;
  return ::fstat(fd_, &status) == 0 ? status.st_size : -1;
}

void TIdFileStream::SetSize(std::int64_t size) {
  if (::ftruncate(fd_, size) != 0)
    throw EWriteError(WriteErrorText);
  if (Position() > size)
    SetPosition(size);
}

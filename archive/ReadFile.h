#pragma once
// A file opened for reading by position (archives are read by offset). It
// takes paths as they are on disk, so the RAR library can share it.
#include "archive/LittleEndian.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace mv {
class ReadFile {
public:
  ReadFile() = default;
  ReadFile(const ReadFile &) = delete;
  ReadFile &operator=(const ReadFile &) = delete;
  ~ReadFile() { Close(); }

  // diskPath as the file system has it (see ToDiskPath); false when it is no
  // regular file that can be opened.
  bool Open(const std::string &diskPath);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  std::int64_t Size() const { return size_; }
  // Reads up to size bytes at offset; returns the count read (short at the
  // end of the file, 0 for offsets outside it or on failure).
  std::size_t ReadAt(std::int64_t offset, void *buffer, std::size_t size) const;
  // True when exactly size bytes could be read.
  bool ReadExact(std::int64_t offset, void *buffer, std::size_t size) const {
    return ReadAt(offset, buffer, size) == size;
  }

private:
  int fd_ = -1;
  std::int64_t size_ = 0;
};
} // namespace mv

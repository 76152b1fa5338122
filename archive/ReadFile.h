#pragma once
// A file opened for reading by position (archives are read by offset).
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

  // path is Windows-1251 text; false when the file cannot be opened.
  bool Open(const std::string &path);
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

inline std::uint16_t Le16(const unsigned char *p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const unsigned char *p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Le64(const unsigned char *p) {
  return static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
}
} // namespace mv

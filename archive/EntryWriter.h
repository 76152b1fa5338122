#pragma once
// The output file of one ZIP entry: created so that it replaces what was
// there without following links, fed in blocks by the decoders, capped at the
// size the archive declares, with the running CRC-32.
#include "archive/Crc32.h"
#include "archive/ZipDecoders.h"

#include <cstdint>
#include <functional>
#include <string>

namespace mv::zip {
// Why writing stopped before the data did.
enum class WriteFailure {
  None,
  TooLong,   // more output than the declared size
  DiskFull,  // the file system is full
  Short,     // a write took only part of a block
  Nothing,   // a write took nothing of a block
  OverLimit, // more output than the run's unpack budget allows
};

// Thrown by Write once a failure is recorded; the entry ends there.
struct WriteStopped {};

class EntryWriter : public ByteSink {
public:
  // afterBlock runs after every block written (the message pump); it may throw.
  EntryWriter(std::uint64_t declaredSize, std::function<void()> afterBlock)
      : limit_(declaredSize), afterBlock_(std::move(afterBlock)) {}
  EntryWriter(const EntryWriter &) = delete;
  EntryWriter &operator=(const EntryWriter &) = delete;
  ~EntryWriter() override;

  // Creates path, replacing an existing file or link of that name; fails for
  // an existing file without write permission and for anything else there.
  bool Create(const std::string &path);
  // At most bytes are written, whatever the declared size.
  void SetBudget(std::uint64_t bytes) { budget_ = bytes; }
  void Write(const unsigned char *data, std::size_t size) override;
  // Sets the modification time (seconds since the epoch) and closes.
  bool Close(std::int64_t mtime);
  // Removes the partial file.
  void Discard();

  WriteFailure Failure() const { return failure_; }
  std::uint64_t Written() const { return written_; }
  const Crc32 &Crc() const { return crc_; }

private:
  void Fail(WriteFailure why);

  int fd_ = -1;
  std::string diskPath_;
  std::uint64_t limit_;
  std::uint64_t budget_ = UINT64_MAX;
  std::uint64_t written_ = 0;
  Crc32 crc_;
  WriteFailure failure_ = WriteFailure::None;
  std::function<void()> afterBlock_;
};
} // namespace mv::zip

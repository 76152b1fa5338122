#pragma once
// The connection's input buffer. Consuming bytes only advances a read offset;
// the unread rest moves to the front once 32768 bytes have been consumed (when
// the bytes are taken out by Remove or Extract) or at the next refill (when
// they are read in place by Consume), so reading many short lines never
// shifts the buffer for each line.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class TIdSimpleBuffer {
public:
  virtual ~TIdSimpleBuffer() = default;
  // Unread bytes.
  std::size_t Size() const { return FEnd - FOffset; }
  const char *Data() const { return FBytes.get() + FOffset; }
  void Append(const void *bytes, std::size_t count);
  // Filling in place, so that a receive lands in the buffer without a copy
  // on the way: room for `count` bytes after the unread ones (valid until the
  // buffer next changes), of which CommitAppend keeps the first `filled`.
  char *AppendSpace(std::size_t count);
  void CommitAppend(std::size_t filled) { FEnd += filled; }
  virtual void Clear();

protected:
  // Drops the consumed bytes from the front (a no-op in this plain buffer).
  virtual void Compact() {}
  // The bytes [FOffset, FEnd) of FBytes are unread; the memory is not
  // cleared before it is filled.
  std::unique_ptr<char[]> FBytes;
  std::size_t FCapacity = 0;
  std::size_t FEnd = 0;
  std::size_t FOffset = 0;
};

class TIdManagedBuffer : public TIdSimpleBuffer {
public:
  static constexpr std::size_t CompactThreshold = 32768;
  // Drops `count` unread bytes from the front.
  void Remove(std::size_t count);
  // Consumes the first `count` unread bytes and returns them in place: the
  // view stays valid until bytes are appended or the buffer is cleared. The
  // consumed bytes are only skipped; they leave when the buffer is refilled.
  std::string_view Consume(std::size_t count);
  // Moves the first `count` unread bytes out.
  std::string Extract(std::size_t count);
  // Position of the first `c` at or after unread position `from`, or npos.
  std::size_t Find(char c, std::size_t from) const;
  // Bytes consumed and not yet compacted away (for tests of the compaction rule).
  std::size_t ConsumedOffset() const { return FOffset; }

protected:
  void Compact() override;
};

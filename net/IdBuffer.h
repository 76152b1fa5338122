#pragma once
// The connection's input buffer. Consuming bytes only advances a read offset;
// the unread rest moves to the front once 32768 bytes have been consumed (when
// the bytes are taken out by Remove or Extract) or at the next refill (when
// they are read in place by Consume), so reading many short lines never
// shifts the buffer for each line.
#include <cstddef>
#include <string>
#include <string_view>

class TIdSimpleBuffer {
public:
  virtual ~TIdSimpleBuffer() = default;
  // Unread bytes.
  std::size_t Size() const { return FData.size() - FOffset; }
  const char *Data() const { return FData.data() + FOffset; }
  void Append(const void *bytes, std::size_t count);
  virtual void Clear();

protected:
  // Drops the consumed bytes from the front (a no-op in this plain buffer).
  virtual void Compact() {}
  std::string FData;
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

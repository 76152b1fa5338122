#pragma once
// Part decoders: the reader hands a message body to them part by part. A
// decoder reads its part header, then its body into a destination stream,
// and returns the decoder of the next part when a boundary line starts one.
#include "mime/IdStream.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class TIdMessage;
namespace mv {
class MessageReadContext;
}

enum TIdPartKind { pkUnknown, pkText, pkAttachment };

class TIdMessageDecoder {
public:
  TIdMessageDecoder(TIdMessage &owner, mv::MessageReadContext &context) : FOwner(owner), FContext(context) {}
  virtual ~TIdMessageDecoder() = default;
  TIdMessageDecoder(const TIdMessageDecoder &) = delete;
  TIdMessageDecoder &operator=(const TIdMessageDecoder &) = delete;

  // Reads the part body into `destination`; sets `ended` when the message's
  // end line was read. Returns the decoder of the next part, if any.
  virtual std::unique_ptr<TIdMessageDecoder> ReadPartBody(TIdStream &destination, bool &ended) = 0;
  virtual void ReadPartHeader() {}

  TIdMessage &Owner() const { return FOwner; }
  mv::MessageReadContext &Context() const { return FContext; }

  std::vector<std::string> PartHeaders; // "name=value"
  std::string Filename;
  TIdPartKind PartKind = pkUnknown;

protected:
  // The next body line, dot-unstuffed; false at the message's end line. The
  // view is valid until the next line is read.
  bool ReadLine(std::string_view &line);

private:
  TIdMessage &FOwner;
  mv::MessageReadContext &FContext;
};

class TIdMessageDecoderInfo {
public:
  virtual ~TIdMessageDecoderInfo() = default;
  // A decoder when `line` starts a part of this kind, else nullptr.
  virtual std::unique_ptr<TIdMessageDecoder> TryStart(TIdMessage &message, mv::MessageReadContext &context,
                                                      std::string_view line) const = 0;
  // The first bytes of every line TryStart could take now, or nothing when
  // any line might start a part. The lines in between are then read in bulk
  // without asking TryStart; a kind that does not say is asked at every line.
  virtual std::optional<std::string> StartBytes(TIdMessage &, mv::MessageReadContext &) const {
    return std::nullopt;
  }
};

// The process-wide registry; "MIME" and then "UUE" are registered before the
// first use (XXE blocks are recognised by the UUE kind).
class TIdMessageDecoderList {
public:
  static void RegisterDecoder(const std::string &name, std::unique_ptr<TIdMessageDecoderInfo> info);
  // Asks each kind in registration order; the first decoder made wins.
  static std::unique_ptr<TIdMessageDecoder> FindDecoder(TIdMessage &message, mv::MessageReadContext &context,
                                                        std::string_view line);
  // The first bytes of a line any kind could start a part at, or nothing
  // when any line might start one.
  static std::optional<std::string> StartBytes(TIdMessage &message, mv::MessageReadContext &context);
};

namespace mv {
// Collects small writes (one decoded line each) into large ones, so that an
// attachment reaches its file in blocks and never waits in memory.
class BufferedWriteStream : public TIdStream {
public:
  explicit BufferedWriteStream(TIdStream &target) : FTarget(target) {}
  ~BufferedWriteStream() override = default;
  std::int64_t Read(void *, std::int64_t) override { return 0; }
  std::int64_t Write(const void *buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }
  void Flush();

private:
  static constexpr size_t FlushSize = 64 * 1024;
  TIdStream &FTarget;
  std::string FBuffer;
};
} // namespace mv

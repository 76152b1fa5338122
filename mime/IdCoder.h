#pragma once
// The base of the transfer codecs. An encoder reads bytes from a stream and
// returns text; a decoder takes one piece of text (as a rule one line) and
// appends the decoded bytes to a stream. Coders keep no state between calls
// apart from their tables; one object is made for one use.
#include "mime/IdException.h"
#include "mime/IdStream.h"

#include <array>
#include <cstdint>
#include <string>

// A read-only stream over memory the caller keeps alive; lets a string be
// encoded without copying. Writing stores nothing and reports 0 bytes.
class TIdReadMemoryStream : public TIdStream {
public:
  TIdReadMemoryStream(const void *data, std::int64_t size);

  std::int64_t Read(void *buffer, std::int64_t count) override;
  std::int64_t Write(const void *, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return size_; }

private:
  const unsigned char *data_;
  std::int64_t size_;
  std::int64_t position_ = 0;
};

class TIdEncoder {
public:
  // The default byte count: up to the end of the stream.
  static constexpr std::int64_t MaxByteCount = 0x7FFFFFFF;

  virtual ~TIdEncoder() = default;
  // Encodes at most byteCount bytes from the source's position.
  virtual std::string Encode(TIdStream &source, std::int64_t byteCount = MaxByteCount) = 0;

protected:
  // The body of every class's EncodeString: the whole string in one piece.
  static std::string EncodeWhole(TIdEncoder &&encoder, const std::string &bytes);
};

class TIdDecoder {
public:
  virtual ~TIdDecoder() = default;
  // Decodes text and writes the bytes at the destination's position in one write.
  virtual void DecodeToStream(std::string_view text, TIdStream &destination) = 0;

protected:
  static std::string DecodeWhole(TIdDecoder &&decoder, const std::string &text);
};

// Groups of 3 bytes become 4 characters of CodingTable; FillChar stands for
// the missing characters of a last short group.
class TIdEncoder3to4 : public TIdEncoder {
public:
  std::string Encode(TIdStream &source, std::int64_t byteCount = MaxByteCount) override;
  // Appends the text of `count` bytes to `text`.
  void AppendEncoded(const char *bytes, std::size_t count, std::string &text) const;
  // Appends one line of an encoded file holding `count` bytes, without its
  // line break: the bytes' text (UUE and XXE put the count in front).
  virtual void AppendLine(const char *bytes, std::size_t count, std::string &text) const {
    AppendEncoded(bytes, count, text);
  }

  const std::string CodingTable;
  const char FillChar;

protected:
  TIdEncoder3to4(std::string codingTable, char fillChar)
      : CodingTable(std::move(codingTable)), FillChar(fillChar) {}
};

// 256 entries so that any byte, NUL and bytes above 127 included, can index
// it; NotInTable marks characters outside the coding table.
using TIdDecodeTable = std::array<std::uint8_t, 256>;

class TIdDecoder4to3 : public TIdDecoder {
public:
  static constexpr std::uint8_t NotInTable = 255;
  static TIdDecodeTable MakeDecodeTable(const std::string &codingTable);

  // Raises "Uneven size in DecodeToStream." when the length is not a multiple of 4.
  void DecodeToStream(std::string_view text, TIdStream &destination) override;

  const TIdDecodeTable DecodeTable;
  const char FillChar;

protected:
  TIdDecoder4to3(const TIdDecodeTable &table, char fillChar) : DecodeTable(table), FillChar(fillChar) {}
};

#include "mime/IdCoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

TIdReadMemoryStream::TIdReadMemoryStream(const void *data, std::int64_t size)
    : data_(static_cast<const unsigned char *>(data)), size_(std::max<std::int64_t>(0, size)) {}

std::int64_t TIdReadMemoryStream::Read(void *buffer, std::int64_t count) {
  const std::int64_t n = std::min(count, size_ - position_);
  if (n <= 0)
    return 0;
  std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TIdReadMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent)
    base = position_;
  else if (origin == TSeekOrigin::soEnd)
    base = size_;
  position_ = std::max<std::int64_t>(0, base + offset);
  return position_;
}

std::string TIdEncoder::EncodeWhole(TIdEncoder &&encoder, const std::string &bytes) {
  TIdReadMemoryStream source(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return encoder.Encode(source);
}

std::string TIdDecoder::DecodeWhole(TIdDecoder &&decoder, const std::string &text) {
  TIdMemoryStream destination;
  decoder.DecodeToStream(text, destination);
  return destination.DataString();
}

std::string TIdEncoder3to4::Encode(TIdStream &source, std::int64_t byteCount) {
  if (byteCount != MaxByteCount && byteCount % 3 != 0)
    throw EIdException("Uneven size in Encode.");
  const std::string bytes = source.ReadString(byteCount);
  std::string text;
  AppendEncoded(bytes.data(), bytes.size(), text);
  return text;
}

void TIdEncoder3to4::AppendEncoded(const char *bytes, std::size_t count, std::string &text) const {
  // The text is sized once and filled through a pointer: appending four
  // characters at a time costs a capacity check for each one.
  const std::size_t start = text.size();
  text.resize(start + (count + 2) / 3 * 4);
  char *out = text.data() + start;
  const char *const table = CodingTable.data();
  const unsigned char *in = reinterpret_cast<const unsigned char *>(bytes);
  const unsigned char *const wholeEnd = in + count / 3 * 3;
  for (; in != wholeEnd; in += 3, out += 4) {
    const unsigned group = (unsigned{in[0]} << 16) | (unsigned{in[1]} << 8) | in[2];
    out[0] = table[group >> 18];
    out[1] = table[(group >> 12) & 63];
    out[2] = table[(group >> 6) & 63];
    out[3] = table[group & 63];
  }
  const std::size_t left = count % 3;
  if (left == 0)
    return;
  const unsigned b1 = in[0];
  const unsigned b2 = left > 1 ? in[1] : 0;
  out[0] = table[b1 >> 2];
  out[1] = table[((b1 & 3) << 4) | (b2 >> 4)];
  out[2] = left > 1 ? table[(b2 & 15) << 2] : FillChar;
  out[3] = FillChar;
}

TIdDecodeTable TIdDecoder4to3::MakeDecodeTable(const std::string &codingTable) {
  TIdDecodeTable table;
  table.fill(NotInTable);
  for (std::size_t value = 0; value < codingTable.size(); ++value)
    table[static_cast<unsigned char>(codingTable[value])] = static_cast<std::uint8_t>(value);
  return table;
}

void TIdDecoder4to3::DecodeToStream(std::string_view text, TIdStream &destination) {
  if (text.size() % 4 != 0)
    throw EIdException("Uneven size in DecodeToStream.");
  // Each group writes its three bytes into a buffer sized for whole groups;
  // the count kept tells how many of them the group really holds.
  const std::unique_ptr<unsigned char[]> bytes =
      std::make_unique_for_overwrite<unsigned char[]>(text.size() / 4 * 3);
  const unsigned char *in = reinterpret_cast<const unsigned char *>(text.data());
  const unsigned char *const end = in + text.size();
  unsigned char *const start = bytes.get();
  unsigned char *out = start;
  const unsigned char fill = static_cast<unsigned char>(FillChar);
  for (; in != end; in += 4) {
    // Characters outside the table give 255 and so garbage bits, never an
    // access outside the table: the input is not validated.
    const std::uint32_t v = (std::uint32_t{DecodeTable[in[0]]} << 18) |
                            (std::uint32_t{DecodeTable[in[1]]} << 12) |
                            (std::uint32_t{DecodeTable[in[2]]} << 6) | DecodeTable[in[3]];
    out[0] = static_cast<unsigned char>(v >> 16);
    out[1] = static_cast<unsigned char>(v >> 8);
    out[2] = static_cast<unsigned char>(v);
    out += in[2] == fill ? 1 : in[3] == fill ? 2 : 3;
  }
  if (out != start)
    destination.WriteBuffer(start, out - start);
}

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
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t groupSize = std::min<std::size_t>(3, bytes.size() - i);
    const unsigned b1 = static_cast<unsigned char>(bytes[i]);
    const unsigned b2 = groupSize > 1 ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const unsigned b3 = groupSize > 2 ? static_cast<unsigned char>(bytes[i + 2]) : 0;
    text += CodingTable[b1 >> 2];
    text += CodingTable[((b1 & 3) << 4) | (b2 >> 4)];
    text += groupSize > 1 ? CodingTable[((b2 & 15) << 2) | (b3 >> 6)] : FillChar;
    text += groupSize > 2 ? CodingTable[b3 & 63] : FillChar;
  }
  return text;
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

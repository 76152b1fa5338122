#include "mime/IdCoder.h"

#include <algorithm>
#include <cstring>

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

void TIdDecoder4to3::DecodeToStream(const std::string &text, TIdStream &destination) {
  if (text.size() % 4 != 0)
    throw EIdException("Uneven size in DecodeToStream.");
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    // Characters outside the table give 255 and so garbage bits, never an
    // access outside the table: the input is not validated.
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k)
      v = (v << 6) | DecodeTable[static_cast<unsigned char>(text[i + k])];
    bytes += static_cast<char>((v >> 16) & 255);
    if (text[i + 2] == FillChar)
      continue;
    bytes += static_cast<char>((v >> 8) & 255);
    if (text[i + 3] == FillChar)
      continue;
    bytes += static_cast<char>(v & 255);
  }
  if (!bytes.empty())
    destination.WriteString(bytes);
}

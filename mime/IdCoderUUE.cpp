#include "mime/IdCoderUUE.h"

#include <algorithm>

namespace {
// The classic uuencode alphabet with the grave accent for 0 (a space, the
// older form, is accepted by the decoder).
std::string UUECodingTable() {
  std::string table = "`";
  for (char c = 0x21; c <= 0x5F; ++c)
    table += c;
  return table;
}

const std::string XXECodingTable = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// A line announces its byte count in one table character, so it holds 63 at most.
constexpr std::int64_t MaxLineBytes = 63;

const TIdDecodeTable &UUEDecodeTable() {
  static const TIdDecodeTable table = TIdDecoder4to3::MakeDecodeTable(UUECodingTable());
  return table;
}

const TIdDecodeTable &XXEDecodeTable() {
  static const TIdDecodeTable table = TIdDecoder4to3::MakeDecodeTable(XXECodingTable);
  return table;
}
} // namespace

std::string TIdEncoderUUEBase::Encode(TIdStream &source, std::int64_t byteCount) {
  const std::int64_t start = source.Position();
  std::string text = TIdEncoder3to4::Encode(source, byteCount);
  // The 3-to-4 text gives the count only up to a multiple of 3; the stream
  // position says how many bytes were really consumed.
  const std::int64_t consumed = source.Position() - start;
  if (consumed > MaxLineBytes)
    throw EIdException("Uneven size in Encode.");
  return CodingTable[static_cast<std::size_t>(consumed)] + text;
}

void TIdEncoderUUEBase::AppendLine(const char *bytes, std::size_t count, std::string &text) const {
  if (count > static_cast<std::size_t>(MaxLineBytes))
    throw EIdException("Uneven size in Encode.");
  text += CodingTable[count];
  AppendEncoded(bytes, count, text);
}

TIdEncoderUUE::TIdEncoderUUE() : TIdEncoderUUEBase(UUECodingTable(), '`') {}

TIdEncoderXXE::TIdEncoderXXE() : TIdEncoderUUEBase(XXECodingTable, '+') {}

void TIdDecoderUUEBase::DecodeToStream(std::string_view text, TIdStream &destination) {
  if (text.empty())
    return;
  const std::size_t n = DecodeTable[static_cast<unsigned char>(text[0])];
  std::string rest(text.substr(1));
  // Fit the rest to the announced length: extra characters are ignored, a
  // short line is extended with zero values; the fill characters mark the
  // missing bytes of a last short group.
  if (n % 3 == 0) {
    rest.resize(4 * n / 3, zeroChar_);
  } else {
    rest.resize(4 * (n / 3) + 4, zeroChar_);
    rest.back() = FillChar;
    if (n % 3 == 1)
      rest[rest.size() - 2] = FillChar;
  }
  TIdDecoder4to3::DecodeToStream(rest, destination);
}

TIdDecoderUUE::TIdDecoderUUE() : TIdDecoderUUEBase(UUEDecodeTable(), '`') {}

void TIdDecoderUUE::DecodeToStream(std::string_view text, TIdStream &destination) {
  std::string line(text);
  std::replace(line.begin(), line.end(), ' ', '`');
  TIdDecoderUUEBase::DecodeToStream(line, destination);
}

TIdDecoderXXE::TIdDecoderXXE() : TIdDecoderUUEBase(XXEDecodeTable(), '+') {}

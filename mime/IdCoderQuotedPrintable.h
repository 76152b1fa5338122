#pragma once
// Quoted-printable bodies (RFC 2045): the encoder works on whole lines with
// their CR LF, the decoder on one line with its line break.
#include "mime/IdCoder.h"

class TIdEncoderQuotedPrintable : public TIdEncoder {
public:
  std::string Encode(TIdStream &source, std::int64_t byteCount = MaxByteCount) override;
  static std::string EncodeString(const std::string &bytes) {
    return EncodeWhole(TIdEncoderQuotedPrintable(), bytes);
  }
};

class TIdDecoderQuotedPrintable : public TIdDecoder {
public:
  void DecodeToStream(std::string_view text, TIdStream &destination) override;
  static std::string DecodeString(const std::string &text) {
    return DecodeWhole(TIdDecoderQuotedPrintable(), text);
  }
};

#pragma once
// UUE and XXE lines: a length character (the number of bytes the line holds)
// followed by the 3-to-4 encoding of those bytes.
#include "mime/IdCoder.h"

class TIdEncoderUUEBase : public TIdEncoder3to4 {
public:
  // Callers pass 45 bytes per line: "M" (UUE) or "h" (XXE) and 60 characters.
  std::string Encode(TIdStream &source, std::int64_t byteCount = MaxByteCount) override;
  // Raises "Uneven size in Encode." above 63 bytes, as Encode does.
  void AppendLine(const char *bytes, std::size_t count, std::string &text) const override;

protected:
  using TIdEncoder3to4::TIdEncoder3to4;
};

class TIdEncoderUUE : public TIdEncoderUUEBase {
public:
  TIdEncoderUUE();
  static std::string EncodeString(const std::string &bytes) { return EncodeWhole(TIdEncoderUUE(), bytes); }
};

class TIdEncoderXXE : public TIdEncoderUUEBase {
public:
  TIdEncoderXXE();
  static std::string EncodeString(const std::string &bytes) { return EncodeWhole(TIdEncoderXXE(), bytes); }
};

class TIdDecoderUUEBase : public TIdDecoder4to3 {
public:
  // Decodes one line; characters after the announced length are ignored.
  void DecodeToStream(std::string_view text, TIdStream &destination) override;

protected:
  TIdDecoderUUEBase(const TIdDecodeTable &table, char zeroChar)
      : TIdDecoder4to3(table, '~'), zeroChar_(zeroChar) {}

private:
  char zeroChar_; // the character of value 0, used to extend short lines
};

// Spaces in UUE lines stand for the grave accent (value 0).
class TIdDecoderUUE : public TIdDecoderUUEBase {
public:
  TIdDecoderUUE();
  void DecodeToStream(std::string_view text, TIdStream &destination) override;
  static std::string DecodeString(const std::string &text) { return DecodeWhole(TIdDecoderUUE(), text); }
};

class TIdDecoderXXE : public TIdDecoderUUEBase {
public:
  TIdDecoderXXE();
  static std::string DecodeString(const std::string &text) { return DecodeWhole(TIdDecoderXXE(), text); }
};

#pragma once
// base64 (RFC 2045) for message bodies, attachments and the SMTP login.
#include "mime/IdCoder.h"

inline constexpr char Base64CodingTable[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

class TIdEncoderMIME : public TIdEncoder3to4 {
public:
  TIdEncoderMIME();
  static std::string EncodeString(const std::string &bytes) { return EncodeWhole(TIdEncoderMIME(), bytes); }
};

class TIdDecoderMIME : public TIdDecoder4to3 {
public:
  TIdDecoderMIME();
  static std::string DecodeString(const std::string &text) { return DecodeWhole(TIdDecoderMIME(), text); }
};

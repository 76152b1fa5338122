#include "mime/IdCoderMIME.h"

namespace {
const TIdDecodeTable &Base64DecodeTable() {
  static const TIdDecodeTable table = TIdDecoder4to3::MakeDecodeTable(Base64CodingTable);
  return table;
}
} // namespace

TIdEncoderMIME::TIdEncoderMIME() : TIdEncoder3to4(Base64CodingTable, '=') {}

TIdDecoderMIME::TIdDecoderMIME() : TIdDecoder4to3(Base64DecodeTable(), '=') {}

#pragma once
// UUE and XXE blocks in a message body: "begin <mode> <name>" up to "end".
#include "mime/IdMessageCoder.h"

class TIdMessageDecoderUUE : public TIdMessageDecoder {
public:
  TIdMessageDecoderUUE(TIdMessage &owner, const std::string &filename);
  // Raises "Unrecognized UUE encoding scheme." when the first data line fits
  // neither alphabet. Stops at the message's end line without reading past it.
  std::unique_ptr<TIdMessageDecoder> ReadPartBody(TIdStream &destination, bool &ended) override;
};

class TIdMessageDecoderInfoUUE : public TIdMessageDecoderInfo {
public:
  std::unique_ptr<TIdMessageDecoder> TryStart(TIdMessage &message, const std::string &line) const override;
};

namespace mv {
enum class UUScheme { None, UUE, XXE };
// The scheme a block's first data line is written in: "M" and "h" (full
// lines) decide at once; a shorter file's only line is judged by its
// characters and its length character.
UUScheme DetectUUScheme(const std::string &firstDataLine);
} // namespace mv

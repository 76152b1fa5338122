#pragma once
// UUE and XXE blocks in a message body: "begin <mode> <name>" up to "end".
#include "mime/IdMessageCoder.h"

#include <memory>

class TIdDecoder;

class TIdMessageDecoderUUE : public TIdMessageDecoder {
public:
  TIdMessageDecoderUUE(TIdMessage &owner, mv::MessageReadContext &context, const std::string &filename);
  // Raises "Unrecognized UUE encoding scheme." when the first data line fits
  // neither alphabet. Stops at the message's end line without reading past it.
  std::unique_ptr<TIdMessageDecoder> ReadPartBody(TIdStream &destination, bool &ended) override;
};

class TIdMessageDecoderInfoUUE : public TIdMessageDecoderInfo {
public:
  std::unique_ptr<TIdMessageDecoder> TryStart(TIdMessage &message, mv::MessageReadContext &context,
                                              std::string_view line) const override;
  std::optional<std::string> StartBytes(TIdMessage &message, mv::MessageReadContext &context) const override;
};

namespace mv {
enum class UUScheme { None, UUE, XXE };
// The scheme a block's first data line is written in: "M" and "h" (full
// lines) decide at once; a shorter file's only line is judged by its
// characters and its length character.
UUScheme DetectUUScheme(std::string_view firstDataLine);

// One UUE or XXE block fed line by line: blank lines before the first data
// line are skipped, the first data line chooses the scheme (raising
// "Unrecognized UUE encoding scheme." when it fits neither), and a line
// "end" closes the block. With `waitForBegin`, lines up to a "begin ..."
// line are skipped first (a MIME part labelled x-uuencode holds the block
// with its begin line).
class UuBlockDecoder {
public:
  UuBlockDecoder(TIdStream &destination, bool waitForBegin);
  ~UuBlockDecoder();
  UuBlockDecoder(const UuBlockDecoder &) = delete;
  UuBlockDecoder &operator=(const UuBlockDecoder &) = delete;
  // False once the block is closed; later lines are ignored.
  bool DecodeLine(std::string_view line);

private:
  enum class Stage { BeforeBegin, BeforeData, Data, Done };
  TIdStream &FDestination;
  Stage FStage;
  std::unique_ptr<TIdDecoder> FDecoder;
};
} // namespace mv

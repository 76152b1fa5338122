#pragma once
// MIME parts: a part starts at a boundary line of the current multipart, or,
// for a single-part message whose body is base64 or quoted-printable, at the
// first body line.
#include "mime/IdMessageCoder.h"

#include <optional>

class TIdMessageDecoderMIME : public TIdMessageDecoder {
public:
  // Boundary = the context's current boundary; BodyEncoded from the owner's
  // Content-Transfer-Encoding.
  TIdMessageDecoderMIME(TIdMessage &owner, mv::MessageReadContext &context,
                        std::optional<std::string> firstLine = std::nullopt);

  std::unique_ptr<TIdMessageDecoder> ReadPartBody(TIdStream &destination, bool &ended) override;
  void ReadPartHeader() override;

  std::string Boundary;
  bool BodyEncoded = false;
  // The part is the whole body of a single-part message (a scanner's PDF
  // sent as the message itself): it ends only at the message's end line.
  bool WholeBody = false;
  // The body line that started the part, read before the decoder existed.
  std::optional<std::string> FirstLine;

  // The value of a "name=value" entry of PartHeaders (any letter case).
  std::string PartHeaderValue(const std::string &name) const;
  // Sets PartKind and Filename from a content type and a disposition. A
  // missing or unreadable content type is text/plain.
  void Classify(const std::string &contentType, const std::string &disposition);
};

class TIdMessageDecoderInfoMIME : public TIdMessageDecoderInfo {
public:
  std::unique_ptr<TIdMessageDecoder> TryStart(TIdMessage &message, mv::MessageReadContext &context,
                                              std::string_view line) const override;
  std::optional<std::string> StartBytes(TIdMessage &message, mv::MessageReadContext &context) const override;
};

namespace mv {
// Base64 of a MIME part, fed line by line: characters outside the alphabet
// are skipped and an incomplete group waits for the next line, so lines of
// any length and trailing blanks decode.
class Base64PartDecoder {
public:
  explicit Base64PartDecoder(TIdStream &destination) : FDestination(destination) {}
  void DecodeLine(std::string_view line);
  // Decodes what is left, completing a last group of 2 or 3 characters.
  void Finish();

private:
  void DecodeWholeGroups();
  // Decoded in pieces of about this many characters: one write each.
  static constexpr size_t PendingLimit = 64 * 1024;
  TIdStream &FDestination;
  std::string FPending;
};
} // namespace mv

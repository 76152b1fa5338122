#pragma once
// The state of reading one message body: its lines as they come off the
// connection, the multipart boundaries open at the current line and the
// number of parts made. The parts' decoders share it; the message model
// holds none of it.
#include "mime/IdMIMEBoundary.h"

#include <optional>
#include <string>
#include <string_view>

class TIdTCPConnection;

namespace mv {
// Real mail nests multiparts two or three deep; deeper nesting is built to
// exhaust the reader, and its boundary is read as data of the enclosing part.
constexpr int kMaxNestedMultiparts = 32;
// Every part becomes a temporary file or text held in memory; real mail has
// a few dozen. A message with more is refused rather than filling the disk.
constexpr int kMaxMessageParts = 5000;

class MessageReadContext {
public:
  MessageReadContext(TIdTCPConnection &connection, std::string endLine);

  // The next body line with its stuffed leading dot removed, or false once
  // the end line has been read. The end line is read exactly once: after
  // it, no further line is read from the connection. The line is a view into
  // the connection's input, valid until the next line is read.
  bool NextLine(std::string_view &line);
  // Whole body lines that need no care one by one, taken in a single piece
  // from what the connection has already buffered, their breaks included:
  // each ends in CR LF, and none begins like the end line, carries a stuffed
  // dot, could be a boundary of an open multipart, exceeds the connection's
  // line limit or begins with a byte of `startBytes` (lines a decoder might
  // start at). Empty when the next line must be read with NextLine. The view
  // is valid until the next line is read.
  std::string_view NextPlainLines(std::string_view startBytes = {});
  bool Ended() const { return FEnded; }
  TIdTCPConnection &Connection() const { return FConnection; }

  // Opens a nested multipart; false (nothing pushed) past the nesting limit.
  bool PushBoundary(const std::string &boundary);
  // Counts a part about to be made; raises "Too many parts in message."
  // past the limit.
  void CountPart();

  TIdMIMEBoundary Boundaries;
  // Whether a single-part message's body is one attachment: it depends on
  // the message header alone, so it is decided once, at the first body line.
  std::optional<bool> BodyIsAttachment;

private:
  TIdTCPConnection &FConnection;
  const std::string FEndLine;
  bool FEnded = false;
  int FParts = 0;
};

// The boundary-line test: a line "--X" or "--X--" for a boundary X anywhere
// on the stack (innermost first), letter case ignored and trailing blanks
// (transport padding) allowed. Returns the stack index or -1; `closing`
// tells which form.
int MatchBoundaryLine(const TIdMIMEBoundary &stack, std::string_view line, bool &closing);
} // namespace mv

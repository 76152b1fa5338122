#pragma once
// The decoded bytes of a text part, split into its lines as they are
// written, so that a long text is never held as one string beside its lines.
// A line ends at CR LF, CR or LF; the break after the last line adds no
// empty line; a NUL byte ends the text (what follows it is not text).
#include "mime/IdLines.h"
#include "mime/IdStream.h"

namespace mv {
class TextLinesStream : public TIdStream {
public:
  explicit TextLinesStream(TIdLines &lines) : FLines(lines) {}
  std::int64_t Read(void *, std::int64_t) override { return 0; }
  std::int64_t Write(const void *buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }

  // Completes a last line that has no break of its own.
  void Finish();
  // Whether the text ended with a line break (an empty text counts as one):
  // written back, the text then gets its final break again.
  bool FinalLineBreak() const { return !FWritten || FLastByte == '\n' || FLastByte == '\r'; }

private:
  TIdLines &FLines;
  bool FOpenLine = false; // bytes of an unfinished line were added
  bool FAfterCR = false;  // an LF now belongs to the CR before it
  bool FEnded = false;    // a NUL was met
  bool FWritten = false;
  char FLastByte = 0;
};
} // namespace mv

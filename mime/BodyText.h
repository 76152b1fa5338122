#pragma once
// The text a message view shows for a text part or a single-part body.
#include "mime/IdLines.h"

#include <string>
#include <vector>

namespace mv {
// The charset the lines are written in: the charset parameter of the
// content type; for text/html without one, the charset of a
// <meta charset=...> or <meta http-equiv="Content-Type" content="...;
// charset=..."> tag in the text. Empty when neither names one.
std::string BodyCharset(const TIdLines &lines, const std::string &contentType);

// The lines converted to UTF-8 from BodyCharset. Without a charset, with an
// unknown one, or with US-ASCII (which older mailers declare for Cyrillic
// text) they are read as Windows-1251, the program's own text; KOI8-R text is
// one case of the charset rule. Bytes that are not text in a declared charset
// become U+FFFD.
std::vector<std::string> BodyLinesAsUtf8(const TIdLines &lines, const std::string &contentType);
// The same lines joined with "\n".
std::string BodyTextAsUtf8(const TIdLines &lines, const std::string &contentType);
} // namespace mv

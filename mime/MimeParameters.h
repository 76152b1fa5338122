#pragma once
// Parameters of structured header values (Content-Type, Content-Disposition):
// RFC 2045 syntax, RFC 2231 extended values and continuations, and the
// encoded words that Outlook and Gmail put inside quoted values.
#include <string>
#include <string_view>
#include <vector>

namespace mv {
struct MimeParameter {
  std::string name;  // lower case, as written otherwise ("filename*0*")
  std::string value; // a token as written, or a quoted string unquoted
};

// A header value split into the text before its first ';' (trimmed, e.g.
// "text/plain") and its parameters. Names are matched without regard to
// case; blanks, tabs and line breaks may stand around '=' and ';'; a value
// is a token or a quoted string (backslash escapes its quote and itself). A
// parameter without '=' or without a name is skipped; an unclosed quote runs
// to the end of the value.
struct MimeHeaderValue {
  std::string type;
  std::vector<MimeParameter> parameters;
};
MimeHeaderValue ParseMimeHeaderValue(std::string_view value);

// The value of the first parameter of that exact name (any case), as
// written: no RFC 2231 assembly and no decoding. Empty when absent. The form
// for boundary and charset.
std::string MimeParameterValue(std::string_view headerValue, std::string_view name);

// The text of a parameter such as filename or name, in Windows-1251:
// - "name*" (charset'language'percent-encoded) wins over the rest;
// - else the sections "name*0", "name*1", ... (plain or "*"-encoded) are
//   joined in numeric order whatever order they came in, a missing section
//   is skipped; the charset is that of section 0;
// - else the plain "name".
// Values without an RFC 2231 charset have their encoded words decoded and raw
// UTF-8 converted (DecodeHeaderText); in an RFC 2231 charset this program does
// not know, 8-bit bytes count as characters without a Windows-1251 form.
// Characters without a Windows-1251 form become `unmappable`. Empty when
// absent.
std::string DecodedMimeParameter(const MimeHeaderValue &header, std::string_view name, char unmappable);
std::string DecodedMimeParameter(std::string_view headerValue, std::string_view name, char unmappable);
} // namespace mv

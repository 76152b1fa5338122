// Parses arbitrary structured header values and decodes their parameters,
// and checks what must hold for any input:
// - every charset conversion to UTF-8 gives valid UTF-8;
// - a Windows-1251 name written as an RFC 2231 value, in Windows-1251 or in
//   UTF-8 and cut into sections, decodes to itself.
#include "mime/BodyText.h"
#include "mime/HeaderText.h"
#include "mime/MimeParameters.h"
#include "platform/CodePage.h"

#include <cstddef>
#include <cstdint>

namespace {
std::string PercentEncoded(const std::string &bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 15];
  }
  return out;
}

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string value(reinterpret_cast<const char *>(data), size);
  const mv::MimeHeaderValue header = mv::ParseMimeHeaderValue(value);
  for (const char *name : {"filename", "name", "boundary"})
    mv::DecodedMimeParameter(header, name, '_');
  mv::MimeParameterValue(value, "charset");
  mv::DecodeHeaderText(value);

  for (const char *charset : {"utf-8", "koi8-r", "koi8-u", "iso-8859-5", "cp866", "us-ascii", "windows-1252"})
    Check(mv::IsMultiByteUtf8(*mv::CharsetToUtf8(value, charset) + "\xD0\x90"));
  Check(mv::IsMultiByteUtf8(mv::BodyTextAsUtf8({value}, "text/html") + "\xD0\x90"));

  // Byte 0x98 has no character in Windows-1251, so it cannot travel as UTF-8.
  if (value.empty() || value.find('\x98') != std::string::npos)
    return 0;
  const std::size_t cut = static_cast<unsigned char>(value[0]) % value.size();
  const std::string utf8 = mv::Win1251ToUtf8(value);
  const std::size_t utf8Cut = cut * utf8.size() / value.size();
  Check(mv::DecodedMimeParameter("attachment; filename*=windows-1251''" + PercentEncoded(value), "filename",
                                 '_') == value);
  Check(mv::DecodedMimeParameter("attachment; filename*1*=" + PercentEncoded(utf8.substr(utf8Cut)) +
                                     ";\r\n filename*0*=UTF-8''" + PercentEncoded(utf8.substr(0, utf8Cut)),
                                 "filename", '_') == value);
  return 0;
}

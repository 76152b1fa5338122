#include "mime/IdMessageEncoder.h"

#include "mime/IdCoderMIME.h"
#include "mime/IdCoderUUE.h"
#include "mime/IdException.h"
#include "mime/IdMessage.h"
#include "mime/IdMessageStrings.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {
// Attachments are read in blocks of whole lines so that encoding a large
// file costs one file read and one write per block, not per line.
constexpr std::int64_t LinesPerBlock = 1024;

template <class LineCoder>
void EncodeLines(TIdStream &source, TIdStream &destination, std::int64_t bytesPerLine, LineCoder &coder) {
  std::string block(static_cast<size_t>(bytesPerLine * LinesPerBlock), '\0');
  std::string text;
  for (;;) {
    const std::int64_t got = source.Read(block.data(), static_cast<std::int64_t>(block.size()));
    if (got <= 0)
      break;
    text.clear();
    for (std::int64_t done = 0; done < got; done += bytesPerLine) {
      coder.AppendLine(block.data() + done, static_cast<std::size_t>(std::min(bytesPerLine, got - done)),
                       text);
      text += "\r\n";
    }
    destination.WriteString(text);
  }
}

struct Registration {
  std::string Name;
  std::unique_ptr<TIdMessageEncoderInfo> Info;
};

std::vector<Registration> &Registry() {
  static std::vector<Registration> registry = [] {
    std::vector<Registration> r;
    r.push_back({"MIME", std::make_unique<TIdMessageEncoderInfoMIME>()});
    r.push_back({"UUE", std::make_unique<TIdMessageEncoderInfoOf<TIdMessageEncoderUUE>>()});
    r.push_back({"XXE", std::make_unique<TIdMessageEncoderInfoOf<TIdMessageEncoderXXE>>()});
    return r;
  }();
  return registry;
}
} // namespace

void TIdMessageEncoder::EncodeFile(const std::string &path, TIdStream &destination) {
  TIdFileStream source(path, TIdFileMode::fmOpenRead);
  EncodeStream(source, destination);
}

void TIdMessageEncoderMIME::EncodeStream(TIdStream &source, TIdStream &destination) {
  source.SetPosition(0);
  TIdEncoderMIME coder;
  EncodeLines(source, destination, 57, coder);
}

void TIdMessageEncoderUUEBase::EncodeStream(TIdStream &source, TIdStream &destination) {
  source.SetPosition(0);
  destination.WriteString("begin " + std::to_string(PermissionCode) + " " + Filename + "\r\n");
  char fill;
  if (UsesXXE()) {
    TIdEncoderXXE coder;
    EncodeLines(source, destination, 45, coder);
    fill = coder.FillChar;
  } else {
    TIdEncoderUUE coder;
    EncodeLines(source, destination, 45, coder);
    fill = coder.FillChar;
  }
  destination.WriteString(std::string(1, fill) + "\r\nend\r\n");
}

void TIdMessageEncoderInfoMIME::PrepareHeaders(TIdMessage &message) const {
  const TIdMessageParts &parts = message.Parts;
  if (parts.RelatedPartTotal > 0)
    message.ContentType = std::string("multipart/related; type=\"multipart/alternative\"; boundary=\"") +
                          mv::RelatedBoundary + "\"";
  else if (parts.AttachmentTotal > 0)
    message.ContentType = std::string("multipart/mixed; boundary=\"") + mv::MixedBoundary + "\"";
  else if (parts.TextPartTotal > 0)
    message.ContentType = std::string("multipart/alternative; boundary=\"") + mv::MixedBoundary + "\"";
}

void TIdMessageEncoderList::RegisterEncoder(const std::string &name,
                                            std::unique_ptr<TIdMessageEncoderInfo> info) {
  Registry().push_back({name, std::move(info)});
}

TIdMessageEncoderInfo &TIdMessageEncoderList::LookupEncoder(const std::string &name) {
  for (Registration &r : Registry())
    if (mv::msg::SameAscii(r.Name, name))
      return *r.Info;
  throw EIdException("Message encoder not found: " + name);
}

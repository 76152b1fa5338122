#include "mime/IdMessageParts.h"

#include "mime/IdMessage.h"
#include "mime/IdMessageEncoder.h"
#include "platform/FileSystem.h"

EIdCanNotCreateMessagePart::EIdCanNotCreateMessagePart()
    : EIdException("TIdMessagePart can not be created.  Use descendant classes. ") {}

TIdMessagePart::TIdMessagePart(TIdMessageParts *) {
  throw EIdCanNotCreateMessagePart();
}

void TIdMessagePart::AssignHeaders(const TIdMessagePart &source) {
  HeaderLines = source.HeaderLines;
  ExtraHeaders = source.ExtraHeaders;
}

void TIdText::Assign(const TIdText &source) {
  AssignHeaders(source);
  Body = source.Body;
  FinalLineBreak = source.FinalLineBreak;
}

TIdAttachment::TIdAttachment(const std::string &storedPath)
    : TIdMessagePart(DescendantTag{}), StoredPath(storedPath) {
  FileName = storedPath.substr(storedPath.find_last_of('/') + 1);
}

TIdAttachment::~TIdAttachment() {
  InnerMessage.reset();
  // A file the program attached is the user's own and is kept unless the
  // program itself asked for its deletion.
  if ((FStoredFileTemporary || DeleteStoredFile) && !StoredPath.empty())
    mv::DeleteFileAt(StoredPath);
}

void TIdAttachment::Assign(const TIdAttachment &source) {
  AssignHeaders(source);
  FileName = source.FileName;
}

bool TIdAttachment::CopyToFile(const std::string &destination) {
  if (StoredPath.empty() || !mv::CopyFileTo(StoredPath, destination, true))
    throw EIdException("Error saving attachment.");
  if (FStoredFileTemporary)
    DeleteStoredFile = true;
  return true;
}

void TIdAttachment::EncodeTo(TIdStream &destination) {
  TIdMessageEncoderInfo &info =
      Collection() ? Collection()->EncoderInfo() : TIdMessageEncoderList::LookupEncoder("MIME");
  std::unique_ptr<TIdMessageEncoder> encoder = info.CreateEncoder();
  encoder->Filename = FileName;
  encoder->EncodeFile(StoredPath, destination);
}

TIdMessageParts::TIdMessageParts() {
  SetAttachmentEncoding("MIME");
}

TIdMessageParts::~TIdMessageParts() = default;

TIdMessagePart &TIdMessageParts::Add(std::unique_ptr<TIdMessagePart> part) {
  part->FCollection = this;
  FItems.push_back(std::move(part));
  return *FItems.back();
}

TIdText &TIdMessageParts::AddText(TIdLines body) {
  return static_cast<TIdText &>(Add(std::make_unique<TIdText>(std::move(body))));
}

TIdAttachment &TIdMessageParts::AddAttachment(const std::string &storedPath) {
  return static_cast<TIdAttachment &>(Add(std::make_unique<TIdAttachment>(storedPath)));
}

void TIdMessageParts::Delete(int index) {
  FItems.erase(FItems.begin() + index);
}

void TIdMessageParts::Clear() {
  FItems.clear();
}

void TIdMessageParts::CountParts() {
  AttachmentTotal = TextPartTotal = RelatedPartTotal = 0;
  for (const auto &part : FItems) {
    if (dynamic_cast<const TIdText *>(part.get())) {
      ++TextPartTotal;
    } else if (dynamic_cast<const TIdAttachment *>(part.get())) {
      ++AttachmentTotal;
      if (!part->ContentID().empty())
        ++RelatedPartTotal;
    }
  }
}

void TIdMessageParts::SetAttachmentEncoding(const std::string &name) {
  TIdMessageEncoderInfo &info = TIdMessageEncoderList::LookupEncoder(name);
  FEncoderInfo = &info;
  FAttachmentEncoding = name;
}

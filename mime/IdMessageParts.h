#pragma once
// The parts of a message: text parts and attachments, in the order they were
// read or added. An attachment's bytes lie in a file at its StoredPath.
#include "mime/IdException.h"
#include "mime/IdHeaderList.h"
#include "mime/IdLines.h"

#include <memory>
#include <string>
#include <vector>

class TIdMessage;
class TIdMessageParts;
class TIdMessageEncoderInfo;
class TIdStream;

// "TIdMessagePart can not be created.  Use descendant classes. "
class EIdCanNotCreateMessagePart : public EIdException {
public:
  EIdCanNotCreateMessagePart();
};

class TIdMessagePart {
public:
  // Only the descendants can be made; this constructor always raises.
  explicit TIdMessagePart(TIdMessageParts *collection);
  virtual ~TIdMessagePart() = default;
  TIdMessagePart(const TIdMessagePart &) = delete;
  TIdMessagePart &operator=(const TIdMessagePart &) = delete;

  TIdHeaderList HeaderLines;  // name, ": ", value
  TIdHeaderList ExtraHeaders; // written after the generated lines

  // Views onto HeaderLines; setting an empty value removes the header.
  std::string ContentType() const { return HeaderLines.ValueOf("Content-Type"); }
  void SetContentType(const std::string &v) { HeaderLines.SetValue("Content-Type", v); }
  std::string ContentTransfer() const { return HeaderLines.ValueOf("Content-Transfer-Encoding"); }
  void SetContentTransfer(const std::string &v) { HeaderLines.SetValue("Content-Transfer-Encoding", v); }
  std::string ContentID() const { return HeaderLines.ValueOf("Content-ID"); }
  void SetContentID(const std::string &v) { HeaderLines.SetValue("Content-ID", v); }

  // The collection holding the part (nullptr while it stands alone).
  TIdMessageParts *Collection() const { return FCollection; }

protected:
  struct DescendantTag {};
  explicit TIdMessagePart(DescendantTag) {}
  void AssignHeaders(const TIdMessagePart &source);

private:
  friend class TIdMessageParts;
  TIdMessageParts *FCollection = nullptr;
};

class TIdText : public TIdMessagePart {
public:
  explicit TIdText(TIdLines body = {}) : TIdMessagePart(DescendantTag{}), Body(std::move(body)) {}
  // Copies the header lists and Body.
  void Assign(const TIdText &source);

  TIdLines Body;
  // Whether the text's last line ends with a line break. A text read with
  // none (as many mail programs send it) is written back without one.
  bool FinalLineBreak = true;
};

class TIdAttachment : public TIdMessagePart {
public:
  // StoredPath = path, FileName = its last path component.
  explicit TIdAttachment(const std::string &storedPath = std::string());
  ~TIdAttachment() override;

  // Copies the header lists and FileName; never StoredPath or the deletion flags.
  void Assign(const TIdAttachment &source);

  std::string ContentDisposition() const { return HeaderLines.ValueOf("Content-Disposition"); }
  void SetContentDisposition(const std::string &v) { HeaderLines.SetValue("Content-Disposition", v); }

  // Copies the stored bytes to `destination`, never over an existing file;
  // raises "Error saving attachment." on failure.
  bool CopyToFile(const std::string &destination);
  // Writes the stored bytes with the collection's attachment encoder.
  void EncodeTo(TIdStream &destination);

  // The stored file is a temporary file the message reader made: it is
  // removed with the part, whether or not it was copied out.
  void SetStoredFileTemporary(bool temporary) { FStoredFileTemporary = temporary; }
  bool StoredFileTemporary() const { return FStoredFileTemporary; }

  std::string FileName;
  std::string StoredPath;
  // Deletes the stored file when the part is destroyed.
  bool DeleteStoredFile = false;
  // For a forwarded message (message/rfc822) the reader read: the message
  // inside, with parts of its own. Null for every other attachment.
  std::unique_ptr<TIdMessage> InnerMessage;

private:
  bool FStoredFileTemporary = false;
};

class TIdMessageParts {
public:
  TIdMessageParts();
  ~TIdMessageParts();
  TIdMessageParts(const TIdMessageParts &) = delete;
  TIdMessageParts &operator=(const TIdMessageParts &) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TIdMessagePart &operator[](int index) const { return *FItems[index]; }
  // Takes ownership and returns the part.
  TIdMessagePart &Add(std::unique_ptr<TIdMessagePart> part);
  TIdText &AddText(TIdLines body = {});
  TIdAttachment &AddAttachment(const std::string &storedPath = std::string());
  void Delete(int index);
  void Clear();

  void CountParts();
  int AttachmentTotal = 0;
  int TextPartTotal = 0;
  int RelatedPartTotal = 0;

  const std::string &AttachmentEncoding() const { return FAttachmentEncoding; }
  // Looks the encoder up; an unknown name raises and changes nothing.
  void SetAttachmentEncoding(const std::string &name);
  TIdMessageEncoderInfo &EncoderInfo() const { return *FEncoderInfo; }

private:
  std::vector<std::unique_ptr<TIdMessagePart>> FItems;
  std::string FAttachmentEncoding;
  TIdMessageEncoderInfo *FEncoderInfo = nullptr;
};

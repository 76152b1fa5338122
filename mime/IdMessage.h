#pragma once
// One Internet mail message: header fields as properties, the raw header
// lines it was read with, the plain body lines and its parts. The message
// owns everything it holds, including the temporary files of read attachments.
#include "mime/IdDateTime.h"
#include "mime/IdEMailAddress.h"
#include "mime/IdException.h"
#include "mime/IdHeaderList.h"
#include "mime/IdHeaderWords.h"
#include "mime/IdLines.h"
#include "mime/IdMIMEBoundary.h"
#include "mime/IdMessageParts.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TIdStream;

// "Invalid Encoding. UU only allows Body and Attachments"
class EIdMessageException : public EIdException {
public:
  using EIdException::EIdException;
};

// "Cannot load message from file %s"
class EIdMessageCannotLoad : public EIdMessageException {
public:
  using EIdMessageException::EIdMessageException;
};

// Ordinals 0..4. A read priority header outside 1..5 is kept as its number
// minus one (X-Priority 9 is held as 8) so that writing gives it back.
enum TIdMessagePriority : int { mpHighest = 0, mpHigh = 1, mpNormal = 2, mpLow = 3, mpLowest = 4 };

enum TIdMessageEncoding { meMIME, meUU };

using TIdInitializeIsoEvent =
    std::function<void(TTransfer &transfer, char &headerEncoding, std::string &charSet)>;

class TIdMessage {
public:
  TIdMessage();
  virtual ~TIdMessage();
  TIdMessage(const TIdMessage &) = delete;
  TIdMessage &operator=(const TIdMessage &) = delete;

  // Name of the attachment encoder ("MIME", "UUE", "XXE"); an unknown name
  // raises "Message encoder not found: <name>" and keeps the previous one.
  const std::string &AttachmentEncoding() const { return Parts.AttachmentEncoding(); }
  void SetAttachmentEncoding(const std::string &name) { Parts.SetAttachmentEncoding(name); }
  TIdMessageEncoding Encoding() const { return FEncoding; }
  // Also sets AttachmentEncoding to "MIME" or "UUE".
  void SetEncoding(TIdMessageEncoding encoding);
  // True exactly when Date is 0 (the time of writing is used).
  bool UseNowForDate() const { return Date == 0; }
  void SetUseNowForDate(bool useNow);

  TIdLines Body;
  TIdEMailAddressList BccList;
  std::string CharSet;
  TIdEMailAddressList CCList;
  std::string ContentType;
  std::string ContentTransferEncoding;
  std::string ContentDisposition;
  TDateTime Date = 0;
  // Copied into each attachment the reader makes (its DeleteStoredFile).
  bool DeleteTempFiles = false;
  TIdHeaderList ExtraHeaders;
  TIdEMailAddressItem From;
  std::vector<std::string> NewsGroups;
  bool NoEncode = false;
  bool NoDecode = false;
  std::string Organization;
  TIdMessagePriority Priority = mpNormal;
  TIdEMailAddressItem ReceiptRecipient;
  TIdEMailAddressList Recipients;
  std::string References;
  TIdEMailAddressList ReplyTo;
  std::string Subject;
  TIdEMailAddressItem Sender;
  TIdInitializeIsoEvent OnInitializeISO;

  TIdHeaderList HeaderLines; // exactly as read, one entry per physical line
  TIdMessageParts Parts;
  // The boundary the header names; the reader takes it over, with the rest
  // of its state, while it reads the body.
  TIdMIMEBoundary BoundaryStack;
  std::string MessageId;

  void ResetMessage();
  void ResetHeaderFields();
  void ResetContent();
  virtual void ChooseHeaderCharset(TTransfer &transfer, char &headerEncoding, std::string &charSet);
  // The header block to write; the caller owns the result.
  std::unique_ptr<TIdHeaderList> BuildHeaderLines();
  // Sets the properties from HeaderLines.
  void ApplyHeaderLines();

  // Message files: the SMTP transfer form followed by a "." line.
  void WriteToFile(const std::string &path, bool headersOnly = false);
  void WriteToStream(TIdStream &stream, bool headersOnly = false);
  void ReadFromFile(const std::string &path, bool headersOnly = false);
  void ReadFromStream(TIdStream &stream, bool headersOnly = false);

private:
  TIdMessageEncoding FEncoding = meMIME;
};

namespace mv {
// The priority a Priority or X-Priority value stands for.
TIdMessagePriority PriorityFromHeader(const std::string &value);
// The charset parameter of a content type, upper-cased ("" when none).
std::string CharSetOf(const std::string &contentType);
// Address headers as ApplyHeaderLines reads them: parsed first, then the
// display names (and raw UTF-8 addresses) decoded, so that a decoded name
// holding a comma or a quote cannot split an entry.
void SetDecodedAddress(TIdEMailAddressItem &item, const std::string &value);
void SetDecodedAddresses(TIdEMailAddressList &list, const std::string &value);
// True when the header lines of a read message hold the header and it reads
// as the property says now (the copy then keeps the line as read).
bool ReadSubjectUnchanged(const TIdHeaderList &read, const std::string &subject);
bool ReadAddressUnchanged(const TIdHeaderList &read, const std::string &name,
                          const TIdEMailAddressItem &item);
bool ReadAddressesUnchanged(const TIdHeaderList &read, const std::string &name,
                            const TIdEMailAddressList &list);
// The comma text of a list: entries holding a blank, comma or quote are quoted.
std::string CommaText(const std::vector<std::string> &entries);
} // namespace mv

#pragma once
// The connection with message operations: it reads a message's Internet text
// form into the model and writes the model back out, over a socket (POP3,
// SMTP) or over a stream channel (message files).
#include "mime/ForwardedMessages.h"
#include "mime/IdMessage.h"
#include "net/IdTCPClient.h"

#include <functional>
#include <string>

class TIdMessageDecoder;
namespace mv {
class MessageReadContext;
}

class TIdMessageClient : public TIdTCPClient {
public:
  // Reads header lines into HeaderLines up to the first empty line (or up to
  // `alternative` when given) and applies them. Returns the line that ended
  // the header: "" when a body follows, "." when the message ended.
  virtual std::string ReadMessageHeader(TIdMessage &message, const std::string &alternative = std::string());
  // Reads and decodes the body up to `endLine`.
  virtual void ReadMessageBody(TIdMessage &message, const std::string &endLine = ".");
  void ReadMessage(TIdMessage &message, bool headersOnly = false);
  void ReadMessageFromStream(TIdMessage &message, TIdStream &stream, bool headersOnly = false);

  // The whole message except its final "." line.
  virtual void WriteMessage(TIdMessage &message, bool headersOnly = false);
  virtual void WriteMessageHeader(TIdMessage &message);
  virtual void WriteMessageBody(TIdMessage &message);
  // Body lines, a leading '.' doubled.
  virtual void WriteBodyLines(TIdMessage &message);

  // Status texts ("Encoding text", "Encoding attachment").
  std::function<void(const std::string &status)> OnStatus;

protected:
  void DoStatus(const std::string &status) {
    if (OnStatus)
      OnStatus(status);
  }

private:
  friend void mv::ReadForwardedMessages(TIdMessage &message, int depth);
  void ReadBodyParts(TIdMessage &message, mv::MessageReadContext &context);
  std::unique_ptr<TIdMessageDecoder> StartDecoder(TIdMessage &message, mv::MessageReadContext &context,
                                                  std::string_view line);
  std::unique_ptr<TIdMessageDecoder> MakeTextPart(TIdMessage &message, TIdMessageDecoder &decoder,
                                                  bool &ended);
  std::unique_ptr<TIdMessageDecoder> MakeAttachment(TIdMessage &message, TIdMessageDecoder &decoder,
                                                    bool &ended);
  // After a failure inside a message: reads and drops everything up to its
  // end line so that the next command's reply is read in step.
  void SkipToMessageEnd(const std::string &endLine);
  // How many forwarded messages the message being read lies inside.
  int FForwardDepth = 0;
  // The body's four shapes: plain text, text parts only, MIME with
  // attachments, and the plain text followed by UUE blocks.
  void WritePlainBody(TIdMessage &message);
  void WriteTextParts(const std::vector<TIdText *> &texts, const std::string &boundary);
  void WriteMimeBody(TIdMessage &message, const std::vector<TIdText *> &texts,
                     const std::vector<TIdAttachment *> &attachments);
  void WriteUUBody(TIdMessage &message, const std::vector<TIdAttachment *> &attachments);
  void WriteDelimiter(const std::string &boundary, bool closing);
  void WriteTextPart(TIdText &part);
  void WriteAttachmentHeader(TIdAttachment &part);
  void WriteAttachment(TIdAttachment &part);
  void WriteForwardedMessage(TIdAttachment &part);
};

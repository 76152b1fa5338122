// The reading half of the message client.
#include "mime/IdIOHandlerStream.h"
#include "mime/IdMessageClient.h"
#include "mime/IdMessageCoderMIME.h"
#include "mime/IdTempFile.h"
#include "mime/MessageReadContext.h"
#include "mime/TextLinesStream.h"
#include "net/IdExceptions.h"
#include "platform/FileSystem.h"

#include <utility>

namespace {
// Between parts, a closing line of any open multipart level closes it and
// every level inside it: otherwise its boundary would stay open and hide
// every later part.
bool ClosesMultipart(TIdMIMEBoundary &stack, std::string_view line) {
  bool closing = false;
  const int level = mv::MatchBoundaryLine(stack, line, closing);
  if (level < 0 || !closing)
    return false;
  stack.PopAbove(level);
  stack.Pop();
  return true;
}
} // namespace

void TIdMessageClient::SkipToMessageEnd(const std::string &endLine) {
  // Split reads keep an overlong line from failing again; only a whole line
  // can be the end line.
  const TIdMaxLineAction action = MaxLineAction;
  MaxLineAction = maSplit;
  try {
    bool atLineStart = true;
    for (;;) {
      const std::string_view line = ReadLineView();
      const bool split = ReadLnSplit();
      if (atLineStart && !split && line == endLine)
        break;
      atLineStart = !split;
    }
  } catch (const std::exception &) {
    // The connection itself failed: there is nothing left to skip.
  }
  MaxLineAction = action;
}

std::string TIdMessageClient::ReadMessageHeader(TIdMessage &message, const std::string &alternative) {
  TIdWorkScope work(*this, wmRead);
  std::string line;
  try {
    for (;;) {
      line = ReadLine();
      if ((alternative.empty() && line == ".") || line == alternative)
        break;
      if (!line.empty())
        message.HeaderLines.Add(line);
    }
  } catch (const EIdReadLnMaxLineLengthExceeded &) {
    SkipToMessageEnd(".");
    throw;
  }
  try {
    message.ApplyHeaderLines();
  } catch (const std::exception &) {
    if (line.empty() && alternative.empty())
      SkipToMessageEnd(".");
    throw;
  }
  return line;
}

void TIdMessageClient::ReadMessageBody(TIdMessage &message, const std::string &endLine) {
  TIdWorkScope work(*this, wmRead);
  mv::MessageReadContext context(*this, endLine);
  try {
    if (message.NoDecode) {
      std::string_view line;
      for (;;) {
        if (const std::string_view lines = context.NextPlainLines(); !lines.empty())
          message.Body.AppendLines(lines);
        else if (context.NextLine(line))
          message.Body.push_back(line);
        else
          return;
      }
    }
    ReadBodyParts(message, context);
  } catch (const std::exception &) {
    // The next command's reply must be read in step; a decoder that already
    // met the end line leaves nothing to skip, and reading on would wait for
    // a line the server never sends.
    if (!context.Ended())
      SkipToMessageEnd(endLine);
    throw;
  }
  mv::ReadForwardedMessages(message, FForwardDepth);
}

void TIdMessageClient::ReadBodyParts(TIdMessage &message, mv::MessageReadContext &context) {
  // The header's boundary opens the outermost multipart.
  context.Boundaries = std::exchange(message.BoundaryStack, TIdMIMEBoundary());
  std::unique_ptr<TIdMessageDecoder> decoder;
  std::string_view line;
  for (;;) {
    // Lines no decoder could start at go to the body in bulk.
    if (const std::optional<std::string> starts = TIdMessageDecoderList::StartBytes(message, context)) {
      if (const std::string_view lines = context.NextPlainLines(*starts); !lines.empty()) {
        message.Body.AppendLines(lines);
        continue;
      }
    }
    if (!context.NextLine(line))
      break;
    if (ClosesMultipart(context.Boundaries, line))
      continue;
    decoder = StartDecoder(message, context, line);
    if (!decoder) {
      message.Body.push_back(line);
      continue;
    }
    bool ended = false;
    while (decoder) {
      decoder->ReadPartHeader();
      switch (decoder->PartKind) {
      case pkUnknown: // the message ended before the part had a header
        decoder.reset();
        break;
      case pkText:
        context.CountPart();
        decoder = MakeTextPart(message, *decoder, ended);
        break;
      case pkAttachment:
        context.CountPart();
        decoder = MakeAttachment(message, *decoder, ended);
        break;
      }
    }
    if (ended)
      break;
  }
}

std::unique_ptr<TIdMessageDecoder>
TIdMessageClient::StartDecoder(TIdMessage &message, mv::MessageReadContext &context, std::string_view line) {
  // Between parts, a delimiter of any open multipart level starts a part,
  // not only one of the innermost level.
  bool closing = false;
  TIdMIMEBoundary &stack = context.Boundaries;
  const int level = mv::MatchBoundaryLine(stack, line, closing);
  if (level >= 0 && !closing && level < stack.Count() - 1) {
    stack.PopAbove(level);
    return std::make_unique<TIdMessageDecoderMIME>(message, context);
  }
  return TIdMessageDecoderList::FindDecoder(message, context, line);
}

std::unique_ptr<TIdMessageDecoder> TIdMessageClient::MakeTextPart(TIdMessage &message,
                                                                  TIdMessageDecoder &decoder, bool &ended) {
  TIdLines lines;
  mv::TextLinesStream stream(lines);
  std::unique_ptr<TIdMessageDecoder> next = decoder.ReadPartBody(stream, ended);
  stream.Finish();
  TIdText &part = message.Parts.AddText(std::move(lines));
  // Whether the last line had its own break: a copy then writes the text
  // back byte for byte.
  part.FinalLineBreak = stream.FinalLineBreak();
  part.HeaderLines.AddPlainValues(decoder.PartHeaders);
  return next;
}

std::unique_ptr<TIdMessageDecoder> TIdMessageClient::MakeAttachment(TIdMessage &message,
                                                                    TIdMessageDecoder &decoder, bool &ended) {
  const std::string path = mv::NewTempFileName();
  try {
    std::unique_ptr<TIdMessageDecoder> next;
    {
      TIdFileStream file(path, TIdFileMode::fmCreate);
      mv::BufferedWriteStream out(file);
      next = decoder.ReadPartBody(out, ended);
      out.Flush();
    }
    TIdAttachment &part = message.Parts.AddAttachment(path);
    part.SetStoredFileTemporary(true);
    part.DeleteStoredFile = message.DeleteTempFiles;
    part.HeaderLines.AddPlainValues(decoder.PartHeaders);
    part.FileName = decoder.Filename;
    return next;
  } catch (...) {
    // The part is not added, so nothing else would ever remove its file.
    mv::DeleteFileAt(path);
    throw;
  }
}

void TIdMessageClient::ReadMessage(TIdMessage &message, bool headersOnly) {
  if (!IOHandler())
    return;
  if (ReadMessageHeader(message).empty() && !headersOnly)
    ReadMessageBody(message, ".");
}

void TIdMessageClient::ReadMessageFromStream(TIdMessage &message, TIdStream &stream, bool headersOnly) {
  TIdIOHandlerStreamMsg channel;
  channel.FreeStreams = false;
  channel.SetInputStream(&stream);
  SetIOHandler(&channel);
  try {
    Connect();
    ReadMessage(message, headersOnly);
  } catch (...) {
    Disconnect();
    SetIOHandler(nullptr);
    throw;
  }
  Disconnect();
  SetIOHandler(nullptr);
}

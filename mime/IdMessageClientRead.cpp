// The reading half of the message client.
#include "mime/IdIOHandlerStream.h"
#include "mime/IdMessageClient.h"
#include "mime/IdMessageCoderMIME.h"
#include "mime/IdTempFile.h"
#include "net/IdExceptions.h"
#include "platform/FileSystem.h"

namespace {
// Decoded text split at CR LF, CR or LF; a final break adds no empty line and
// a NUL byte ends the text.
std::vector<std::string> SplitTextLines(const std::string &bytes) {
  std::vector<std::string> lines;
  const size_t end = std::min(bytes.find('\0'), bytes.size());
  size_t start = 0;
  while (start < end) {
    size_t brk = bytes.find_first_of("\r\n", start);
    if (brk == std::string::npos || brk >= end) {
      lines.push_back(bytes.substr(start, end - start));
      break;
    }
    lines.push_back(bytes.substr(start, brk - start));
    start = brk + ((bytes[brk] == '\r' && brk + 1 < end && bytes[brk + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

// Brackets a transfer with begin and end of read work, also on failure.
class ReadWork {
public:
  explicit ReadWork(TIdComponent &component) : FComponent(component) { FComponent.BeginWork(wmRead); }
  ~ReadWork() { FComponent.EndWork(wmRead); }
  ReadWork(const ReadWork &) = delete;
  ReadWork &operator=(const ReadWork &) = delete;

private:
  TIdComponent &FComponent;
};
} // namespace

void TIdMessageClient::SkipToMessageEnd(const std::string &endLine) {
  // Split reads keep an overlong line from failing again; only a whole line
  // can be the end line.
  const TIdMaxLineAction action = MaxLineAction;
  MaxLineAction = maSplit;
  try {
    bool atLineStart = true;
    for (;;) {
      const std::string line = ReadLine();
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
  ReadWork work(*this);
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
  ReadWork work(*this);
  if (message.NoDecode) {
    ReadLinesUntil(message.Body, endLine, true);
    return;
  }
  ReadBodyParts(message, endLine);
}

void TIdMessageClient::ReadBodyParts(TIdMessage &message, const std::string &endLine) {
  bool ended = false;
  bool endLineRead = false;
  std::unique_ptr<TIdMessageDecoder> decoder;
  try {
    while (!ended) {
      std::string line = ReadLine();
      if (line == endLine) {
        endLineRead = true;
        break;
      }
      if (!decoder) {
        // Between parts, a boundary line of any open multipart level counts,
        // not only the innermost: a closing line that arrives here would
        // otherwise leave its boundary open and hide every later part.
        bool closing = false;
        const int level = mv::MatchBoundaryLine(message, line, closing);
        TIdMIMEBoundary &stack = message.BoundaryStack;
        if (level >= 0 && (closing || level < stack.Count() - 1)) {
          stack.PopAbove(level);
          if (closing) {
            stack.Pop();
            continue;
          }
          decoder = std::make_unique<TIdMessageDecoderMIME>(message);
        } else {
          decoder = TIdMessageDecoderList::FindDecoder(message, line);
        }
      }
      if (!decoder) {
        if (line.size() > 1 && line[0] == '.' && line[1] == '.')
          line.erase(0, 1);
        message.Body.push_back(std::move(line));
        continue;
      }
      while (decoder) {
        decoder->SetSource(std::make_unique<TIdTCPStream>(*this));
        decoder->ReadPartHeader();
        switch (decoder->PartKind) {
        case pkUnknown:
          endLineRead = true; // the part header ran into the end line
          throw EIdException("Unknown Message Part Type.");
        case pkText:
          decoder = MakeTextPart(message, *decoder, ended);
          break;
        case pkAttachment:
          decoder = MakeAttachment(message, *decoder, ended);
          break;
        }
      }
      endLineRead = ended;
    }
  } catch (const std::exception &) {
    if (!endLineRead)
      SkipToMessageEnd(endLine);
    throw;
  }
}

std::unique_ptr<TIdMessageDecoder> TIdMessageClient::MakeTextPart(TIdMessage &message,
                                                                  TIdMessageDecoder &decoder, bool &ended) {
  TIdMemoryStream stream;
  std::unique_ptr<TIdMessageDecoder> next = decoder.ReadPartBody(stream, ended);
  // The line break before a boundary line belongs to the boundary: without
  // this, every copy written and read again would gain an empty last line.
  std::string text = stream.DataString();
  if (!ended && text.ends_with("\r\n"))
    text.resize(text.size() - 2);
  else if (!ended && text.ends_with("\n"))
    text.pop_back();
  TIdText &part = message.Parts.AddText(SplitTextLines(text));
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

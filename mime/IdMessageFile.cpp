// Message files: the SMTP transfer form of a message followed by a "." line.
#include "mime/IdIOHandlerStream.h"
#include "mime/IdMessage.h"
#include "mime/IdMessageClient.h"
#include "platform/FileSystem.h"

namespace {
// Writes go out in blocks of this size rather than line by line.
constexpr int FileWriteThreshold = 32768;
} // namespace

void TIdMessage::WriteToFile(const std::string &path, bool headersOnly) {
  if (mv::FileExists(path))
    mv::DeleteFileAt(path);
  TIdFileStream file(path, TIdFileMode::fmCreate);
  WriteToStream(file, headersOnly);
}

void TIdMessage::WriteToStream(TIdStream &stream, bool headersOnly) {
  TIdMessageClient client;
  TIdIOHandlerStream channel;
  channel.FreeStreams = false;
  channel.SetOutputStream(&stream);
  client.SetIOHandler(&channel);
  client.BeginBufferedWrites(FileWriteThreshold);
  try {
    client.Connect();
    client.WriteMessage(*this, headersOnly);
    if (!headersOnly)
      client.WriteLine(".");
  } catch (...) {
    // What was produced so far still reaches the stream.
    try {
      client.EndBufferedWrites();
    } catch (const std::exception &) {
    }
    client.Disconnect();
    client.SetIOHandler(nullptr);
    throw;
  }
  client.EndBufferedWrites();
  client.Disconnect();
  client.SetIOHandler(nullptr);
}

void TIdMessage::ReadFromFile(const std::string &path, bool headersOnly) {
  if (!mv::FileExists(path))
    throw EIdMessageCannotLoad("Cannot load message from file " + path);
  TIdFileStream file(path, TIdFileMode::fmOpenRead);
  ReadFromStream(file, headersOnly);
}

void TIdMessage::ReadFromStream(TIdStream &stream, bool headersOnly) {
  ResetMessage();
  TIdMessageClient client;
  client.ReadMessageFromStream(*this, stream, headersOnly);
}

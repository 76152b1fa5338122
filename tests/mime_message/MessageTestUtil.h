#pragma once
// Helpers shared by the message tests: messages from and to text.
#include "mime/IdIOHandlerStream.h"
#include "mime/IdMessage.h"
#include "mime/IdMessageClient.h"
#include "mime/IdStream.h"
#include "tests/support/Files.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testutil {
// A message client connected to text in memory, as to a server's replies.
struct StreamClient {
  explicit StreamClient(const std::string &text) : input(text) {
    channel.FreeStreams = false;
    channel.SetInputStream(&input);
    client.SetIOHandler(&channel);
    client.Connect();
  }
  TIdMemoryStream input;
  TIdIOHandlerStream channel;
  TIdMessageClient client;
};

// Joins lines with CR LF (each line ended).
inline std::string Crlf(const std::vector<std::string> &lines) {
  std::string out;
  for (const std::string &l : lines)
    out += l + "\r\n";
  return out;
}

inline void ReadMessageText(TIdMessage &message, const std::string &text) {
  TIdMemoryStream stream(text);
  message.ReadFromStream(stream);
}

inline std::string WriteMessageText(TIdMessage &message, bool headersOnly = false) {
  TIdMemoryStream stream;
  message.WriteToStream(stream, headersOnly);
  return stream.DataString();
}

using mvtest::ReadBytes;

inline TIdAttachment *AttachmentAt(TIdMessage &message, int n) {
  for (int i = 0; i < message.Parts.Count(); ++i)
    if (auto *a = dynamic_cast<TIdAttachment *>(&message.Parts[i]))
      if (n-- == 0)
        return a;
  return nullptr;
}

inline TIdText *TextAt(TIdMessage &message, int n) {
  for (int i = 0; i < message.Parts.Count(); ++i)
    if (auto *t = dynamic_cast<TIdText *>(&message.Parts[i]))
      if (n-- == 0)
        return t;
  return nullptr;
}
} // namespace testutil

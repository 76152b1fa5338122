// Reads arbitrary bytes as the replies of a mail server, one reply after
// another, as the SMTP and POP3 clients read them.
#include "mime/IdIOHandlerStream.h"
#include "mime/IdStream.h"
#include "net/IdPOP3.h"
#include "net/IdTCPClient.h"

#include <cstddef>
#include <cstdint>

namespace {
template <class Client> void ReadReplies(const std::string &bytes) {
  TIdMemoryStream input(bytes);
  TIdIOHandlerStream channel;
  channel.FreeStreams = false;
  channel.SetInputStream(&input);
  Client client;
  client.SetIOHandler(&channel);
  try {
    client.Connect();
    while (input.Position() < input.Size())
      client.ReadReply(-1);
  } catch (const std::exception &) {
  }
  client.SetIOHandler(nullptr);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  ReadReplies<TIdTCPClient>(bytes);
  ReadReplies<TIdPOP3>(bytes);
  return 0;
}

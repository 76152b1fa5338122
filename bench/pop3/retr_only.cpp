// RETR of every message with TIdPOP3 and the message left undecoded
// (NoDecode: the body lines are only read), so that the connection's line
// reading is measured alone, the way poplib's RETR loop measures python's.
//
// usage: retr_only HOST PORT USER PASSWORD RECV_BUFFER_SIZE [CAFILE]   (prints bytes read)
// With CAFILE the connection is TLS from the first byte, checked against it.
#include "mime/IdMessage.h"
#include "net/IdPOP3.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

int main(int argc, char **argv) {
  if (argc != 6 && argc != 7) {
    std::fprintf(stderr, "usage: retr_only HOST PORT USER PASSWORD RECV_BUFFER_SIZE [CAFILE]\n");
    return 2;
  }
  try {
    TIdPOP3 pop;
    pop.Host = argv[1];
    pop.Port = std::atoi(argv[2]);
    pop.Username = argv[3];
    pop.Password = argv[4];
    pop.RecvBufferSize = std::atoi(argv[5]);
    if (argc == 7) {
      pop.TLS.Mode = TIdTLSOptions::tlsImplicit;
      pop.TLS.CAFile = argv[6];
    }
    std::int64_t bytes = 0;
    pop.OnWork = [&bytes](TIdComponent &, TWorkMode mode, std::int64_t) { (void)mode; };
    pop.Connect();
    const int count = pop.CountMessages();
    for (int n = 1; n <= count; ++n) {
      TIdMessage message;
      message.NoDecode = true;
      if (!pop.RetrieveMessage(n, message))
        throw std::runtime_error("RETR refused");
      for (std::string_view line : message.Body)
        bytes += static_cast<std::int64_t>(line.size()) + 2;
    }
    pop.Disconnect();
    std::printf("%lld\n", static_cast<long long>(bytes));
  } catch (const std::exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

// pop3-fetch: logs in to a POP3 server, fetches every message the way the
// mail check does (TOP n 0, LIST n, RETR n) and writes each one as n.eml.
#include "cli/Command.h"
#include "cli/Options.h"
#include "mime/IdMessage.h"
#include "net/IdPOP3.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <iostream>
#include <stdexcept>

namespace {
constexpr const char *kUsage = "pop3-fetch --host H --port P --user U --password W --out DIR [--delete] "
                               "[--recv-buffer N] [--security none|tls|starttls] [--cafile FILE] "
                               "[--fingerprint HEX]";

struct FetchOptions {
  std::string Host;
  int Port = 110;
  std::string User;
  std::string Password;
  std::string OutDir;
  bool Delete = false;
  // The courier receives at most 1024 bytes at a time; other sizes are for
  // measuring what that limit costs.
  int RecvBufferSize = 1024;
  TIdTLSOptions TLS;
};

FetchOptions ParseFetchOptions(const std::vector<std::string> &args) {
  const CliOptions given(args,
                         {"--host", "--port", "--user", "--password", "--out", "--recv-buffer", "--security",
                          "--cafile", "--fingerprint"},
                         {"--delete"});
  if (!given.Has("--host") || !given.Has("--out"))
    throw std::runtime_error("usage: " + std::string(kUsage));
  FetchOptions options;
  options.Host = given.Value("--host");
  options.Port = given.Number("--port", options.Port);
  options.User = mv::Utf8ToWin1251(given.Value("--user"));
  options.Password = mv::Utf8ToWin1251(given.Value("--password"));
  options.OutDir = mv::FromDiskPath(given.Value("--out"));
  if (options.OutDir.back() != '/')
    options.OutDir += '/';
  options.Delete = given.Has("--delete");
  options.RecvBufferSize = given.Number("--recv-buffer", options.RecvBufferSize);
  if (options.RecvBufferSize < 1)
    throw std::runtime_error("--recv-buffer must be at least 1");
  options.TLS = TLSOptionsFrom(given, options.Port);
  return options;
}

int RunPop3Fetch(const std::vector<std::string> &args) {
  const FetchOptions options = ParseFetchOptions(args);
  if (!mv::ForceDirectories(options.OutDir))
    throw std::runtime_error("cannot create " + mv::ToDiskPath(options.OutDir));
  TIdPOP3 pop;
  pop.Host = options.Host;
  pop.Port = options.Port;
  pop.Username = options.User;
  pop.Password = options.Password;
  pop.RecvBufferSize = options.RecvBufferSize;
  pop.TLS = options.TLS;
  pop.Connect();
  try {
    const int count = pop.CountMessages();
    for (int n = 1; n <= count; ++n) {
      TIdMessage headers;
      pop.RetrieveHeaders(n, headers);
      const int size = pop.MessageSize(n);
      TIdMessage message;
      if (!pop.RetrieveMessage(n, message))
        throw std::runtime_error("RETR " + std::to_string(n) + " refused: " +
                                 mv::Win1251ToUtf8(pop.LastCmdResult().Text.empty()
                                                       ? std::string()
                                                       : pop.LastCmdResult().Text[0]));
      message.WriteToFile(options.OutDir + std::to_string(n) + ".eml");
      if (options.Delete)
        pop.DeleteMessage(n);
      std::cout << n << " " << size << " " << mv::Win1251ToUtf8(headers.Subject) << "\n";
    }
    pop.Disconnect();
    std::cout << count << " messages\n";
  } catch (...) {
    // Leave without QUIT so that no deletion mark is committed after a failure.
    pop.DropConnection();
    throw;
  }
  return 0;
}

CliCommand pop3FetchCommand{
    "pop3-fetch", kUsage,
    "Fetch every message of a POP3 mailbox into DIR/n.eml (with --delete, remove them from the server)",
    &RunPop3Fetch};
} // namespace

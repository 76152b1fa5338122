// smtp-send: composes a message the way the message editor does and sends it
// with the SMTP client. Texts on the command line and in the body file are
// UTF-8; the message carries them as Windows-1251.
#include "cli/Command.h"
#include "cli/Options.h"
#include "mime/IdMessage.h"
#include "mime/IdStream.h"
#include "net/IdSMTP.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <iostream>
#include <stdexcept>

namespace {
struct SendOptions {
  std::string Host;
  int Port = 25;
  std::string User;
  std::string Password;
  TAuthenticationType Auth = atNone;
  TIdTLSOptions TLS;
  std::string From;
  std::string To;
  std::string CC;
  std::string Subject;
  std::string BodyFile;
  std::vector<std::string> Attachments;
};

SendOptions ParseSendOptions(const std::vector<std::string> &args) {
  const CliOptions given(args,
                         {"--host", "--port", "--user", "--password", "--auth", "--from", "--to", "--cc",
                          "--subject", "--body-file", "--attach", "--security", "--cafile", "--fingerprint"});
  if (!given.Has("--host") || given.Value("--from").empty())
    throw std::runtime_error("usage: smtp-send --host H --port P --from A --to LIST ... (see --help)");
  const std::string auth = given.Value("--auth", "none");
  if (auth != "login" && auth != "plain" && auth != "none")
    throw std::runtime_error("--auth takes login, plain or none");
  SendOptions options;
  options.Host = given.Value("--host");
  options.Port = given.Number("--port", options.Port);
  options.User = mv::Utf8ToWin1251(given.Value("--user"));
  options.Password = mv::Utf8ToWin1251(given.Value("--password"));
  options.Auth = auth == "login" ? atLogin : auth == "plain" ? atPlain : atNone;
  options.TLS = TLSOptionsFrom(given, options.Port);
  options.From = mv::Utf8ToWin1251(given.Value("--from"));
  options.To = mv::Utf8ToWin1251(given.Value("--to"));
  options.CC = mv::Utf8ToWin1251(given.Value("--cc"));
  options.Subject = mv::Utf8ToWin1251(given.Value("--subject"));
  options.BodyFile = mv::FromDiskPath(given.Value("--body-file"));
  for (const std::string &path : given.Values("--attach"))
    options.Attachments.push_back(mv::FromDiskPath(path));
  return options;
}

// The body file's lines, split at CR LF, CR or LF.
std::vector<std::string> BodyLines(const std::string &path) {
  TIdFileStream file(path, TIdFileMode::fmOpenRead);
  const std::string text = mv::Utf8ToWin1251(file.ReadToEnd());
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(line);
      line.clear();
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else {
      line += text[i];
    }
  }
  if (!line.empty())
    lines.push_back(line);
  return lines;
}

int RunSmtpSend(const std::vector<std::string> &args) {
  const SendOptions options = ParseSendOptions(args);
  TIdMessage message;
  message.ContentType = "text/plain";
  message.SetAttachmentEncoding("MIME");
  if (!options.BodyFile.empty())
    message.Body = BodyLines(options.BodyFile);
  message.From.SetText(options.From);
  message.ReplyTo.SetAddressesText(options.From);
  message.Recipients.SetAddressesText(options.To);
  message.Subject = options.Subject;
  message.Priority = mpNormal;
  message.CCList.SetAddressesText(options.CC);
  message.BccList.SetAddressesText(std::string());
  for (const std::string &path : options.Attachments)
    message.Parts.AddAttachment(path);

  TIdSMTP smtp;
  smtp.Host = options.Host;
  smtp.Port = options.Port;
  smtp.Username = options.User;
  smtp.Password = options.Password;
  smtp.SetAuthenticationType(options.Auth);
  smtp.TLS = options.TLS;
  smtp.Connect();
  try {
    smtp.SendMessage(message);
  } catch (...) {
    smtp.Disconnect();
    throw;
  }
  smtp.Disconnect();
  std::cout << "sent to " << message.Recipients.Count() + message.CCList.Count() << " recipients\n";
  return 0;
}

CliCommand smtpSendCommand{
    "smtp-send",
    "smtp-send --host H --port P [--user U --password W --auth login|plain] --from A --to LIST [--cc LIST] "
    "[--subject S] [--body-file F] [--attach FILE]... [--security none|tls|starttls] [--cafile FILE] "
    "[--fingerprint HEX]",
    "Compose a message as the message editor does and send it over SMTP", &RunSmtpSend};
} // namespace

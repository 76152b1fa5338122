#pragma once
// The SMTP client (RFC 821/2821 with EHLO, AUTH LOGIN and AUTH PLAIN, TLS
// from the first byte or by STARTTLS) as the message editor uses it: connect
// and greet, send one message (envelope, DATA, the message text, "."), leave.
#include "mime/IdMessageClient.h"
#include "net/IdSMTPCapabilities.h"

#include <string>
#include <vector>

// The numbers are those stored in the settings.
enum TAuthenticationType { atNone = 0, atLogin = 1, atPlain = 2 };

class TIdSMTP : public TIdMessageClient {
public:
  // Port 25; 8192-byte receives and a failure on over-long lines, as the
  // editor runs it.
  TIdSMTP();

  std::string Username;
  std::string Password;
  // Empty: the local host name is used in EHLO/HELO.
  std::string HeloName;
  // Empty: no X-Mailer header is sent.
  std::string MailAgent;

  TAuthenticationType AuthenticationType() const { return FAuthenticationType; }
  // A log-in type also switches UseEhlo on (AUTH is announced only in the EHLO reply).
  void SetAuthenticationType(TAuthenticationType type);
  bool UseEhlo() const { return FUseEhlo; }
  // Switching EHLO off also switches authentication off.
  void SetUseEhlo(bool useEhlo);

  // TCP connect (TLS first when TLS asks for implicit TLS), greeting 220, EHLO
  // (collecting the AUTH mechanisms) or HELO. With STARTTLS asked for, the
  // server must offer and accept it, and EHLO is sent again over TLS; else the
  // connect fails before anything else is sent. A failure after the TCP
  // connect sends QUIT (when the link still works) and closes before it propagates.
  void Connect(int timeout = IdTimeoutDefault) override;
  // RSET, AUTH LOGIN or PLAIN when configured and announced, MAIL FROM, RCPT
  // TO for To, CC and BCC, DATA, the message, ".".
  void SendMessage(TIdMessage &message);
  // AUTH LOGIN, or AUTH PLAIN (RFC 4616) with the credentials in the command,
  // with Username and Password; false for atNone.
  bool Authenticate();
  // QUIT without waiting for the reply, then close.
  void Disconnect() override;

  // The mechanisms the server announced, upper case, each once.
  const std::vector<std::string> &AuthSchemesSupported() const { return FCapabilities.AuthSchemes; }
  bool DidAuthenticate() const { return FDidAuthenticate; }

private:
  void Greet(const std::string &name);
  void SwitchToTLS(const std::string &name);
  bool AuthSchemeAnnounced(const std::string &scheme) const;

  TAuthenticationType FAuthenticationType = atNone;
  bool FUseEhlo = true;
  TIdEhloCapabilities FCapabilities;
  bool FDidAuthenticate = false;
};

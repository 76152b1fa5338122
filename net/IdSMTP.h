#pragma once
// The SMTP client (RFC 821/2821 with EHLO and AUTH LOGIN) as the message
// editor uses it: connect and greet, send one message (envelope, DATA, the
// message text, "."), leave.
#include "mime/IdMessageClient.h"

#include <string>
#include <vector>

enum TAuthenticationType { atNone, atLogin };

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
  // atLogin also switches UseEhlo on (AUTH is announced only in the EHLO reply).
  void SetAuthenticationType(TAuthenticationType type);
  bool UseEhlo() const { return FUseEhlo; }
  // Switching EHLO off also switches authentication off.
  void SetUseEhlo(bool useEhlo);

  // TCP connect, greeting 220, EHLO (collecting the AUTH mechanisms) or HELO.
  // A failure after the TCP connect sends QUIT and closes before it propagates.
  void Connect(int timeout = IdTimeoutDefault) override;
  // RSET, AUTH LOGIN when configured and announced, MAIL FROM, RCPT TO for To,
  // CC and BCC, DATA, the message, ".".
  void SendMessage(TIdMessage &message);
  // AUTH LOGIN with Username and Password; false for atNone.
  bool Authenticate();
  // QUIT without waiting for the reply, then close.
  void Disconnect() override;

  // The mechanisms the server announced, upper case, each once.
  const std::vector<std::string> &AuthSchemesSupported() const { return FAuthSchemesSupported; }
  bool DidAuthenticate() const { return FDidAuthenticate; }

private:
  void CollectAuthSchemes();
  bool AuthSchemeAnnounced(const std::string &scheme) const;

  TAuthenticationType FAuthenticationType = atNone;
  bool FUseEhlo = true;
  std::vector<std::string> FAuthSchemesSupported;
  bool FDidAuthenticate = false;
};

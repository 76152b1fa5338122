#include "net/IdSMTP.h"

#include "mime/IdCoderMIME.h"
#include "net/IdExceptions.h"
#include "net/IdStack.h"
#include "platform/CodePage.h"

#include <algorithm>

TIdSMTP::TIdSMTP() {
  Port = 25;
  RecvBufferSize = 8192;
  MaxLineAction = maException;
}

void TIdSMTP::SetAuthenticationType(TAuthenticationType type) {
  FAuthenticationType = type;
  if (type != atNone)
    FUseEhlo = true;
}

void TIdSMTP::SetUseEhlo(bool useEhlo) {
  FUseEhlo = useEhlo;
  if (!useEhlo)
    FAuthenticationType = atNone;
}

void TIdSMTP::Connect(int timeout) {
  TIdMessageClient::Connect(timeout);
  try {
    ReadReply(220);
    const std::string name = HeloName.empty() ? GStack->HostName() : HeloName;
    Greet(name);
    if (TLS.Mode == TIdTLSOptions::tlsStartTLS)
      SwitchToTLS(name);
  } catch (...) {
    // The refused greeting is what the user must see, not a failure of the farewell.
    try {
      Disconnect();
    } catch (const Exception &) {
    }
    throw;
  }
}

void TIdSMTP::Greet(const std::string &name) {
  FCapabilities = TIdEhloCapabilities();
  if (FUseEhlo && SendCommand("EHLO " + name) == 250) {
    FCapabilities = ParseEhloCapabilities(LastCmdResult().Text);
    return;
  }
  SendCommand("HELO " + name, 250);
}

// STARTTLS (RFC 3207). Asked for, it is never skipped: a server that does not
// offer or refuses it ends the connect before any credentials could go out
// in clear. What the server announced before the switch is forgotten.
void TIdSMTP::SwitchToTLS(const std::string &name) {
  if (!FCapabilities.StartTLS)
    throw EIdTLSError(mv::Utf8ToWin1251("Сервер SMTP не предлагает защищённое соединение (STARTTLS)"));
  if (SendCommand("STARTTLS") != 220) {
    const std::vector<std::string> &text = LastCmdResult().Text;
    throw EIdTLSError(
        mv::Utf8ToWin1251("Сервер SMTP отказался перейти на защищённое соединение (STARTTLS): ") +
        (text.empty() ? std::string() : text.front()));
  }
  StartTLS();
  Greet(name);
}

bool TIdSMTP::AuthSchemeAnnounced(const std::string &scheme) const {
  return std::any_of(FCapabilities.AuthSchemes.begin(), FCapabilities.AuthSchemes.end(),
                     [&scheme](const std::string &known) { return mv::SameText1251(known, scheme); });
}

void TIdSMTP::SendMessage(TIdMessage &message) {
  SendCommand("RSET");
  const char *mechanism = FAuthenticationType == atLogin   ? "LOGIN"
                          : FAuthenticationType == atPlain ? "PLAIN"
                                                           : nullptr;
  if (mechanism && AuthSchemeAnnounced(mechanism) && !FDidAuthenticate)
    Authenticate();
  SendCommand("MAIL FROM:<" + message.From.Address + ">", 250);
  for (const TIdEMailAddressList *list : {&message.Recipients, &message.CCList, &message.BccList})
    for (int i = 0; i < list->Count(); ++i)
      SendCommand("RCPT TO:<" + list->Items(i).Address + ">", {250, 251});
  SendCommand("DATA", 354);
  message.ExtraHeaders.SetValue("X-Mailer", MailAgent);
  WriteMessage(message, false);
  SendCommand(".", 250);
}

bool TIdSMTP::Authenticate() {
  bool result = false;
  if (FAuthenticationType == atLogin) {
    // The prompts' texts differ between servers; only their codes count.
    SendCommand("AUTH LOGIN", 334);
    SendCommand(TIdEncoderMIME::EncodeString(Username), 334);
    SendCommand(TIdEncoderMIME::EncodeString(Password), 235);
    result = true;
  } else if (FAuthenticationType == atPlain) {
    // No authorization identity: the server derives it from the user name.
    SendCommand("AUTH PLAIN " + TIdEncoderMIME::EncodeString(std::string(1, '\0') + Username +
                                                             std::string(1, '\0') + Password),
                235);
    result = true;
  }
  FDidAuthenticate = true;
  return result;
}

void TIdSMTP::Disconnect() {
  FDidAuthenticate = false;
  try {
    if (IsConnected())
      WriteLine("QUIT");
  } catch (...) {
    TIdMessageClient::Disconnect();
    throw;
  }
  TIdMessageClient::Disconnect();
}

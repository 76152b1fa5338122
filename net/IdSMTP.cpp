#include "net/IdSMTP.h"

#include "mime/IdCoderMIME.h"
#include "net/IdExceptions.h"
#include "net/IdStack.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <sstream>

TIdSMTP::TIdSMTP() {
  Port = 25;
  RecvBufferSize = 8192;
  MaxLineAction = maException;
}

void TIdSMTP::SetAuthenticationType(TAuthenticationType type) {
  FAuthenticationType = type;
  if (type == atLogin)
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
    FAuthSchemesSupported.clear();
    const std::string name = HeloName.empty() ? GStack->HostName() : HeloName;
    if (FUseEhlo && SendCommand("EHLO " + name) == 250) {
      CollectAuthSchemes();
      return;
    }
    SendCommand("HELO " + name, 250);
  } catch (...) {
    // The refused greeting is what the user must see, not a failure of the farewell.
    try {
      Disconnect();
    } catch (const Exception &) {
    }
    throw;
  }
}

// "250-AUTH PLAIN LOGIN" and the older "250-AUTH=LOGIN" both announce LOGIN.
void TIdSMTP::CollectAuthSchemes() {
  for (const std::string &entry : LastCmdResult().Text) {
    std::string line = mv::UpperCase1251(entry);
    if (line.compare(0, 5, "AUTH ") != 0 && line.compare(0, 5, "AUTH=") != 0)
      continue;
    std::string rest = line.substr(4);
    std::replace(rest.begin(), rest.end(), '=', ' ');
    std::istringstream words(rest);
    std::string word;
    while (words >> word)
      if (!AuthSchemeAnnounced(word))
        FAuthSchemesSupported.push_back(word);
  }
}

bool TIdSMTP::AuthSchemeAnnounced(const std::string &scheme) const {
  return std::any_of(FAuthSchemesSupported.begin(), FAuthSchemesSupported.end(),
                     [&scheme](const std::string &known) { return mv::SameText1251(known, scheme); });
}

void TIdSMTP::SendMessage(TIdMessage &message) {
  SendCommand("RSET");
  if (FAuthenticationType == atLogin && AuthSchemeAnnounced("LOGIN") && !FDidAuthenticate)
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

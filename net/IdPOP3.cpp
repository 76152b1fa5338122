#include "net/IdPOP3.h"

#include "net/IdExceptions.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"

namespace {
// The text before the first space ("" when there is none).
std::string BeforeSpace(const std::string &text) {
  const std::size_t space = text.find(' ');
  return space == std::string::npos ? std::string() : text.substr(0, space);
}

// "3 1200 extra" -> "1200": the field after the first space, up to the next one.
std::string SecondField(const std::string &text) {
  const std::size_t space = text.find(' ');
  if (space == std::string::npos)
    return std::string();
  const std::string rest = text.substr(space + 1);
  return rest.substr(0, rest.find(' '));
}
} // namespace

TIdPop3Status ClassifyPop3Status(const std::string &textCode) {
  if (mv::SameText1251(textCode, "+OK"))
    return TIdPop3Status::Ok;
  if (mv::SameText1251(textCode, "-ERR"))
    return TIdPop3Status::Err;
  return TIdPop3Status::Unrecognized;
}

TIdPOP3::TIdPOP3() {
  Port = 110;
  RecvBufferSize = 1024;
  MaxLineAction = maException;
}

void TIdPOP3::Connect(int timeout) {
  TIdMessageClient::Connect(timeout);
  try {
    ReadReply(OkCode);
    if (TLS.Mode == TIdTLSOptions::tlsStartTLS)
      SwitchToTLS();
    SendCommand("USER " + Username, OkCode);
    SendCommand("PASS " + Password, OkCode);
  } catch (...) {
    // The log-in failure is what the user must see, not a failure of the farewell.
    try {
      Disconnect();
    } catch (const Exception &) {
    }
    throw;
  }
}

// STLS (RFC 2595). Asked for, it is never skipped: a server that refuses it
// ends the log-in before the user name and password could go out in clear.
void TIdPOP3::SwitchToTLS() {
  if (SendCommand("STLS") != OkCode) {
    const std::vector<std::string> &text = LastCmdResult().Text;
    throw EIdTLSError(mv::Utf8ToWin1251("Сервер POP3 отказался перейти на защищённое соединение (STLS):") +
                      (text.empty() ? std::string() : text.front()));
  }
  StartTLS();
}

int TIdPOP3::ReadReply(const std::vector<int> &accepted) {
  ReadReplyLines();
  TIdRFCReply &reply = LastCmdResult();
  switch (ClassifyPop3Status(reply.TextCode())) {
  case TIdPop3Status::Ok:
    reply.SetNumericCode(OkCode);
    break;
  case TIdPop3Status::Err:
    reply.SetNumericCode(ErrCode);
    break;
  case TIdPop3Status::Unrecognized: {
    std::string text;
    for (const std::string &line : reply.Text)
      text += line + "\r\n";
    throw EIdException("Unrecognized POP3 Response Header:\n\"" + text + "\"");
  }
  }
  return CheckReplyCode(reply.NumericCode(), accepted);
}

int TIdPOP3::CountMessages() {
  SendCommand("STAT", OkCode);
  const std::vector<std::string> &text = LastCmdResult().Text;
  if (text.empty() || text.front().empty())
    return 0;
  return mv::StrToInt(BeforeSpace(text.front()));
}

std::int64_t TIdPOP3::MailboxSize() {
  try {
    SendCommand("LIST", OkCode);
    std::int64_t total = 0;
    for (;;) {
      const std::string line = ReadLine();
      if (line == "." || line.empty())
        break;
      total += mv::StrToIntDef(SecondField(line), 0);
    }
    return total;
  } catch (const std::exception &) {
    return -1;
  }
}

int TIdPOP3::MessageSize(int number) {
  SendCommand("LIST " + std::to_string(number), OkCode);
  const std::vector<std::string> &text = LastCmdResult().Text;
  if (text.empty())
    return -1;
  return mv::StrToIntDef(SecondField(text.front()), -1);
}

bool TIdPOP3::RetrieveHeaders(int number, TIdMessage &message) {
  SendCommand("TOP " + std::to_string(number) + " 0", OkCode);
  ReadMessageHeader(message, ".");
  return true;
}

bool TIdPOP3::RetrieveMessage(int number, TIdMessage &message) {
  if (SendCommand("RETR " + std::to_string(number)) != OkCode)
    return false;
  if (ReadMessageHeader(message, std::string()).empty())
    ReadMessageBody(message, ".");
  return true;
}

bool TIdPOP3::DeleteMessage(int number) {
  SendCommand("DELE " + std::to_string(number), OkCode);
  return true;
}

bool TIdPOP3::ResetDeletions() {
  SendCommand("RSET", OkCode);
  return true;
}

void TIdPOP3::Disconnect() {
  try {
    if (IsConnected())
      WriteLine("QUIT");
  } catch (...) {
    TIdMessageClient::Disconnect();
    throw;
  }
  TIdMessageClient::Disconnect();
}

void TIdPOP3::DropConnection() {
  TIdMessageClient::Disconnect();
}

// The command/reply half of the connection: one command line out, one reply
// (single- or multi-line) in, its code checked against what the caller accepts.
#include "net/IdExceptions.h"
#include "net/IdTCPConnection.h"
#include "platform/CodePage.h"

#include <algorithm>

namespace {
// A multi-line reply is a greeting or an EHLO list: real servers send a few
// dozen lines. A peer that never ends one would otherwise grow the collected
// lines until memory runs out.
constexpr std::size_t kMaxReplyLines = 1000;
constexpr std::size_t kMaxReplyBytes = 64 * 1024;

std::vector<int> CodeList(int code) {
  return code == -1 ? std::vector<int>() : std::vector<int>{code};
}
} // namespace

int TIdTCPConnection::SendCommand(const std::string &command, int accepted) {
  return SendCommand(command, CodeList(accepted));
}

int TIdTCPConnection::SendCommand(const std::string &command, const std::vector<int> &accepted) {
  WriteLine(command);
  return ReadReply(accepted);
}

int TIdTCPConnection::ReadReply(const std::vector<int> &accepted) {
  ReadReplyLines();
  return CheckReplyCode(FLastCmdResult.NumericCode(), accepted);
}

int TIdTCPConnection::ReadReply(int accepted) {
  return ReadReply(CodeList(accepted));
}

void TIdTCPConnection::ReadReplyLines() {
  std::vector<std::string> lines;
  lines.push_back(ReadNonBlankLine());
  const std::string &first = lines.front();
  if (first.size() > 3 && first[3] == '-') {
    // "250-..." lines go on until "250 ..." (any letter case) or a line too
    // short to carry a code and separator.
    const std::string endMark = first.substr(0, 3) + " ";
    std::size_t bytes = first.size();
    for (;;) {
      std::string line = ReadNonBlankLine();
      bytes += line.size();
      if (lines.size() >= kMaxReplyLines || bytes > kMaxReplyBytes)
        throw EIdException("Reply exceeds " + std::to_string(kMaxReplyLines) + " lines or " +
                           std::to_string(kMaxReplyBytes) + " bytes.");
      const bool last = line.size() < 4 || mv::SameText1251(line.substr(0, 4), endMark);
      lines.push_back(std::move(line));
      if (last)
        break;
    }
  }
  FLastCmdResult.ParseLines(lines);
}

int TIdTCPConnection::CheckReplyCode(int code, const std::vector<int> &accepted) {
  if (!accepted.empty() && std::find(accepted.begin(), accepted.end(), code) == accepted.end())
    RaiseReplyError();
  return code;
}

void TIdTCPConnection::RaiseReplyError() {
  std::string message;
  for (const std::string &line : FLastCmdResult.Text)
    message += line + "\r\n";
  throw EIdProtocolReplyError(FLastCmdResult.NumericCode(), message);
}

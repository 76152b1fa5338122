// msg-info FILE: a message file as one JSON object (UTF-8).
#include "cli/Command.h"
#include "cli/cmd_msg_sha256.h"
#include "mime/BodyText.h"
#include "mime/IdMessage.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <iostream>

namespace {
using nlohmann::json;

std::string U(const std::string &text1251) {
  return mv::Win1251ToUtf8(text1251);
}

// Text as the message view shows it: converted from the declared charset.
json TextLines(const TIdLines &lines, const std::string &contentType) {
  json out = json::array();
  for (const std::string &l : mv::BodyLinesAsUtf8(lines, contentType))
    out.push_back(l);
  return out;
}

json Addresses(const TIdEMailAddressList &list) {
  json out = json::array();
  for (int i = 0; i < list.Count(); ++i)
    out.push_back(U(list.Items(i).Text()));
  return out;
}

json IsoDate(TDateTime date) {
  if (date == 0)
    return nullptr;
  const mv::DateTimeFields f = mv::DecodeDateTime(date);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", f.Year, f.Month, f.Day, f.Hour, f.Minute,
                f.Second);
  return buf;
}

json Part(TIdMessagePart &part);

json Parts(const TIdMessageParts &parts) {
  json out = json::array();
  for (int i = 0; i < parts.Count(); ++i)
    out.push_back(Part(parts[i]));
  return out;
}

json Part(TIdMessagePart &part) {
  json out;
  out["content_type"] = U(part.ContentType());
  out["content_transfer"] = U(part.ContentTransfer());
  if (auto *text = dynamic_cast<TIdText *>(&part)) {
    out["kind"] = "text";
    out["file_name"] = "";
    out["lines"] = TextLines(text->Body, text->ContentType());
  } else if (auto *a = dynamic_cast<TIdAttachment *>(&part)) {
    out["kind"] = "attachment";
    out["file_name"] = U(a->FileName);
    out["size"] = mv::FileSize(a->StoredPath);
    out["sha256"] = mv::cli::Sha256OfFile(mv::ToDiskPath(a->StoredPath));
    // A forwarded message: the parts of the message inside it.
    if (a->InnerMessage) {
      out["inner_subject"] = U(a->InnerMessage->Subject);
      out["inner"] = Parts(a->InnerMessage->Parts);
    }
  }
  return out;
}

int RunMsgInfo(const std::vector<std::string> &args) {
  if (args.size() != 1) {
    std::cerr << "usage: mailvornex-cli msg-info FILE\n";
    return 2;
  }
  TIdMessage message;
  message.ReadFromFile(mv::Utf8ToWin1251(args[0]));
  json out;
  out["subject"] = U(message.Subject);
  out["from"] = U(message.From.Text());
  out["to"] = Addresses(message.Recipients);
  out["cc"] = Addresses(message.CCList);
  out["date"] = IsoDate(message.Date);
  out["content_type"] = U(message.ContentType);
  out["charset"] = U(message.CharSet);
  out["body"] = TextLines(message.Body, message.ContentType);
  out["parts"] = Parts(message.Parts);
  std::cout << out.dump(2) << "\n";
  return 0;
}

CliCommand cmd{"msg-info", "msg-info FILE", "Print a message file as JSON (header fields, body, parts)",
               &RunMsgInfo};
} // namespace

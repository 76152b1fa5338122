// msg-copy IN OUT: read a message file and write it again.
#include "cli/Command.h"
#include "mime/IdMessage.h"
#include "platform/CodePage.h"

#include <iostream>

namespace {
int RunMsgCopy(const std::vector<std::string> &args) {
  if (args.size() != 2) {
    std::cerr << "usage: mailvornex-cli msg-copy IN OUT\n";
    return 2;
  }
  TIdMessage message;
  message.ReadFromFile(mv::Utf8ToWin1251(args[0]));
  message.WriteToFile(mv::Utf8ToWin1251(args[1]));
  return 0;
}

CliCommand cmd{"msg-copy", "msg-copy IN OUT", "Read a message file and write it out again", &RunMsgCopy};
} // namespace

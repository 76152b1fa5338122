// msg-extract FILE DIR: every named attachment of a message into DIR.
#include "cli/Command.h"
#include "cli/cmd_msg_sha256.h"
#include "mime/ForwardedMessages.h"
#include "mime/IdMessage.h"
#include "mime/Koi8.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <iostream>

namespace {
// A name from a message is untrusted: only its last path component is used.
std::string SafeName(const std::string &fileName) {
  const size_t slash = fileName.find_last_of("/\\");
  std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  if (name == "." || name == "..")
    return {};
  return name;
}

// "C1_name", "C2_name", ... when the name is taken.
std::string FreePath(const std::string &dir, const std::string &name) {
  std::string path = dir + name;
  for (int n = 1; mv::FileExists(path); ++n)
    path = dir + "C" + std::to_string(n) + "_" + name;
  return path;
}

int RunMsgExtract(const std::vector<std::string> &args) {
  if (args.size() != 2) {
    std::cerr << "usage: mailvornex-cli msg-extract FILE DIR\n";
    return 2;
  }
  std::string dir = mv::Utf8ToWin1251(args[1]);
  if (dir.empty() || dir.back() != '/')
    dir += '/';
  if (!mv::ForceDirectories(dir)) {
    std::cerr << "cannot create " << args[1] << "\n";
    return 1;
  }
  TIdMessage message;
  message.ReadFromFile(mv::Utf8ToWin1251(args[0]));
  // As the courier routes them: forwarded messages' attachments included.
  for (const TIdAttachment *a : mv::AttachmentsForRouting(message)) {
    // As the courier files it: KOI8-R encoded words in the name are decoded.
    const std::string name = SafeName(DecodeKoi8Word(a->FileName));
    if (name.empty())
      continue;
    const std::string path = FreePath(dir, name);
    // The reader's own temporary file is moved rather than copied (it would
    // be deleted with the message anyway) and given a copy's mode.
    const bool moved =
        a->StoredFileTemporary() && mv::RenameFile(a->StoredPath, path) && mv::SetNewFileMode(path);
    if (!moved && !mv::CopyFileTo(a->StoredPath, path, true))
      throw EIdException("Error saving attachment.");
    std::cout << mv::FileSize(path) << " " << mv::cli::Sha256OfFile(mv::ToDiskPath(path)) << " "
              << mv::Win1251ToUtf8(path.substr(dir.size())) << "\n";
  }
  return 0;
}

CliCommand cmd{"msg-extract", "msg-extract FILE DIR",
               "Copy every named attachment of a message file into DIR (size, sha256, name per file)",
               &RunMsgExtract};
} // namespace

#pragma once
// SHA-256 of files, for the message commands' listings of attachments.
#include <string>

namespace mv::cli {
// Lower-case hex digest of the file's bytes; the path is as on disk (UTF-8).
std::string Sha256OfFile(const std::string &diskPath);
} // namespace mv::cli

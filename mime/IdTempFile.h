#pragma once
// Temporary files for the attachments the message reader decodes.
#include <string>

namespace mv {
// A new, empty, uniquely named file "mvXXXXXX.tmp" in the system temporary
// directory ($TMPDIR or /tmp, read once); returns its path.
std::string NewTempFileName();
} // namespace mv

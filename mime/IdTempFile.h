#pragma once
// Temporary files for the attachments the message reader decodes.
#include <string>

namespace mv {
// A new, empty, uniquely named file "mvXXXXXX.tmp" in a directory of this
// process's own (mode 0700) made in the system temporary directory ($TMPDIR
// or /tmp, read once), or in that directory itself when none can be made;
// returns its path.
std::string NewTempFileName();
} // namespace mv

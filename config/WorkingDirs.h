#pragma once
// The working directories beside the executable. Every path ends with '/'
// and is joined to file names by plain concatenation.
#include <string>

namespace mv {
struct WorkingDirs {
  std::string BaseDir;    // the program directory
  std::string TempDir;    // one attachment or unpacked file being routed
  std::string ArhDir;     // extraction target of archive attachments
  std::string DeleteDir;  // copies of messages removed from the server
  std::string SendDir;    // copies of sent messages
  std::string AttachDir;  // proposed folder for saving attachments by hand
  std::string TempAttDir; // attachments written out for opening

  // The paths under baseDir (a '/' is added when it lacks one).
  static WorkingDirs Under(std::string baseDir);

  // Creates each missing directory with its parents, in the order above
  // (AttachDir before TempAttDir). A directory that cannot be created is not
  // reported: the operations that use it fail later with their own error.
  void Create() const;
};
} // namespace mv

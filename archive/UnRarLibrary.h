#pragma once
// The process-wide binding to the RAR extraction library, loaded by name once
// when the first RAR component is made (the main window makes its one at
// start) and kept for the life of the process. The vendor's own library is
// preferred when installed; ours is the fallback. A missing library leaves
// the binding absent, and RAR extraction does nothing.
#include "archive/unrar/RarLibrary.h"

#include <string>

namespace mv::rar {

struct RarLibraryBinding {
  bool present = false;
  std::string path; // the file that was loaded
  decltype(&::RAROpenArchive) OpenArchive = nullptr;
  decltype(&::RAROpenArchiveEx) OpenArchiveEx = nullptr;
  decltype(&::RARCloseArchive) CloseArchive = nullptr;
  decltype(&::RARReadHeader) ReadHeader = nullptr;
  decltype(&::RARReadHeaderEx) ReadHeaderEx = nullptr;
  decltype(&::RARProcessFile) ProcessFile = nullptr;
  decltype(&::RARSetCallback) SetCallback = nullptr;
};

// The binding, loading it on first use: "libunrar.so", then "libmvunrar.so",
// each first beside the executable, then through the usual library search.
const RarLibraryBinding &RarLibrary();

// Replaces the binding with the library at `path` (an empty path: absent).
// For tests and tools that must choose the file; true when it loaded.
bool BindRarLibrary(const std::string &path);

} // namespace mv::rar

#pragma once
// The archive branch of attachment processing: a ".zip" or ".rar" attachment
// is unpacked into ArhDir and every unpacked file is routed under its bare
// name. An archive that does not unpack whole (encrypted, damaged, no
// archive at all, an entry that could not be written) is also routed itself,
// under its own name, so the document is never lost unseen.
#include "archive/UnRar.h"
#include "archive/UnZip.h"
#include "config/WorkingDirs.h"

#include <string>

namespace mv {

class Router;

class Unpacker {
public:
  Unpacker(const WorkingDirs &dirs, Router &router);

  // Unpacks the staged archive (rar selects the RAR component), routes it
  // when it did not unpack whole, then routes every file found in ArhDir.
  // Returns what failed ("" when the archive unpacked whole).
  std::string UnpackAndRoute(const std::string &staged, bool rar);

  TUnZip UnZip1;
  TUnRar UnRar1;

private:
  void RouteUnpackedFiles();

  const WorkingDirs &dirs_;
  Router &router_;
};

} // namespace mv

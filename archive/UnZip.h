#pragma once
// The ZIP extraction component: lists an archive through its central
// directory (or its local headers), selects entries by the masks, and writes
// them below the target directory, decoding stored, shrunk, reduced, imploded,
// deflated and deflate64 data.
#include "archive/UnBase.h"
#include "archive/ZipDecoders.h"
#include "archive/ZipDirectory.h"

namespace mv {
class ReadFile;
}

class TUnZip : public TUnBase {
protected:
  void DoExtract() override;

private:
  // An entry name made internal: UTF-8 when the entry says so (or when a
  // Unix packer stored valid UTF-8), else from the OEM code page as set.
  std::string EntryName(const std::string &raw, std::uint16_t flags, std::uint16_t versionMadeBy) const;
  void ExtractEntry(const mv::ReadFile &file, const mv::zip::ZipEntry &entry, std::int64_t newestTime);
  // Decodes the entry's data into the writer; false when a raised error (a
  // corrupt shrunk stream) already ended the entry.
  bool Decompress(const mv::ReadFile &file, const mv::zip::ZipEntry &entry, std::int64_t dataStart,
                  mv::zip::ByteSink &out, const std::string &name);
};

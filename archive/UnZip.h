#pragma once
// The ZIP extraction component: lists an archive through its central
// directory (or its local headers), selects entries by the masks, and writes
// them below the target directory, decoding stored, shrunk, reduced, imploded,
// deflated and deflate64 data. After Extract(), FailedEntries() lists each
// entry not written whole with its reason and NotAnArchive() tells a file
// that holds no ZIP data (see ExtractOutcome.h); SetUnpackLimits() bounds
// what one archive may unpack.
#include "archive/EntryWriter.h"
#include "archive/UnBase.h"
#include "archive/ZipDecoders.h"
#include "archive/ZipDirectory.h"

#include <memory>

namespace mv {
class ReadFile;
}
namespace mv::zip {
class Inflater;
}

class TUnZip : public TUnBase {
public:
  TUnZip();
  ~TUnZip() override;

protected:
  void DoExtract() override;

private:
  // An entry name made internal: UTF-8 when the entry says so (or when a
  // Unix packer stored valid UTF-8), else from the OEM code page as set.
  std::string EntryName(const std::string &raw, std::uint16_t flags, std::uint16_t versionMadeBy) const;
  // What the local header of an entry says.
  struct LocalHeader {
    std::string name; // converted
    std::uint32_t dosDateTime = 0;
    std::int64_t dataStart = 0;
    bool nameDiffers = false; // from the directory's name
  };

  void ExtractEntry(const mv::ReadFile &file, const mv::zip::ZipEntry &entry, std::int64_t newestTime);
  bool ReadLocalHeader(const mv::ReadFile &file, const mv::zip::ZipEntry &entry, LocalHeader &local);
  bool ShouldWrite(const mv::zip::ZipEntry &entry, const std::string &name, const std::string &outputPath);
  bool WriteData(const mv::ReadFile &file, const mv::zip::ZipEntry &entry, const LocalHeader &local,
                 mv::zip::EntryWriter &writer, const std::string &outputPath);
  void GradeWriteFailure(const mv::zip::ZipEntry &entry, mv::zip::WriteFailure failure,
                         const std::string &outputPath);
  void FinishEntry(const mv::zip::ZipEntry &entry, const LocalHeader &local, mv::zip::EntryWriter &writer,
                   const std::string &outputPath, std::int64_t newestTime);
  // Decodes the entry's data into the writer; false when a raised error (a
  // corrupt shrunk stream) already ended the entry.
  bool Decompress(const mv::ReadFile &file, const mv::zip::ZipEntry &entry, std::int64_t dataStart,
                  mv::zip::ByteSink &out, const std::string &name);

  // Kept between the entries of a run: its buffers grow to the largest entry
  // inflated in one piece, and are freed when the next run starts.
  std::unique_ptr<mv::zip::Inflater> inflater_;
};

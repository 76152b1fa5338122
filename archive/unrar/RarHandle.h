#pragma once
// One open archive of the extraction library: libarchive unpacks the data,
// the block scan supplies the header fields libarchive does not expose.
#include "archive/RarScan.h"
#include "archive/unrar/RarLibrary.h"

#include <locale.h>
#include <string>
#include <vector>

struct archive;
struct archive_entry;

namespace mv::unrar {

class RarHandle {
public:
  RarHandle(std::string path, unsigned int openMode);
  ~RarHandle();
  RarHandle(const RarHandle &) = delete;
  RarHandle &operator=(const RarHandle &) = delete;

  // ERAR_SUCCESS when the file is a RAR archive this library can list.
  int OpenResult() const { return openResult_; }
  unsigned int ArchiveFlags() const;

  void SetCallback(UNRARCALLBACK callback, long userData) {
    callback_ = callback;
    userData_ = userData;
  }
  int ReadHeader(RARHeaderDataEx &header);
  int ProcessFile(int operation, const char *destPath, const char *destName);

private:
  int StartReading();
  std::vector<std::string> VolumeChain();
  const mv::rar::RarEntry *MatchScanEntry(archive_entry *entry);
  void FillHeader(RARHeaderDataEx &header) const;
  bool SupplyPassword();
  int Unpack(int fd);
  int ExtractToDisk(const char *destPath, const char *destName);
  int Callback(unsigned int msg, long p1, long p2) const;

  std::string path_; // UTF-8 path on disk
  unsigned int openMode_;
  int openResult_ = ERAR_SUCCESS;
  mv::rar::RarListing listing_;
  std::size_t scanCursor_ = 0;
  UNRARCALLBACK callback_ = nullptr;
  long userData_ = 0;

  locale_t utf8Locale_ = nullptr;
  archive *reader_ = nullptr;
  bool started_ = false;
  archive_entry *entry_ = nullptr; // the current entry, until processed or skipped
  const mv::rar::RarEntry *scan_ = nullptr;
  bool passwordGiven_ = false;
};

} // namespace mv::unrar

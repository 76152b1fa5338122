#pragma once
// The message numbers of the archive components and their texts. A failure is
// either reported (the error hook receives the number; without a hook nothing
// happens) or raised (reported, then thrown as E_RAISE with the text).
#include "platform/Errors.h"

#include <string>

enum TArchiveError : int {
  aeNone = 0,
  aeFileNotFound,       // "File not found"
  aeOpenFile,           // "Error opening file"
  aeBadLocalOffset,     // "Bad offset to local header"
  aeWriteFile,          // "Error writing to file"
  aeDiskFull,           // "Disk full"
  aeBadBlock,           // "Bad block"
  aeStackOverflow,      // "Stack overflow"
  aeUnsupportedMethod,  // "Unsupported compression method"
  aeCrcFailed,          // "File fails CRC check"
  aeEventNotAssigned,   // "Required event not assigned"
  aeUserCanceled,       // "User canceled"
  aeCloseFile,          // "Error closing file"
  aeReadFile,           // "Error reading file or unexpected end of file"
  aeEofNotFound,        // "EOF not found"
  aeOutOfMemory,        // "Out of memory"
  aeUnsupportedArchive, // "Invalid or unsupported archive type for this operation"
  aeBrokenVolumeChain,  // "Broken multi-volume chain"
  aeInvalidPassword,    // "Invalid password"
  aeBadFileHeader,      // "Bad file header"
  aeRarLibraryNotFound, // "Unrar?.dll not found"
  aeUnpackLimit,        // "Unpack limit exceeded" (see TUnpackLimits)
};

// The text of a message number; empty for aeNone and unknown numbers.
std::string ArchiveErrorText(int code);

// A raised archive error; Message() is the text of Code().
class E_RAISE : public Exception {
public:
  explicit E_RAISE(int code) : Exception(ArchiveErrorText(code)), code_(code) {}
  int Code() const { return code_; }

private:
  int code_;
};

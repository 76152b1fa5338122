#include "archive/ArchiveErrors.h"

std::string ArchiveErrorText(int code) {
  switch (code) {
  case aeFileNotFound:
    return "File not found";
  case aeOpenFile:
    return "Error opening file";
  case aeBadLocalOffset:
    return "Bad offset to local header";
  case aeWriteFile:
    return "Error writing to file";
  case aeDiskFull:
    return "Disk full";
  case aeBadBlock:
    return "Bad block";
  case aeStackOverflow:
    return "Stack overflow";
  case aeUnsupportedMethod:
    return "Unsupported compression method";
  case aeCrcFailed:
    return "File fails CRC check";
  case aeEventNotAssigned:
    return "Required event not assigned";
  case aeUserCanceled:
    return "User canceled";
  case aeCloseFile:
    return "Error closing file";
  case aeReadFile:
    return "Error reading file or unexpected end of file";
  case aeEofNotFound:
    return "EOF not found";
  case aeOutOfMemory:
    return "Out of memory";
  case aeUnsupportedArchive:
    return "Invalid or unsupported archive type for this operation";
  case aeBrokenVolumeChain:
    return "Broken multi-volume chain";
  case aeInvalidPassword:
    return "Invalid password";
  case aeBadFileHeader:
    return "Bad file header";
  case aeRarLibraryNotFound:
    return "Unrar?.dll not found";
  case aeUnpackLimit:
    return "Unpack limit exceeded";
  default:
    return {};
  }
}

// The exported C functions of libmvunrar.so. No exception may cross into the
// caller: each function turns one into the matching result code.
#include "archive/unrar/RarLibrary.h"

#include "archive/RarScan.h"
#include "archive/Utf8.h"
#include "archive/unrar/RarHandle.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#define MV_EXPORT extern "C" __attribute__((visibility("default")))

using mv::unrar::RarHandle;

namespace {
template <std::size_t N, std::size_t M> void CopyTruncated(char (&to)[N], const char (&from)[M]) {
  std::size_t n = strnlen(from, M);
  if (n > N - 1)
    n = N - 1;
  std::memcpy(to, from, n);
  to[n] = '\0';
}

RarHandle *Handle(void *handle) {
  return static_cast<RarHandle *>(handle);
}
} // namespace

MV_EXPORT void *RAROpenArchiveEx(RAROpenArchiveDataEx *data) {
  if (!data)
    return nullptr;
  data->CmtSize = 0;
  data->CmtState = 0;
  data->Flags = 0;
  try {
    std::string path = data->ArcNameW && *data->ArcNameW ? mv::Utf8FromWide(data->ArcNameW)
                                                         : std::string(data->ArcName ? data->ArcName : "");
    auto *handle = new RarHandle(path, data->OpenMode);
    data->OpenResult = unsigned(handle->OpenResult());
    data->Flags = handle->ArchiveFlags();
    if (data->OpenResult == ERAR_SUCCESS)
      return handle;
    delete handle;
  } catch (const std::bad_alloc &) {
    data->OpenResult = ERAR_NO_MEMORY;
  } catch (...) {
    data->OpenResult = ERAR_UNKNOWN;
  }
  return nullptr;
}

MV_EXPORT void *RAROpenArchive(RAROpenArchiveData *data) {
  if (!data)
    return nullptr;
  RAROpenArchiveDataEx ex{};
  ex.ArcName = data->ArcName;
  ex.OpenMode = data->OpenMode;
  void *handle = RAROpenArchiveEx(&ex);
  data->OpenResult = ex.OpenResult;
  data->CmtSize = 0;
  data->CmtState = 0;
  return handle;
}

MV_EXPORT int RARCloseArchive(void *handle) {
  delete Handle(handle);
  return ERAR_SUCCESS;
}

MV_EXPORT void RARSetCallback(void *handle, UNRARCALLBACK callback, long userData) {
  if (handle)
    Handle(handle)->SetCallback(callback, userData);
}

MV_EXPORT int RARReadHeaderEx(void *handle, RARHeaderDataEx *header) {
  if (!handle || !header)
    return ERAR_BAD_ARCHIVE;
  try {
    return Handle(handle)->ReadHeader(*header);
  } catch (const std::bad_alloc &) {
    return ERAR_NO_MEMORY;
  } catch (...) {
    return ERAR_UNKNOWN;
  }
}

MV_EXPORT int RARReadHeader(void *handle, RARHeaderData *header) {
  if (!header)
    return ERAR_BAD_ARCHIVE;
  try {
    auto ex = std::make_unique<RARHeaderDataEx>();
    int r = RARReadHeaderEx(handle, ex.get());
    if (r != ERAR_SUCCESS)
      return r;
    CopyTruncated(header->ArcName, ex->ArcName);
    CopyTruncated(header->FileName, ex->FileName);
    header->Flags = ex->Flags;
    header->PackSize = ex->PackSize;
    header->UnpSize = ex->UnpSize;
    header->HostOS = ex->HostOS;
    header->FileCRC = ex->FileCRC;
    header->FileTime = ex->FileTime;
    header->UnpVer = ex->UnpVer;
    header->Method = ex->Method;
    header->FileAttr = ex->FileAttr;
    header->CmtSize = 0;
    header->CmtState = 0;
    return ERAR_SUCCESS;
  } catch (...) {
    return ERAR_NO_MEMORY;
  }
}

MV_EXPORT int RARProcessFile(void *handle, int operation, char *destPath, char *destName) {
  if (!handle)
    return ERAR_BAD_ARCHIVE;
  try {
    return Handle(handle)->ProcessFile(operation, destPath, destName);
  } catch (const std::bad_alloc &) {
    return ERAR_NO_MEMORY;
  } catch (...) {
    return ERAR_UNKNOWN;
  }
}

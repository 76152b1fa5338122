#pragma once
// The C interface of the RAR extraction library: the functions, records,
// constants and result codes of the RAR vendor's published extraction
// interface. Our own libmvunrar.so implements it on libarchive; the RAR
// component loads whichever library it finds and calls it through these
// declarations only, so both must agree on every layout here.
//
// The records keep the published field order and field types. With 4-byte
// pointers and 2-byte wide characters (the platform the interface was
// published for) the open record is 164 bytes and the Ex header record 10300;
// on 64-bit Linux the same declarations give 176 and 14408 bytes, which is
// what a vendor library built for this platform expects. Wide text is the
// platform's wchar_t (UTF-32 here).
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

// Result codes.
enum {
  ERAR_SUCCESS = 0,
  ERAR_END_ARCHIVE = 10,
  ERAR_NO_MEMORY = 11,
  ERAR_BAD_DATA = 12,
  ERAR_BAD_ARCHIVE = 13,
  ERAR_UNKNOWN_FORMAT = 14,
  ERAR_EOPEN = 15,
  ERAR_ECREATE = 16,
  ERAR_ECLOSE = 17,
  ERAR_EREAD = 18,
  ERAR_EWRITE = 19,
  ERAR_SMALL_BUF = 20,
  ERAR_UNKNOWN = 21,
  ERAR_MISSING_PASSWORD = 22,
};

// Open modes.
enum { RAR_OM_LIST = 0, RAR_OM_EXTRACT = 1 };

// Operations of RARProcessFile.
enum { RAR_SKIP = 0, RAR_TEST = 1, RAR_EXTRACT = 2 };

// Callback messages. UCM_CHANGEVOLUME: P1 is a char buffer (1024 bytes) with
// the name of the next volume, P2 is RAR_VOL_ASK (the volume is missing: the
// callback may write another name and return 0) or RAR_VOL_NOTIFY (found).
// UCM_PROCESSDATA: P1 points at a block of unpacked data, P2 is its size.
// UCM_NEEDPASSWORD: P1 is a char buffer for the password, P2 its size.
// Returning -1 aborts the operation in progress.
enum { UCM_CHANGEVOLUME = 0, UCM_PROCESSDATA = 1, UCM_NEEDPASSWORD = 2 };
enum { RAR_VOL_ASK = 0, RAR_VOL_NOTIFY = 1 };

// Header flags of the Ex header record (the file block flags of the RAR 1.5
// to 4.x format; entries of RAR 5 archives get the same bits).
enum {
  RHDF_SPLITBEFORE = 0x01,
  RHDF_SPLITAFTER = 0x02,
  RHDF_ENCRYPTED = 0x04,
  RHDF_SOLID = 0x10,
  RHDF_DIRECTORY = 0x20,
  RHDF_UNICODE = 0x200,
};

// Open-archive record flags (read back).
enum { ROADF_VOLUME = 0x0001, ROADF_SOLID = 0x0008, ROADF_ENCHEADERS = 0x0080 };

typedef int (*UNRARCALLBACK)(unsigned int msg, long userData, long p1, long p2);

struct RAROpenArchiveData {
  char *ArcName;
  unsigned int OpenMode;
  unsigned int OpenResult;
  char *CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;
  unsigned int CmtState;
};

struct RAROpenArchiveDataEx {
  char *ArcName;
  wchar_t *ArcNameW;
  unsigned int OpenMode;
  unsigned int OpenResult;
  char *CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;
  unsigned int CmtState;
  unsigned int Flags;
  unsigned int Reserved[32];
};

struct RARHeaderData {
  char ArcName[260];
  char FileName[260];
  unsigned int Flags;
  unsigned int PackSize;
  unsigned int UnpSize;
  unsigned int HostOS;
  unsigned int FileCRC;
  unsigned int FileTime;
  unsigned int UnpVer;
  unsigned int Method;
  unsigned int FileAttr;
  char *CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;
  unsigned int CmtState;
};

struct RARHeaderDataEx {
  char ArcName[1024];
  wchar_t ArcNameW[1024];
  char FileName[1024];
  wchar_t FileNameW[1024];
  unsigned int Flags;
  unsigned int PackSize;
  unsigned int PackSizeHigh;
  unsigned int UnpSize;
  unsigned int UnpSizeHigh;
  unsigned int HostOS;
  unsigned int FileCRC;
  unsigned int FileTime;
  unsigned int UnpVer;
  unsigned int Method;
  unsigned int FileAttr;
  char *CmtBuf;
  unsigned int CmtBufSize;
  unsigned int CmtSize;
  unsigned int CmtState;
  unsigned int Reserved[1024];
};

void *RAROpenArchive(struct RAROpenArchiveData *data);
void *RAROpenArchiveEx(struct RAROpenArchiveDataEx *data);
int RARCloseArchive(void *handle);
int RARReadHeader(void *handle, struct RARHeaderData *header);
int RARReadHeaderEx(void *handle, struct RARHeaderDataEx *header);
// Operation RAR_EXTRACT writes the current entry to destName (a full path),
// or, without one, below destPath (or the current directory) under its
// stored path; RAR_TEST unpacks it for the callback only; RAR_SKIP moves on.
int RARProcessFile(void *handle, int operation, char *destPath, char *destName);
void RARSetCallback(void *handle, UNRARCALLBACK callback, long userData);

#ifdef __cplusplus
}

#if defined(__LP64__) && __WCHAR_MAX__ > 0xFFFF
static_assert(sizeof(RAROpenArchiveDataEx) == 176 && sizeof(RARHeaderDataEx) == 14408,
              "record layouts must match the published interface on this platform");
#endif
#endif

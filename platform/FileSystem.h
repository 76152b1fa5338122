#pragma once
// File-system helpers. Every path here is Windows-1251 text with '/' as the
// separator; the conversion to the UTF-8 names on disk happens inside.
// Failures raise EInOutError unless the function says it returns false.
#include <cstdint>
#include <string>
#include <vector>

// Whole-text wildcard match with '?' (one character) and '*' (any run);
// letter case is significant.
bool MatchMask(const std::string &text, const std::string &mask);

// Recursive listing of Dir (with a trailing '/') for file names matching Mask;
// the search ignores letter case (Cyrillic included). Appends full paths.
void ListFiles(const std::string &dir, const std::string &mask, std::vector<std::string> &out);

namespace mv {
std::string ToDiskPath(const std::string &path1251);   // Windows-1251 -> UTF-8
std::string FromDiskPath(const std::string &pathUtf8); // UTF-8 -> Windows-1251

// The Windows-1251 path by which the program holds a directory given by its
// name on disk (UTF-8, trailing '/'). When that name has characters
// Windows-1251 cannot hold ('é', CJK), they show as '?' in the returned text,
// and from then on ToDiskPath turns every path that begins with that text
// into one under the exact directory (FromDiskPath the other way), so files
// under it are found where they are. A directory literally named with those
// '?' in the same place is then out of reach; the program holds only its own
// directory this way.
std::string HoldDiskDirectory(const std::string &diskDir);

bool FileExists(const std::string &path);
bool DirectoryExists(const std::string &path);
// Creates the directory and its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string &path);
bool RenameFile(const std::string &from, const std::string &to);
// Copies; with failIfExists an existing target makes it return false.
bool CopyFileTo(const std::string &from, const std::string &to, bool failIfExists);
// Gives the file a second name on the same file system and the permissions
// a new file gets (0666 less the umask), which the first name shares; false
// when `to` exists, the names lie on different file systems, other users
// could then read the file under its first name (its directory admits them
// and the umask lets them read new files), or the link fails otherwise.
// Read-only files get a copy's bytes this way at no cost.
bool LinkFileAs(const std::string &from, const std::string &to);
// Gives a file the permissions a new file gets (0666 less the umask).
bool SetNewFileMode(const std::string &path);
bool DeleteFileAt(const std::string &path);
// The last component of a path (the whole text when it has no '/').
std::string FileNamePart(const std::string &path);
// Deletes every file below dir (subdirectories are searched, and stay).
void DeleteFilesBelow(const std::string &dir);
// Clears the execute bits of a file written from received mail, so that no
// attachment becomes a program by being filed; false when that failed.
bool RemoveExecuteBits(const std::string &path);
std::int64_t FileSize(const std::string &path); // -1 when missing
// A new, empty, uniquely named file in the system temporary directory
// ($TMPDIR or /tmp); returns its path.
std::string NewTempFile(const std::string &prefix = "mv");
// The directory of the running executable, with a trailing '/', held as
// HoldDiskDirectory says.
std::string ExecutableDir();
// Free space of the file system holding path, in bytes (-1 when unknown).
std::int64_t FreeDiskSpace(const std::string &path);
} // namespace mv

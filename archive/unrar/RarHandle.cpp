#include "archive/unrar/RarHandle.h"

#include "archive/DosTime.h"
#include "archive/Utf8.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::unrar {
namespace {

// libarchive reads the archive in blocks of this size.
constexpr std::size_t kReadBlock = 256 * 1024;
// Volume sets longer than this are damage (names run .r00 to .z99 at most).
constexpr int kMaxVolumes = 1000;
// Password buffer offered to the callback.
constexpr std::size_t kPasswordBuffer = 128;
// Buffer offered to the callback for a volume name.
constexpr std::size_t kVolumeNameBuffer = 1024;

// libarchive converts Unicode entry names to the character set of the calling
// thread's locale; a UTF-8 locale for the duration of each call keeps every
// name intact whatever locale the host program runs in.
class LocaleScope {
public:
  explicit LocaleScope(locale_t locale) : previous_(locale ? ::uselocale(locale) : nullptr) {}
  ~LocaleScope() {
    if (previous_)
      ::uselocale(previous_);
  }
  LocaleScope(const LocaleScope &) = delete;
  LocaleScope &operator=(const LocaleScope &) = delete;

private:
  locale_t previous_;
};

template <std::size_t N> void CopyText(char (&field)[N], const std::string &text) {
  std::size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

template <std::size_t N> void CopyText(wchar_t (&field)[N], const std::wstring &text) {
  std::size_t n = std::min(text.size(), N - 1);
  std::wmemcpy(field, text.data(), n);
  field[n] = L'\0';
}

std::string SlashName(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  while (!name.empty() && name.back() == '/')
    name.pop_back();
  return name;
}

// A stored name made relative and harmless: no root, no "." or "..".
std::string SafeRelativePath(const std::string &stored) {
  std::string out;
  std::size_t start = 0;
  const std::string name = SlashName(stored);
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    if (slash == std::string::npos)
      slash = name.size();
    std::string part = name.substr(start, slash - start);
    start = slash + 1;
    if (part.empty() || part == "." || part == ".." || (part.size() == 2 && part[1] == ':'))
      continue;
    if (!out.empty())
      out += '/';
    out += part;
  }
  return out;
}

void MakeDirectories(const std::string &path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    ::mkdir(path.substr(0, slash).c_str(), 0777);
  ::mkdir(path.c_str(), 0777);
}

bool FileExists(const std::string &path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool WriteAll(int fd, const void *data, std::size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    p += n;
    size -= std::size_t(n);
  }
  return true;
}

// The archive read from its marker on, for data in front of it that
// libarchive would not step over itself.
class OffsetSource {
public:
  OffsetSource(int fd, std::int64_t base) : fd_(fd), base_(base), buffer_(kReadBlock) {}
  ~OffsetSource() { ::close(fd_); }
  OffsetSource(const OffsetSource &) = delete;
  OffsetSource &operator=(const OffsetSource &) = delete;

  static la_ssize_t Read(archive *, void *self, const void **block) {
    auto *s = static_cast<OffsetSource *>(self);
    *block = s->buffer_.data();
    for (;;) {
      ssize_t n = ::read(s->fd_, s->buffer_.data(), s->buffer_.size());
      if (n >= 0 || errno != EINTR)
        return n;
    }
  }
  static la_int64_t Seek(archive *, void *self, la_int64_t offset, int whence) {
    auto *s = static_cast<OffsetSource *>(self);
    off_t r = ::lseek(s->fd_, whence == SEEK_SET ? off_t(s->base_ + offset) : off_t(offset), whence);
    return r < 0 ? ARCHIVE_FATAL : la_int64_t(r - s->base_);
  }
  static la_int64_t Skip(archive *a, void *self, la_int64_t request) {
    auto *s = static_cast<OffsetSource *>(self);
    off_t here = ::lseek(s->fd_, 0, SEEK_CUR);
    return here < 0 || Seek(a, self, request, SEEK_CUR) < 0 ? 0
                                                            : la_int64_t(::lseek(s->fd_, 0, SEEK_CUR) - here);
  }
  static int Close(archive *, void *self) {
    delete static_cast<OffsetSource *>(self);
    return ARCHIVE_OK;
  }

private:
  int fd_;
  std::int64_t base_;
  std::vector<char> buffer_;
};

// Opens a single archive file in libarchive, starting at its marker.
int OpenAtMarker(archive *reader, const std::string &path, std::uint64_t marker) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::lseek(fd, off_t(marker), SEEK_SET) < 0) {
    if (fd >= 0)
      ::close(fd);
    return ARCHIVE_FATAL;
  }
  auto *source = new OffsetSource(fd, std::int64_t(marker));
  archive_read_set_read_callback(reader, &OffsetSource::Read);
  archive_read_set_seek_callback(reader, &OffsetSource::Seek);
  archive_read_set_skip_callback(reader, &OffsetSource::Skip);
  archive_read_set_close_callback(reader, &OffsetSource::Close);
  archive_read_set_callback_data(reader, source);
  return archive_read_open1(reader);
}

} // namespace

RarHandle::RarHandle(std::string path, unsigned int openMode) : path_(std::move(path)), openMode_(openMode) {
  utf8Locale_ = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    openResult_ = ERAR_EOPEN;
    return;
  }
  ::close(fd);
  listing_ = mv::rar::ScanRarFile(path_);
  if (listing_.format == mv::rar::RarFormat::None)
    openResult_ = ERAR_BAD_ARCHIVE;
}

RarHandle::~RarHandle() {
  if (reader_)
    archive_read_free(reader_);
  if (utf8Locale_)
    ::freelocale(utf8Locale_);
}

unsigned int RarHandle::ArchiveFlags() const {
  unsigned int flags = 0;
  if (listing_.volume)
    flags |= ROADF_VOLUME;
  if (listing_.headersEncrypted)
    flags |= ROADF_ENCHEADERS;
  return flags;
}

int RarHandle::Callback(unsigned int msg, long p1, long p2) const {
  return callback_ ? callback_(msg, userData_, p1, p2) : 0;
}

// The volumes of a set, in order, as far as they can be found: each next
// volume is announced to the callback (or, when missing, asked of it).
std::vector<std::string> RarHandle::VolumeChain() {
  std::vector<std::string> chain{path_};
  bool more = listing_.volume && listing_.moreVolumes;
  bool newNaming = listing_.newVolumeNaming;
  while (more && int(chain.size()) < kMaxVolumes) {
    std::string next = mv::rar::NextVolumeName(chain.back(), newNaming);
    char buffer[kVolumeNameBuffer] = {};
    CopyText(buffer, next);
    const bool found = FileExists(next);
    if (Callback(UCM_CHANGEVOLUME, long(reinterpret_cast<std::intptr_t>(buffer)),
                 found ? RAR_VOL_NOTIFY : RAR_VOL_ASK) == -1)
      break;
    if (!found) {
      next = std::string(buffer, strnlen(buffer, sizeof buffer));
      if (!FileExists(next))
        break;
    }
    mv::rar::RarListing volume = mv::rar::ScanRarFile(next);
    if (volume.format != listing_.format)
      break;
    chain.push_back(next);
    more = volume.moreVolumes;
    mv::rar::AppendVolume(listing_.entries, volume);
  }
  return chain;
}

int RarHandle::StartReading() {
  started_ = true;
  std::vector<std::string> chain = VolumeChain();
  std::vector<const char *> names;
  for (const std::string &name : chain)
    names.push_back(name.c_str());
  names.push_back(nullptr);

  LocaleScope utf8(utf8Locale_);
  reader_ = archive_read_new();
  if (!reader_)
    return ERAR_NO_MEMORY;
  archive_read_support_format_rar(reader_);
  archive_read_support_format_rar5(reader_);
  const int opened = chain.size() == 1 && listing_.markerOffset > 0
                         ? OpenAtMarker(reader_, path_, listing_.markerOffset)
                         : archive_read_open_filenames(reader_, names.data(), kReadBlock);
  if (opened != ARCHIVE_OK)
    return ERAR_BAD_ARCHIVE;
  return ERAR_SUCCESS;
}

const mv::rar::RarEntry *RarHandle::MatchScanEntry(archive_entry *entry) {
  const char *pathname = archive_entry_pathname(entry);
  const std::string name = SlashName(pathname ? pathname : "");
  for (std::size_t i = scanCursor_; i < listing_.entries.size(); ++i) {
    const mv::rar::RarEntry &e = listing_.entries[i];
    if (SlashName(e.unicodeName.empty() ? e.name : e.unicodeName) == name) {
      scanCursor_ = i + 1;
      return &e;
    }
  }
  return nullptr;
}

int RarHandle::ReadHeader(RARHeaderDataEx &header) {
  if (listing_.headersEncrypted) // libarchive cannot read encrypted headers
    return SupplyPassword() ? ERAR_BAD_DATA : ERAR_MISSING_PASSWORD;
  if (!started_) {
    int r = StartReading();
    if (r != ERAR_SUCCESS)
      return r;
  } else if (!reader_) {
    return ERAR_BAD_ARCHIVE;
  }
  // Nothing is read past the last entry the block scan vouches for: what
  // follows it is damage or hostile blocks (a sub-block declaring exabytes
  // would have libarchive try to allocate them).
  if (scanCursor_ >= listing_.entries.size())
    return ERAR_END_ARCHIVE;
  LocaleScope utf8(utf8Locale_);
  archive_entry *entry = nullptr;
  int r = archive_read_next_header(reader_, &entry);
  if (r == ARCHIVE_EOF)
    return ERAR_END_ARCHIVE;
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
    return ERAR_BAD_DATA;
  entry_ = entry;
  scan_ = MatchScanEntry(entry);
  FillHeader(header);
  return ERAR_SUCCESS;
}

void RarHandle::FillHeader(RARHeaderDataEx &h) const {
  CopyText(h.ArcName, path_);
  CopyText(h.ArcNameW, mv::WideFromUtf8(path_));
  const char *pathname = archive_entry_pathname(entry_);
  const std::string libName = pathname ? pathname : "";
  if (scan_) {
    CopyText(h.FileName, scan_->name);
    CopyText(h.FileNameW, mv::WideFromUtf8(scan_->unicodeName.empty() ? scan_->name : scan_->unicodeName));
    h.Flags = scan_->flags;
    h.PackSize = unsigned(scan_->packSize);
    h.PackSizeHigh = unsigned(scan_->packSize >> 32);
    h.UnpSize = unsigned(scan_->unpSize);
    h.UnpSizeHigh = unsigned(scan_->unpSize >> 32);
    h.HostOS = scan_->hostOS;
    h.FileCRC = scan_->crc;
    h.FileTime = scan_->dosTime;
    h.UnpVer = scan_->unpVer;
    h.Method = scan_->method;
    h.FileAttr = scan_->attributes;
  } else { // an entry the block scan did not see: what libarchive knows
    CopyText(h.FileName, libName);
    CopyText(h.FileNameW, mv::WideFromUtf8(libName));
    h.Flags = (archive_entry_filetype(entry_) == AE_IFDIR ? mv::rar::kFileDirectoryWindow : 0) |
              (archive_entry_is_data_encrypted(entry_) ? RHDF_ENCRYPTED : 0);
    const std::uint64_t size =
        archive_entry_size_is_set(entry_) ? std::uint64_t(archive_entry_size(entry_)) : 0;
    h.PackSize = h.PackSizeHigh = 0;
    h.UnpSize = unsigned(size);
    h.UnpSizeHigh = unsigned(size >> 32);
    h.HostOS = mv::rar::kHostUnix;
    h.FileCRC = 0;
    h.FileTime = mv::DosTimeFromUnix(archive_entry_mtime(entry_));
    h.UnpVer = h.Method = 0;
    h.FileAttr = archive_entry_mode(entry_);
  }
  h.CmtSize = 0;
  h.CmtState = 0;
}

bool RarHandle::SupplyPassword() {
  if (passwordGiven_)
    return true;
  char buffer[kPasswordBuffer] = {};
  if (Callback(UCM_NEEDPASSWORD, long(reinterpret_cast<std::intptr_t>(buffer)), long(sizeof buffer - 1)) ==
          -1 ||
      !buffer[0])
    return false;
  buffer[sizeof buffer - 1] = '\0';
  if (reader_)
    archive_read_add_passphrase(reader_, buffer);
  std::memset(buffer, 0, sizeof buffer);
  passwordGiven_ = true;
  return true;
}

// Feeds the current entry's data to the callback (and to fd when >= 0).
// Output is never allowed past the size the headers declare.
int RarHandle::Unpack(int fd) {
  std::uint64_t declared = UINT64_MAX;
  if (scan_ && scan_->unpSizeKnown)
    declared = scan_->unpSize;
  else if (!scan_ && archive_entry_size_is_set(entry_))
    declared = std::uint64_t(archive_entry_size(entry_));
  static const char zeros[64 * 1024] = {};
  std::uint64_t done = 0;
  auto deliver = [&](const void *data, std::size_t size) -> int {
    if (size > declared - done)
      return ERAR_BAD_DATA;
    if (fd >= 0 && !WriteAll(fd, data, size))
      return ERAR_EWRITE;
    if (Callback(UCM_PROCESSDATA, long(reinterpret_cast<std::intptr_t>(data)), long(size)) == -1)
      return ERAR_UNKNOWN;
    done += size;
    return int(ERAR_SUCCESS);
  };
  LocaleScope utf8(utf8Locale_);
  for (;;) {
    const void *block = nullptr;
    std::size_t size = 0;
    la_int64_t offset = 0;
    int r = archive_read_data_block(reader_, &block, &size, &offset);
    if (r == ARCHIVE_EOF)
      return ERAR_SUCCESS;
    if ((r != ARCHIVE_OK && r != ARCHIVE_WARN) || offset < 0 || std::uint64_t(offset) < done)
      return ERAR_BAD_DATA;
    while (std::uint64_t(offset) > done) { // a hole: unwritten bytes read as zeros
      std::size_t gap = std::size_t(std::min<std::uint64_t>(std::uint64_t(offset) - done, sizeof zeros));
      if (int e = deliver(zeros, gap))
        return e;
    }
    if (size > 0)
      if (int e = deliver(block, size))
        return e;
  }
}

int RarHandle::ExtractToDisk(const char *destPath, const char *destName) {
  std::string target;
  if (destName && *destName) {
    target = destName;
  } else {
    std::string stored;
    if (scan_)
      stored = scan_->unicodeName.empty() ? scan_->name : scan_->unicodeName;
    else if (const char *pathname = archive_entry_pathname(entry_))
      stored = pathname;
    const std::string relative = SafeRelativePath(stored);
    if (relative.empty())
      return ERAR_ECREATE;
    target = std::string(destPath && *destPath ? destPath : ".") + "/" + relative;
  }
  if ((scan_ && scan_->directory) || archive_entry_filetype(entry_) == AE_IFDIR) {
    MakeDirectories(target);
    return ERAR_SUCCESS;
  }
  const std::size_t slash = target.find_last_of('/');
  if (slash != std::string::npos && slash > 0)
    MakeDirectories(target.substr(0, slash));
  int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0)
    return ERAR_ECREATE;
  int r = Unpack(fd);
  if (::close(fd) != 0 && r == ERAR_SUCCESS)
    r = ERAR_ECLOSE;
  if (r != ERAR_SUCCESS) {
    ::unlink(target.c_str()); // a partial file is worth nothing
    return r;
  }
  const std::int64_t mtime = scan_ ? mv::UnixFromDosTime(scan_->dosTime) : archive_entry_mtime(entry_);
  const struct timespec times[2] = {{std::time_t(mtime), 0}, {std::time_t(mtime), 0}};
  ::utimensat(AT_FDCWD, target.c_str(), times, 0);
  return ERAR_SUCCESS;
}

int RarHandle::ProcessFile(int operation, const char *destPath, const char *destName) {
  if (!entry_)
    return ERAR_UNKNOWN; // no header read, or this one already processed
  struct Done {          // the entry is finished whatever happens; the next read moves on
    archive_entry *&entry;
    ~Done() { entry = nullptr; }
  } done{entry_};
  if (operation == RAR_SKIP || openMode_ == RAR_OM_LIST)
    return ERAR_SUCCESS;
  const bool directory = (scan_ && scan_->directory) || archive_entry_filetype(entry_) == AE_IFDIR;
  const bool special = (scan_ && scan_->special) || archive_entry_symlink(entry_) ||
                       archive_entry_hardlink(entry_) ||
                       (!directory && archive_entry_filetype(entry_) != AE_IFREG);
  if (special)
    return ERAR_SUCCESS; // links, devices and pipes are never created
  if (directory)
    return operation == RAR_EXTRACT ? ExtractToDisk(destPath, destName) : ERAR_SUCCESS;
  const bool encrypted = scan_ ? scan_->encrypted : archive_entry_is_data_encrypted(entry_) != 0;
  if (encrypted && !SupplyPassword())
    return ERAR_MISSING_PASSWORD;
  return operation == RAR_EXTRACT ? ExtractToDisk(destPath, destName) : Unpack(-1);
}

} // namespace mv::unrar

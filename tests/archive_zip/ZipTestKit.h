#pragma once
// Helpers of the ZIP tests: a writer of small ZIP files with full control
// over names, attributes and sizes (for the cases no packer produces), the
// scratch directory, file helpers, running the packers, and a recorder of reports.
#include "archive/UnZip.h"
#include "archive/ZipDecoders.h"
#include "platform/CodePage.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ziptest {
namespace fs = std::filesystem;

using mvtest::ScratchDir;

using mvtest::ReadBytes;
using mvtest::WriteBytes;

// Hands out the input at most `step` bytes per read, so that refills fall
// inside codes.
class ChunkedSource : public mv::zip::ByteSource {
public:
  ChunkedSource(std::string data, std::size_t step) : data_(std::move(data)), step_(step) {}
  std::size_t Read(unsigned char *buffer, std::size_t size) override {
    const std::size_t n = std::min({size, step_, data_.size() - pos_});
    std::copy_n(data_.data() + pos_, n, buffer);
    pos_ += n;
    return n;
  }

private:
  std::string data_;
  std::size_t step_;
  std::size_t pos_ = 0;
};

inline bool Exists(const std::string &diskPath) {
  struct stat st {};
  return ::lstat(diskPath.c_str(), &st) == 0;
}

// Runs a shell command quietly; true on exit status 0.
inline bool Shell(const std::string &command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Data that deflate compresses, with repeats further apart than 32 KiB.
inline std::string MixedData(std::size_t size, unsigned seed) {
  std::string out;
  out.reserve(size);
  std::uint32_t x = seed * 2654435761u + 1;
  std::string phrase;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    if ((x >> 28) < 5 && out.size() > 40000) { // repeat a run from far back
      const std::size_t from = (x >> 4) % (out.size() - 35000);
      out += out.substr(from, 200 + (x >> 20) % 300);
    } else if ((x >> 28) < 10) {
      out += "The quick brown fox jumps over the lazy dog " + std::to_string(x % 1000) + "\n";
    } else {
      out += static_cast<char>(x >> 16);
    }
  }
  out.resize(size);
  return out;
}

struct Entry {
  std::string name;         // raw name bytes as stored
  std::string data;         // the uncompressed content
  std::uint16_t method = 0; // 0 stored, 8 deflated; others store `compressed` as given
  std::optional<std::string> compressed;
  std::uint16_t flags = 0;
  std::uint16_t madeBy = 20; // host 0 (MS-DOS), version 2.0
  std::uint32_t externalAttr = 0x20;
  std::uint32_t dosDateTime =
      (((2021 - 1980) << 9 | 3 << 5 | 14) << 16) | (15 << 11 | 9 << 5 | 13); // 2021-03-14 15:09:26
  std::optional<std::uint32_t> declaredSize; // overrides the true size in both headers
  std::optional<std::uint32_t> crc;
  std::string extra; // the extra field of both headers
};

inline void Put16(std::string &s, std::uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string &s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

inline std::string RawDeflate(const std::string &data, int level = 6, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream zs{};
  deflateInit2(&zs, level, Z_DEFLATED, -MAX_WBITS, 8, strategy);
  std::string out(deflateBound(&zs, data.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef *>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// A ZIP file of the entries; without a central directory when central is
// false (only local headers, as a truncated archive has).
inline std::string BuildZip(const std::vector<Entry> &entries, bool central = true) {
  std::string zip, dir;
  for (const Entry &e : entries) {
    const std::string packed = e.compressed ? *e.compressed : e.method == 8 ? RawDeflate(e.data) : e.data;
    const std::uint32_t crc =
        e.crc ? *e.crc
              : static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(e.data.data()),
                                                 static_cast<uInt>(e.data.size())));
    const std::uint32_t size = e.declaredSize ? *e.declaredSize : static_cast<std::uint32_t>(e.data.size());
    const std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
    auto common = [&](std::string &h) {
      Put16(h, e.flags);
      Put16(h, e.method);
      Put32(h, e.dosDateTime);
      Put32(h, crc);
      Put32(h, static_cast<std::uint32_t>(packed.size()));
      Put32(h, size);
      Put16(h, static_cast<std::uint32_t>(e.name.size()));
      Put16(h, static_cast<std::uint32_t>(e.extra.size()));
    };
    Put32(zip, 0x04034B50);
    Put16(zip, 20);
    common(zip);
    zip += e.name + e.extra + packed;
    Put32(dir, 0x02014B50);
    Put16(dir, e.madeBy);
    Put16(dir, 20);
    common(dir);
    Put16(dir, 0); // comment
    Put16(dir, 0); // disk
    Put16(dir, 0); // internal attributes
    Put32(dir, e.externalAttr);
    Put32(dir, offset);
    dir += e.name + e.extra;
  }
  if (!central)
    return zip;
  const std::uint32_t dirOffset = static_cast<std::uint32_t>(zip.size());
  zip += dir;
  Put32(zip, 0x06054B50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, static_cast<std::uint32_t>(entries.size()));
  Put16(zip, static_cast<std::uint32_t>(entries.size()));
  Put32(zip, static_cast<std::uint32_t>(dir.size()));
  Put32(zip, dirOffset);
  Put16(zip, 0);
  return zip;
}

// Reports heard through the error hook, and message boxes shown.
struct Heard {
  std::vector<std::string> reports; // "text: file"
  std::vector<std::string> boxes;
  void Attach(TUnZip &zip) {
    zip.OnError = [this](const std::string &file, int code, const std::string &) {
      reports.push_back(ArchiveErrorText(code) + ": " + file);
    };
    zip.OnShowError = [this](const std::string &message) { boxes.push_back(message); };
  }
  bool Has(const std::string &text) const {
    for (const std::string &r : reports)
      if (r.compare(0, text.size(), text) == 0)
        return true;
    return false;
  }
};

// Extracts archive (a disk path) into dir with "*.*", as the courier does.
inline int ExtractAll(TUnZip &zip, const std::string &archiveDiskPath, const std::string &dir) {
  zip.SetArchiveFile(mv::Utf8ToWin1251(archiveDiskPath));
  zip.SetExtractDir(dir);
  zip.FileSpec.push_back("*.*");
  return zip.Extract();
}
} // namespace ziptest

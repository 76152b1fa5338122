#pragma once
// Builds small stored RAR archives (the RAR 2.9 block format and RAR 5) with
// exactly the names, sizes, attributes and flags a test needs: no RAR packer
// exists on this platform. Header CRCs are computed as the formats demand.
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rartest {

struct FileSpec {
  FileSpec(std::string name, std::string data, bool unixHost = false, std::uint32_t attributes = 0x20)
      : name(std::move(name)), data(std::move(data)), unixHost(unixHost), attributes(attributes) {}

  std::string name; // RAR 2.9: bytes as stored ('\' separators); RAR 5: UTF-8 with '/'
  std::string data;
  bool unixHost = false;
  std::uint32_t attributes = 0x20;           // MS-DOS attributes, or the Unix mode with unixHost
  std::optional<std::uint64_t> declaredSize; // default: data.size()
  std::optional<std::uint32_t> crc;          // default: the CRC of data
  bool encrypted = false;
  bool directory = false;
  std::string unicodeField;  // RAR 2.9: the whole name field of a Unicode name (flag 0x200)
  std::string symlinkTarget; // RAR 5: a symbolic link to this target
};

inline std::uint32_t Crc(const std::string &s) {
  return std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(s.data()), uInt(s.size())));
}

inline void Put16(std::string &out, std::uint32_t v) {
  out += char(v & 0xFF);
  out += char((v >> 8) & 0xFF);
}
inline void Put32(std::string &out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
inline void PutVint(std::string &out, std::uint64_t v) {
  do {
    unsigned char b = v & 0x7F;
    v >>= 7;
    out += char(v ? (b | 0x80) : b);
  } while (v);
}

// --- RAR 2.9 block format ---

// A block with its 16-bit header CRC (low half of the CRC-32 of the header
// after the CRC field).
inline std::string Rar4Block(std::uint8_t type, std::uint16_t flags, const std::string &body) {
  std::string h;
  h += char(type);
  Put16(h, flags);
  Put16(h, std::uint32_t(2 + h.size() + 2 + body.size()));
  h += body;
  std::string out;
  Put16(out, Crc(h) & 0xFFFF);
  return out + h;
}

inline std::string Rar4File(const FileSpec &f) {
  const std::string field = f.unicodeField.empty() ? f.name : f.unicodeField;
  std::uint16_t flags = 0x8000;
  if (!f.unicodeField.empty())
    flags |= 0x200;
  if (f.encrypted)
    flags |= 0x04;
  if (f.directory)
    flags |= 0xE0;
  std::string body;
  Put32(body, std::uint32_t(f.data.size()));
  Put32(body, std::uint32_t(f.declaredSize.value_or(f.data.size())));
  body += char(f.unixHost ? 3 : 2);
  Put32(body, f.crc.value_or(Crc(f.data)));
  Put32(body, (44u << 25) | (3u << 21) | (15u << 16) | (12u << 11)); // 2024-03-15 12:00
  body += char(20);                                                  // version needed
  body += char(0x30);                                                // stored
  Put16(body, std::uint32_t(field.size()));
  Put32(body, f.directory && !f.unixHost ? 0x10 : f.attributes);
  body += field;
  return Rar4Block(0x74, flags, body) + f.data;
}

// `between` goes after the file of the same index (e.g. an odd block).
inline std::string BuildRar4(const std::vector<FileSpec> &files,
                             const std::vector<std::string> &between = {}) {
  std::string out("Rar!\x1A\x07\x00", 7);
  out += Rar4Block(0x73, 0, std::string(6, '\0'));
  for (std::size_t i = 0; i < files.size(); ++i) {
    out += Rar4File(files[i]);
    if (i < between.size())
      out += between[i];
  }
  return out + Rar4Block(0x7B, 0x4000, "");
}

// --- RAR 5 ---

// File headers always carry a data size, 0 for an empty file, as packers write them.
inline std::string Rar5Block(std::uint64_t type, std::uint64_t flags, const std::string &body,
                             const std::string &extra = "", const std::string &data = "") {
  const bool dataArea = type == 2 || !data.empty();
  std::string h;
  PutVint(h, type);
  PutVint(h, flags | (extra.empty() ? 0 : 1) | (dataArea ? 2 : 0));
  if (!extra.empty())
    PutVint(h, extra.size());
  if (dataArea)
    PutVint(h, data.size());
  h += body + extra;
  std::string sized;
  PutVint(sized, h.size());
  sized += h;
  std::string out;
  Put32(out, Crc(sized));
  return out + sized + data;
}

inline std::string Rar5Record(std::uint64_t type, const std::string &content) {
  std::string r;
  PutVint(r, type);
  r += content;
  std::string out;
  PutVint(out, r.size());
  return out + r;
}

inline std::string Rar5File(const FileSpec &f) {
  std::string body;
  PutVint(body, (f.directory ? 1 : 0) | 0x02 | (f.directory ? 0 : 0x04));
  PutVint(body, f.declaredSize.value_or(f.data.size()));
  PutVint(body, f.directory && !f.unixHost ? 0x10 : f.attributes);
  Put32(body, 1710504000); // 2024-03-15
  if (!f.directory)
    Put32(body, f.crc.value_or(Crc(f.data)));
  PutVint(body, 0); // version 0, stored
  PutVint(body, f.unixHost ? 1 : 0);
  PutVint(body, f.name.size());
  body += f.name;
  std::string extra;
  if (f.encrypted) {
    std::string crypt;
    PutVint(crypt, 0);                  // version
    PutVint(crypt, 0);                  // flags
    crypt += char(15);                  // KDF count
    crypt += std::string(16 + 16, 'S'); // salt, IV
    extra += Rar5Record(1, crypt);
  }
  if (!f.symlinkTarget.empty()) {
    std::string link;
    PutVint(link, 1); // Unix symbolic link
    PutVint(link, 0);
    PutVint(link, f.symlinkTarget.size());
    link += f.symlinkTarget;
    extra += Rar5Record(5, link);
  }
  return Rar5Block(2, 0, body, extra, f.data);
}

inline std::string BuildRar5(const std::vector<FileSpec> &files) {
  std::string out("Rar!\x1A\x07\x01\x00", 8);
  std::string main;
  PutVint(main, 0); // archive flags
  out += Rar5Block(1, 0, main);
  for (const FileSpec &f : files)
    out += Rar5File(f);
  std::string end;
  PutVint(end, 0);
  return out + Rar5Block(5, 0, end);
}

} // namespace rartest

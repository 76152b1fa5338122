#include "records/ZipPackage.h"

#include "archive/Crc32.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

namespace mv {
namespace {
constexpr std::uint32_t kLocalSignature = 0x04034b50, kCentralSignature = 0x02014b50,
                        kEndSignature = 0x06054b50;
constexpr std::size_t kEndSize = 22, kCentralSize = 46;
constexpr std::uint16_t kVersion = 20;
// The local time now, in the DOS form archives use.
std::pair<std::uint16_t, std::uint16_t> DosNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return {static_cast<std::uint16_t>((t.tm_year - 80) << 9 | (t.tm_mon + 1) << 5 | t.tm_mday),
          static_cast<std::uint16_t>(t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec / 2)};
}

std::uint32_t Get(const std::string &bytes, std::size_t at, int size) {
  if (at + size > bytes.size())
    throw EInOutError("Damaged package: truncated directory");
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void Put(std::string &out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i)
    out += static_cast<char>(value >> (8 * i) & 0xff);
}

void Set(std::string &bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xff);
}

struct Entry {
  std::string name;
  std::size_t localOffset;
  std::string central; // its central directory record
};

// The header fields both records of a stored entry share, from "version needed" on.
std::string StoredFields(const std::string &name, const std::string &data) {
  Crc32 crc;
  crc.Update(data.data(), data.size());
  std::string fields;
  Put(fields, kVersion, 2);
  Put(fields, 0, 2); // flags
  Put(fields, 0, 2); // stored
  const auto [date, time] = DosNow();
  Put(fields, time, 2);
  Put(fields, date, 2);
  Put(fields, crc.Value(), 4);
  Put(fields, static_cast<std::uint32_t>(data.size()), 4);
  Put(fields, static_cast<std::uint32_t>(data.size()), 4);
  Put(fields, static_cast<std::uint32_t>(name.size()), 2);
  Put(fields, 0, 2); // extra length
  return fields;
}
} // namespace

std::string AddToZipPackage(const std::string &zip,
                            const std::vector<std::pair<std::string, std::string>> &entries) {
  if (zip.size() < kEndSize)
    throw EInOutError("Damaged package: no end record");
  std::size_t end = zip.size() - kEndSize;
  while (Get(zip, end, 4) != kEndSignature) {
    if (end == 0)
      throw EInOutError("Damaged package: no end record");
    --end;
  }
  const std::size_t count = Get(zip, end + 10, 2);
  const std::size_t directory = Get(zip, end + 16, 4);

  std::vector<Entry> kept;
  std::vector<std::size_t> starts; // every local header, to find where each entry's bytes end
  for (std::size_t i = 0, at = directory; i < count; ++i) {
    if (Get(zip, at, 4) != kCentralSignature)
      throw EInOutError("Damaged package: bad directory record");
    const std::size_t nameSize = Get(zip, at + 28, 2);
    const std::size_t size = kCentralSize + nameSize + Get(zip, at + 30, 2) + Get(zip, at + 32, 2);
    Entry entry{zip.substr(at + kCentralSize, nameSize), Get(zip, at + 42, 4), zip.substr(at, size)};
    starts.push_back(entry.localOffset);
    const bool replaced = std::any_of(entries.begin(), entries.end(),
                                      [&](const auto &added) { return added.first == entry.name; });
    if (!replaced)
      kept.push_back(std::move(entry));
    at += size;
  }
  starts.push_back(directory);
  std::sort(starts.begin(), starts.end());

  std::string out;
  std::string central;
  for (Entry &entry : kept) {
    const std::size_t next = *std::upper_bound(starts.begin(), starts.end(), entry.localOffset);
    if (next > zip.size() || Get(zip, entry.localOffset, 4) != kLocalSignature)
      throw EInOutError("Damaged package: bad entry " + entry.name);
    Set(entry.central, 42, static_cast<std::uint32_t>(out.size()));
    out.append(zip, entry.localOffset, next - entry.localOffset);
    central += entry.central;
  }
  for (const auto &[name, data] : entries) {
    const std::string fields = StoredFields(name, data);
    const auto offset = static_cast<std::uint32_t>(out.size());
    Put(out, kLocalSignature, 4);
    out += fields + name + data;
    Put(central, kCentralSignature, 4);
    Put(central, kVersion, 2); // made by
    central += fields;
    Put(central, 0, 2); // comment length
    Put(central, 0, 2); // disk
    Put(central, 0, 2); // internal attributes
    Put(central, 0, 4); // external attributes
    Put(central, offset, 4);
    central += name;
  }
  const auto total = static_cast<std::uint32_t>(kept.size() + entries.size());
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put(out, kEndSignature, 4);
  Put(out, 0, 2);
  Put(out, 0, 2);
  Put(out, total, 2);
  Put(out, total, 2);
  Put(out, static_cast<std::uint32_t>(central.size()), 4);
  Put(out, directoryOffset, 4);
  Put(out, 0, 2);
  return out;
}
} // namespace mv

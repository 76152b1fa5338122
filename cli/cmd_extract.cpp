// mailvornex-cli extract ARCHIVE DIR [--list]: unpacks an archive the way the
// courier unpacks an attachment (the component chosen by the extension, every
// entry selected with "*.*") and prints how many files were written.
#include "archive/Crc32.h"
#include "archive/RarScan.h"
#include "archive/UnRar.h"
#include "archive/UnZip.h"
#include "cli/Command.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <set>
#include <vector>

namespace {

std::string LowerExtension(const std::string &path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
    return {};
  return mv::LowerCase1251(path.substr(dot));
}

// ".zip" and ".rar" decide as they do for attachments; anything else goes by
// the type found in the file.
std::unique_ptr<TUnBase> ComponentFor(const std::string &archive) {
  const std::string ext = LowerExtension(archive);
  if (ext == ".zip")
    return std::make_unique<TUnZip>();
  if (ext == ".rar")
    return std::make_unique<TUnRar>();
  TUnZip probe;
  probe.SetArchiveFile(archive);
  mv::rar::RarFormat format = mv::rar::RarFormat::None;
  if (IsRarFamily(probe.ArcType()) ||
      (!IsZipFamily(probe.ArcType()) && mv::rar::FindRarMarker(mv::ToDiskPath(archive), format) >= 0))
    return std::make_unique<TUnRar>();
  return std::make_unique<TUnZip>();
}

bool FileCrc(const std::string &path, std::uint32_t &crc) {
  std::ifstream in(mv::ToDiskPath(path), std::ios::binary);
  if (!in)
    return false;
  mv::Crc32 sum;
  std::vector<char> buffer(1 << 16);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0)
    sum.Update(buffer.data(), static_cast<std::size_t>(in.gcount()));
  crc = sum.Value();
  return true;
}

int RunExtract(const std::vector<std::string> &args) {
  std::vector<std::string> positional;
  bool list = false;
  for (const std::string &a : args) {
    if (a == "--list")
      list = true;
    else
      positional.push_back(a);
  }
  if (positional.size() != 2) {
    std::cerr << "usage: mailvornex-cli extract ARCHIVE DIR [--list]\n";
    return 2;
  }
  // Arguments arrive in UTF-8; the components work in Windows-1251.
  const std::string archive = mv::FromDiskPath(positional[0]);
  const std::string dir = mv::FromDiskPath(positional[1]);
  if (!mv::FileExists(archive)) {
    std::cerr << "no such archive: " << positional[0] << "\n";
    return 1;
  }

  std::unique_ptr<TUnBase> component = ComponentFor(archive);
  component->SetArchiveFile(archive);
  component->SetExtractDir(dir);
  component->FileSpec.push_back("*.*");
  // The output paths of the entries the component set out to write, in order.
  std::vector<std::string> targets;
  std::set<std::string> seen;
  TUnBase *c = component.get();
  component->OnBegin = [&](const std::string &name, bool &) {
    const std::string path = c->BuildOutputPath(name);
    if (seen.insert(path).second)
      targets.push_back(path);
  };
  const int count = component->Extract();

  if (list) {
    const std::string base = component->ExtractDir();
    for (const std::string &path : targets) {
      std::uint32_t crc = 0;
      const std::int64_t size = mv::FileSize(path);
      if (size < 0 || !FileCrc(path, crc))
        continue; // not written, or removed again (a failed entry)
      char crcText[9];
      std::snprintf(crcText, sizeof crcText, "%08x", crc);
      const std::string relative = path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : path;
      std::cout << size << "\t" << crcText << "\t" << mv::Win1251ToUtf8(relative) << "\n";
    }
  }
  std::cout << "extracted " << count << "\n";
  return 0;
}

CliCommand cmd{"extract", "extract ARCHIVE DIR [--list]",
               "Unpack a ZIP or RAR archive into DIR as the courier does; --list prints size, CRC-32 and "
               "path of each written file",
               &RunExtract};

} // namespace

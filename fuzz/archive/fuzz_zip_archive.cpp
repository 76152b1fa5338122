// The whole reader on an arbitrary file: Extract must return (never raise),
// and nothing may be written outside the target directory.
#include "archive/UnZip.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
namespace fs = std::filesystem;

const fs::path &Root() {
  static const fs::path root = fs::temp_directory_path() / ("fuzz-zip-" + std::to_string(::getpid()));
  return root;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const fs::path root = Root();
  fs::remove_all(root);
  fs::create_directories(root / "out");
  {
    std::ofstream(root / "a.zip", std::ios::binary)
        .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
  }
  TUnZip zip;
  zip.CreateStoredDirs = true;
  zip.SetArchiveFile((root / "a.zip").string());
  zip.SetExtractDir((root / "out").string());
  zip.FileSpec.push_back("*.*");
  zip.Extract();
  for (const auto &item : fs::directory_iterator(root)) {
    const std::string name = item.path().filename().string();
    if (name != "a.zip" && name != "out")
      __builtin_trap(); // escaped the target directory
  }
  return 0;
}

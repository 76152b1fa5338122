#include "archive/UnRarLibrary.h"

#include "platform/FileSystem.h"

#include <dlfcn.h>

namespace mv::rar {
namespace {

const char *const kLibraryNames[] = {"libunrar.so", "libmvunrar.so"};

struct Loaded {
  void *handle = nullptr;
  RarLibraryBinding binding;
};

template <typename F> bool Resolve(void *handle, const char *name, F &fn) {
  fn = reinterpret_cast<F>(::dlsym(handle, name));
  return fn != nullptr;
}

// Every entry point must be there; a file that lacks one is not the library.
bool Load(const std::string &file, Loaded &out) {
  void *handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle)
    return false;
  RarLibraryBinding b;
  if (!(Resolve(handle, "RAROpenArchive", b.OpenArchive) &&
        Resolve(handle, "RAROpenArchiveEx", b.OpenArchiveEx) &&
        Resolve(handle, "RARCloseArchive", b.CloseArchive) &&
        Resolve(handle, "RARReadHeader", b.ReadHeader) &&
        Resolve(handle, "RARReadHeaderEx", b.ReadHeaderEx) &&
        Resolve(handle, "RARProcessFile", b.ProcessFile) &&
        Resolve(handle, "RARSetCallback", b.SetCallback))) {
    ::dlclose(handle);
    return false;
  }
  b.present = true;
  b.path = file;
  out.handle = handle;
  out.binding = b;
  return true;
}

void Unload(Loaded &loaded) {
  if (loaded.handle)
    ::dlclose(loaded.handle);
  loaded = Loaded{};
}

Loaded LoadDefault() {
  Loaded loaded;
  std::string besideExe;
  try {
    besideExe = ToDiskPath(ExecutableDir());
  } catch (const std::exception &) {
  }
  for (const char *name : kLibraryNames) {
    if ((!besideExe.empty() && Load(besideExe + name, loaded)) || Load(name, loaded))
      return loaded;
  }
  return loaded;
}

Loaded &Current() {
  static Loaded loaded = LoadDefault();
  return loaded;
}

} // namespace

const RarLibraryBinding &RarLibrary() {
  return Current().binding;
}

bool BindRarLibrary(const std::string &path) {
  Loaded &current = Current();
  Unload(current);
  return !path.empty() && Load(path, current);
}

} // namespace mv::rar

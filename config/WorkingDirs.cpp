#include "config/WorkingDirs.h"

#include "platform/FileSystem.h"

namespace mv {
WorkingDirs WorkingDirs::Under(std::string baseDir) {
  if (baseDir.empty() || baseDir.back() != '/')
    baseDir += '/';
  WorkingDirs dirs;
  dirs.BaseDir = baseDir;
  dirs.TempDir = baseDir + "Temp/";
  dirs.ArhDir = baseDir + "Arh/";
  dirs.DeleteDir = baseDir + "Delete/";
  dirs.SendDir = baseDir + "Send/";
  dirs.AttachDir = baseDir + "Attach/";
  dirs.TempAttDir = dirs.AttachDir + "Temp_Att/";
  return dirs;
}

void WorkingDirs::Create() const {
  for (const std::string *dir : {&TempDir, &ArhDir, &DeleteDir, &SendDir, &AttachDir, &TempAttDir})
    if (!DirectoryExists(*dir))
      ForceDirectories(*dir);
}
} // namespace mv

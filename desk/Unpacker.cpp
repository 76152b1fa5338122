#include "desk/Unpacker.h"

#include "desk/Router.h"
#include "desk/Texts.h"
#include "mime/IdTrim.h"
#include "platform/FileSystem.h"

#include <set>

namespace mv {

Unpacker::Unpacker(const WorkingDirs &dirs, Router &router) : dirs_(dirs), router_(router) {
  // Failures are gathered for the cycle's report instead of a box of their own.
  UnZip1.OnShowError = [](const std::string &) {};
  UnRar1.OnShowError = [](const std::string &) {};
}

std::string Unpacker::UnpackAndRoute(const std::string &staged, bool rar) {
  TUnBase &component = rar ? static_cast<TUnBase &>(UnRar1) : static_cast<TUnBase &>(UnZip1);
  component.SetArchiveFile(staged);
  component.SetExtractDir(dirs_.ArhDir);
  if (component.FileSpec.empty())
    component.FileSpec.push_back("*.*"); // every entry
  const int written = component.Extract();

  // What failed, each reason once, in a stable order.
  std::set<std::string> problems;
  if (component.NotAnArchive())
    problems.insert(Cp1251("файл не является архивом"));
  for (const TFailedEntry &failed : component.FailedEntries())
    problems.insert(EntryFailureText(failed.reason));
  if (written == 0 && problems.empty())
    problems.insert(Cp1251("архив не содержит файлов"));
  std::string problem;
  for (const std::string &text : problems)
    problem += (problem.empty() ? "" : ", ") + text;
  // The archive is routed while it is the only file in TempDir, before its
  // entries are staged there one by one.
  if (!problem.empty() && FileExists(staged))
    router_.RouteFile(staged);
  if (FileExists(staged))
    DeleteFileAt(staged);
  RouteUnpackedFiles();
  return problem;
}

void Unpacker::RouteUnpackedFiles() {
  std::vector<std::string> unpacked;
  ListFiles(dirs_.ArhDir, "*.*", unpacked);
  for (const std::string &path : unpacked) {
    const std::string source = idtext::Trim(path);
    const std::string staged = dirs_.TempDir + FileNamePart(path);
    if (RenameFile(source, staged)) {
      RemoveExecuteBits(staged);
      router_.RouteFile(staged);
    }
    if (FileExists(staged))
      DeleteFileAt(staged);
  }
}

} // namespace mv

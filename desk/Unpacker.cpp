#include "desk/Unpacker.h"

#include "desk/Router.h"
#include "desk/Texts.h"
#include "platform/FileSystem.h"

#include <set>

namespace mv {
namespace {

std::string FileNamePart(const std::string &path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TrimControls(const std::string &text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
    ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
    --end;
  return text.substr(begin, end - begin);
}

} // namespace

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
    const std::string source = TrimControls(path);
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

#pragma once
// The selection masks and the target directory, the selection of entries and
// the building of output paths, and Extract, which never raises. A component
// implements DoExtract() for its archive format.
#include "archive/CustomDClass.h"

#include <string>
#include <vector>

class TUnBase : public TCustomDClass {
public:
  std::vector<std::string> FileSpec;    // masks of entries to extract
  std::vector<std::string> ExcludeSpec; // masks of entries to leave out
  bool RecurseDirs = true;              // masks without a directory part match in subdirectories
  std::function<void(const std::string &fileName)> OnExcludeFile;

  // A non-empty path gets '/' separators and a trailing '/'; an empty one
  // means the archive's directory.
  void SetExtractDir(const std::string &path);
  const std::string &ExtractDir() const { return extractDir_; }

  // Extracts the selected entries; returns the number of entries written.
  // Never raises.
  int Extract();

  // Selection of a converted entry name (with '/' separators) against
  // FileSpec and ExcludeSpec.
  bool IsSelected(const std::string &name);

  // The output path of a converted stored name, always below the effective
  // extract directory: a drive, leading '/', "." and ".." components are
  // dropped. Without UseStoredDirs the stored directory is dropped too.
  std::string BuildOutputPath(const std::string &storedName) const;

  // The effective target directory (with a trailing '/'): ExtractDir, else the
  // archive's directory, else the current directory.
  std::string TargetDir() const;

  // An entry name as stored in the archive, made internal: from code page 866
  // (with TranslateOemChar) and with '\' turned into '/'.
  std::string ConvertName(const std::string &raw) const;

protected:
  // One pass over the archive. Extract() has reset the run, and catches
  // everything this raises. Returns normally with count_ holding the result.
  virtual void DoExtract() = 0;

private:
  std::string extractDir_;
};

#pragma once
// INI files with the rules the settings have always relied on:
// - section and key names compare without regard to case (Windows-1251
//   letters, Cyrillic included); the first section and key of a name count;
// - a value is the text after the first '=', without leading and trailing
//   blanks, read up to its first 2047 characters, stored verbatim;
// - a missing file, section or key reads as the caller's default;
// - writes create the file, section or key as needed;
// - a section exists when it holds at least one key.
// The files are Windows-1251 text; LF and CRLF lines read alike, and every
// write stores CRLF lines (the files stay as the Windows tools shape them).
//
// Every read sees the file as it is on disk, so a change made by hand between
// two reads is seen. The parsed text is kept per file, process-wide, and
// parsed again only when the file's identity, size or nanosecond modification
// time has changed; an unchanged file costs one stat per read. A file changed
// within the last second is parsed at every read: file times move in ticks,
// and two changes within one tick can look alike.
//
// A file that exists but cannot be read raises EIniFileException "Unable to
// read <path>" from a read and "Unable to write to <path>" from a write: a
// write never replaces a file it could not read. A write never leaves a half-written file: the new text goes
// to a temporary file in the same directory, which is then renamed over the old. A failed write raises
// EIniFileException "Unable to write to <path>".
//
// A key, section or value holding CR or LF is refused (see IniText.h) and
// nothing is written.
#include "platform/IniText.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mv {
class IniFile {
public:
  // The longest value a read returns.
  static constexpr std::size_t kMaxValueLength = IniText::kMaxValueLength;

  // path: Windows-1251, '/' separated. createMode: permission bits of a file
  // this object creates (e.g. 0600 for a file holding passwords); -1 uses the
  // ordinary 0666 less the process umask. An existing file keeps its mode.
  explicit IniFile(std::string path, int createMode = -1);

  const std::string &FileName() const { return path_; }

  // The file's text as it is now, for a caller that reads many keys at once
  // from one consistent state. An empty text for a missing file.
  std::shared_ptr<const IniText> Snapshot() const;

  std::string ReadString(const std::string &section, const std::string &key, const std::string &def) const;
  // Lenient: def for text that is not a whole number; "$..." and "0x..."
  // (longer than two characters) read as hexadecimal.
  int ReadInteger(const std::string &section, const std::string &key, int def) const;
  // Strict: the text (defText when the key is missing) converted with
  // StrToInt; text that is not a whole number raises EConvertError
  // "'<text>' is not a valid integer value", an empty value included.
  int ReadStrictInteger(const std::string &section, const std::string &key, const std::string &defText) const;
  // Any whole number other than 0 is true; other text gives def.
  bool ReadBool(const std::string &section, const std::string &key, bool def) const;
  bool SectionExists(const std::string &section) const;
  // Key names of the section, in file order.
  std::vector<std::string> ReadSection(const std::string &section) const;

  // Each write below is one whole-file write.
  void WriteString(const std::string &section, const std::string &key, const std::string &value);
  void WriteInteger(const std::string &section, const std::string &key, int value); // decimal
  void WriteBool(const std::string &section, const std::string &key, bool value);   // "1" / "0"
  // Removes every section of that name with all its lines. Nothing to erase
  // (or no file) is not an error and writes nothing.
  void EraseSection(const std::string &section);

  // A batch of edits made with one read and at most one write: edit works on
  // the current text, which is stored once afterwards if edit changed it.
  // When edit raises, nothing is written.
  void Edit(const std::function<void(IniText &)> &edit);

private:
  // The current text; a file that cannot be read raises failure + path.
  std::shared_ptr<const IniText> Load(const char *failure) const;
  void Store(const IniText &text) const;

  std::string path_;
  int createMode_;
};
} // namespace mv

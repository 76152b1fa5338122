#pragma once
// Routing: files one staged file through the rules of FilePath.ini into its
// target directory and records it in the protocol table. One candidate file
// is in TempDir at a time, so a rule's file mask is tested by listing TempDir
// with it; a filed file leaves TempDir, so the first rule that files it wins.
#include "config/WorkingDirs.h"
#include "mime/IdMessage.h"

#include <functional>
#include <string>
#include <vector>

class ProtocolTable;

namespace mv {

// The sender address a rule's address mask is tested against: the text
// between the first "<" and the first ">" when there is one, else the whole
// text of the From address.
std::string SenderAddress(const TIdMessage &message);

// A decoded attachment name that must not be staged: empty, holding a path
// separator, "?" or "!", or made only of dots and blanks ("." and "..").
bool IsUnsafeFileName(const std::string &name);

class Router {
public:
  // Second files of one name in one message shift the message date by this
  // much (7 minutes 12 seconds), at most kMaxDateShifts times.
  static constexpr double kDateShift = 0.005;
  static constexpr int kMaxDateShifts = 100;

  Router(const WorkingDirs &dirs, ProtocolTable &table) : dirs_(dirs), table_(table) {}

  // Starts a message: empties RoutedNames and the counters.
  void BeginMessage(TIdMessage &message);

  // Applies the rules to the file staged in TempDir. Returns true when the
  // file was filed; a file the protocol shows as filed by an earlier cycle
  // ends its routing at the first rule that finds it (and counts in
  // FiledEarlier), so no later rule files it again.
  bool RouteFile(const std::string &staged);

  // Per message: the names filed so far, the date shifts made, whether a
  // file was filed and recorded now, and whether one was recognised as
  // filed by an earlier cycle.
  std::vector<std::string> RoutedNames;
  int DateShiftCount = 0;
  bool MessageRouted = false;
  bool FiledEarlier = false;

  // Told of every file filed, with its target path.
  std::function<void(const std::string &target)> OnFiled;

private:
  enum class Outcome { Passed, Filed, Recognised };
  Outcome TryRule(const std::string &staged, const std::string &directory);
  bool IsRecorded(const std::string &name);
  void Record(const std::string &name, const std::string &target);
  void Filed(const std::string &name, const std::string &target);
  bool IsRoutedName(const std::string &name) const;

  const WorkingDirs &dirs_;
  ProtocolTable &table_;
  TIdMessage *message_ = nullptr;
};

} // namespace mv

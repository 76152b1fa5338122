#include "desk/Router.h"

#include "config/RoutingRules.h"
#include "desk/Texts.h"
#include "mime/Koi8.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "records/ProtocolTable.h"

namespace mv {
namespace {

// The protocol's comment: the file name and this.
const std::string kCommentTail = Cp1251(" извлечен из письма");

} // namespace

std::string SenderAddress(const TIdMessage &message) {
  const std::string text = message.From.Text();
  const std::size_t open = text.find('<');
  if (open != std::string::npos) {
    const std::size_t close = text.find('>', open);
    if (close != std::string::npos && close > open + 1)
      return text.substr(open + 1, close - open - 1);
  }
  return text;
}

bool IsUnsafeFileName(const std::string &name) {
  if (name.empty() || name.find_first_of("/\\?!") != std::string::npos)
    return true;
  return name.find_first_not_of(". ") == std::string::npos;
}

void Router::BeginMessage(TIdMessage &message) {
  message_ = &message;
  RoutedNames.clear();
  DateShiftCount = 0;
  MessageRouted = false;
  FiledEarlier = false;
}

bool Router::RouteFile(const std::string &staged) {
  const std::string sender = SenderAddress(*message_);
  for (const RoutingRule &rule : ReadRulesForSender(dirs_.BaseDir, sender)) {
    std::vector<std::string> listed;
    ListFiles(dirs_.TempDir, rule.FileMask.empty() ? "*" : rule.FileMask, listed);
    // A rule without a directory would file into whatever the current
    // directory happens to be: it is passed over.
    if (listed.empty() || rule.Directory.empty())
      continue;
    switch (TryRule(staged, rule.Directory)) {
    case Outcome::Filed:
      return true;
    case Outcome::Recognised:
      return false;
    case Outcome::Passed:
      break;
    }
  }
  return false;
}

Router::Outcome Router::TryRule(const std::string &staged, const std::string &directory) {
  const std::string dir = directory.back() == '/' ? directory : directory + "/";
  ForceDirectories(dir);
  const std::string name = FileNamePart(staged);
  const std::string target = dir + name;
  if (!FileExists(target)) {
    if (!RenameFile(staged, target))
      return Outcome::Passed;
    Record(name, target);
    Filed(name, target);
    return Outcome::Filed;
  }
  if (IsRecorded(name)) {
    if (!IsRoutedName(name)) {
      FiledEarlier = true;
      return Outcome::Recognised;
    }
    // A second file of this name in this message: it gets a later time, so
    // its row differs from the first one's.
    ++DateShiftCount;
    message_->Date += kDateShift;
    if (DateShiftCount <= kMaxDateShifts && RouteFile(staged))
      return Outcome::Filed;
    return Outcome::Passed;
  }
  // The older file of that name is pushed aside, the newest takes the name.
  std::string aside;
  for (int k = 1;; ++k) {
    aside = dir + "C" + std::to_string(k) + "_" + name;
    if (!FileExists(aside))
      break;
  }
  if (!RenameFile(target, aside) || !RenameFile(staged, target))
    return Outcome::Passed;
  Record(name, target);
  Filed(name, target);
  return Outcome::Filed;
}

bool Router::IsRecorded(const std::string &name) {
  table_.Open();
  table_.SetIndexName("T1ByFName");
  const bool found = table_.FindKey({static_cast<std::int64_t>(DayOf(message_->Date)),
                                     static_cast<std::int64_t>(SecondsOfDay(message_->Date)), name});
  table_.SetIndexName("");
  return found;
}

void Router::Record(const std::string &name, const std::string &target) {
  table_.Open();
  table_.Insert();
  table_.SetFieldDate("FDate", DayOf(message_->Date));
  table_.SetFieldTime("FTime", SecondsOfDay(message_->Date));
  table_.SetFieldString("FName", name);
  table_.SetFieldString("FDir", target);
  table_.SetFieldString("FFrom", SenderAddress(*message_));
  table_.SetFieldString("FTema", DecodeKoi8Word(message_->Subject));
  table_.SetFieldString("FComment", name + kCommentTail);
  table_.Post();
  table_.Close();
}

void Router::Filed(const std::string &name, const std::string &target) {
  RoutedNames.push_back(name);
  MessageRouted = true;
  if (OnFiled)
    OnFiled(target);
}

bool Router::IsRoutedName(const std::string &name) const {
  for (const std::string &routed : RoutedNames)
    if (SameText1251(routed, name))
      return true;
  return false;
}

} // namespace mv

#include "config/RoutingRules.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <climits>

namespace mv {
namespace {
IniFile RulesIni(const std::string &baseDir) {
  return IniFile(FilePathIniPath(baseDir));
}

std::string RuleKey(char letter, int n) {
  return letter + std::to_string(n);
}
} // namespace

namespace {
// The count as the file gives it (nullopt without [Count]), within the limit.
std::optional<int> RuleCount(const IniText &ini) {
  if (!ini.SectionExists("Count"))
    return std::nullopt;
  const int count = ini.ReadStrictInteger("Count", "CNT", "");
  RefuseRuleCount(count);
  return count;
}
} // namespace

void RefuseRuleCount(int count) {
  if (count > kMaxRoutingRules)
    throw EConvertError("The rule count " + std::to_string(count) + " is above the limit of " +
                        std::to_string(kMaxRoutingRules) + " rules");
}

std::optional<int> ReadRuleCount(const std::string &baseDir) {
  return RuleCount(*RulesIni(baseDir).Snapshot());
}

std::vector<RoutingRule> ReadRoutingRules(const std::string &baseDir) {
  return ReadRulesForSender(baseDir, [](const std::string &) { return true; });
}

void WriteRoutingRules(const std::string &baseDir, const std::vector<RoutingRule> &rules) {
  RefuseRuleCount(static_cast<int>(std::min<std::size_t>(rules.size(), INT_MAX)));
  RulesIni(baseDir).Edit([&rules](IniText &ini) {
    ini.EraseSection("FilePath");
    ini.EraseSection("Count");
    int n = 0;
    for (const RoutingRule &rule : rules) {
      ++n;
      ini.WriteString("FilePath", RuleKey('F', n), rule.FileMask);
      ini.WriteString("FilePath", RuleKey('A', n), rule.AddressMask);
      ini.WriteString("FilePath", RuleKey('P', n), rule.Directory);
    }
    ini.WriteInteger("Count", "CNT", n);
  });
}

bool SenderMatches(const std::string &addressMask, const std::string &sender) {
  return addressMask.empty() || MatchMask(sender, addressMask);
}

std::vector<RoutingRule> ReadRulesForSender(const std::string &baseDir,
                                            const std::function<bool(const std::string &)> &senderMatches) {
  std::vector<RoutingRule> rules;
  // One state of the file for the whole list: a save in between cannot mix
  // two lists.
  const std::shared_ptr<const IniText> ini = RulesIni(baseDir).Snapshot();
  const std::optional<int> count = RuleCount(*ini);
  if (!count)
    return rules;
  for (int n = 1; n <= *count; ++n) {
    RoutingRule rule;
    rule.Number = n;
    rule.AddressMask = ini->ReadString("FilePath", RuleKey('A', n), "");
    if (!senderMatches(rule.AddressMask))
      continue;
    rule.FileMask = ini->ReadString("FilePath", RuleKey('F', n), "");
    rule.Directory = ini->ReadString("FilePath", RuleKey('P', n), "");
    rules.push_back(std::move(rule));
  }
  return rules;
}

std::vector<RoutingRule> ReadRulesForSender(const std::string &baseDir, const std::string &sender) {
  return ReadRulesForSender(
      baseDir, [&sender](const std::string &addressMask) { return SenderMatches(addressMask, sender); });
}
} // namespace mv

#include "config/RoutingRules.h"

#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/Numbers.h"

namespace mv {
namespace {
IniFile RulesIni(const std::string &baseDir) {
  return IniFile(FilePathIniPath(baseDir));
}

std::string RuleKey(char letter, int n) {
  return letter + std::to_string(n);
}
} // namespace

std::optional<int> ReadRuleCount(const std::string &baseDir) {
  const IniFile ini = RulesIni(baseDir);
  if (!ini.SectionExists("Count"))
    return std::nullopt;
  return ini.ReadStrictInteger("Count", "CNT", "");
}

std::vector<RoutingRule> ReadRoutingRules(const std::string &baseDir) {
  return ReadRulesForSender(baseDir, [](const std::string &) { return true; });
}

void WriteRoutingRules(const std::string &baseDir, const std::vector<RoutingRule> &rules) {
  IniFile ini = RulesIni(baseDir);
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
}

bool SenderMatches(const std::string &addressMask, const std::string &sender) {
  return addressMask.empty() || MatchMask(sender, addressMask);
}

std::vector<RoutingRule> ReadRulesForSender(const std::string &baseDir,
                                            const std::function<bool(const std::string &)> &senderMatches) {
  std::vector<RoutingRule> rules;
  const std::optional<int> count = ReadRuleCount(baseDir);
  if (!count)
    return rules;
  const IniFile ini = RulesIni(baseDir);
  for (int n = 1; n <= *count; ++n) {
    RoutingRule rule;
    rule.Number = n;
    rule.AddressMask = ini.ReadString("FilePath", RuleKey('A', n), "");
    if (!senderMatches(rule.AddressMask))
      continue;
    rule.FileMask = ini.ReadString("FilePath", RuleKey('F', n), "");
    rule.Directory = ini.ReadString("FilePath", RuleKey('P', n), "");
    rules.push_back(std::move(rule));
  }
  return rules;
}

std::vector<RoutingRule> ReadRulesForSender(const std::string &baseDir, const std::string &sender) {
  return ReadRulesForSender(
      baseDir, [&sender](const std::string &addressMask) { return SenderMatches(addressMask, sender); });
}
} // namespace mv

#pragma once
// The routing rules of FilePath.ini: [FilePath] F n / A n / P n and
// [Count] CNT. Read afresh at every call, each call from one state of the file.
#include "config/Config.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mv {
// Real lists hold tens of rules; routing reads every rule for every staged
// file, so a hand-edited count of billions would stall the check cycle.
inline constexpr int kMaxRoutingRules = 10000;
// Raises EConvertError "The rule count <n> is above the limit of 10000 rules"
// for a count above kMaxRoutingRules.
void RefuseRuleCount(int count);

// The rule count: nullopt when there is no [Count] section (no rules);
// otherwise CNT converted strictly (raises EConvertError, also for a
// missing CNT in an existing section, and for a count above the limit).
std::optional<int> ReadRuleCount(const std::string &baseDir);

// Every rule 1..CNT, as the rules dialog loads them (empty without [Count]).
std::vector<RoutingRule> ReadRoutingRules(const std::string &baseDir);

// The rules dialog's OK: erases [FilePath] and [Count], writes F n, A n, P n
// for each rule in list order (n from 1, empty values included), then
// [Count] CNT = the count (also 0), with one write of the file. More rules
// than the limit are refused before anything is written.
void WriteRoutingRules(const std::string &baseDir, const std::vector<RoutingRule> &rules);

// True when the rule's address mask admits the sender: an empty mask admits
// everyone, otherwise MatchMask (letter case significant).
bool SenderMatches(const std::string &addressMask, const std::string &sender);

// The routing reader: for n = 1..CNT reads A n first and, only when
// senderMatches(A n) holds, F n and P n. Returns the rules whose sender
// matched, in order, with Number set. Empty without [Count].
std::vector<RoutingRule>
ReadRulesForSender(const std::string &baseDir,
                   const std::function<bool(const std::string &addressMask)> &senderMatches);
// The same with the ordinary address test (SenderMatches against sender).
std::vector<RoutingRule> ReadRulesForSender(const std::string &baseDir, const std::string &sender);
} // namespace mv

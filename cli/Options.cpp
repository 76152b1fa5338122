#include "cli/Options.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Numbers.h"

#include <stdexcept>

CliOptions::CliOptions(const std::vector<std::string> &args, std::initializer_list<const char *> valueNames,
                       std::initializer_list<const char *> flagNames) {
  const std::set<std::string> takesValue(valueNames.begin(), valueNames.end());
  const std::set<std::string> isFlag(flagNames.begin(), flagNames.end());
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &name = args[i];
    if (isFlag.count(name)) {
      flags_.insert(name);
    } else if (takesValue.count(name)) {
      if (i + 1 >= args.size())
        throw std::runtime_error("missing value for " + name);
      values_[name].push_back(args[++i]);
    } else {
      throw std::runtime_error("unknown option " + name);
    }
  }
}

bool CliOptions::Has(const std::string &name) const {
  return flags_.count(name) || values_.count(name);
}

std::string CliOptions::Value(const std::string &name, const std::string &fallback) const {
  const auto found = values_.find(name);
  return found == values_.end() ? fallback : found->second.back();
}

std::vector<std::string> CliOptions::Values(const std::string &name) const {
  const auto found = values_.find(name);
  return found == values_.end() ? std::vector<std::string>() : found->second;
}

int CliOptions::Number(const std::string &name, int fallback) const {
  return Has(name) ? mv::StrToInt(Value(name)) : fallback;
}

TIdTLSOptions TLSOptionsFrom(const CliOptions &given, int port) {
  TIdTLSOptions tls;
  const std::string security = given.Value("--security");
  if (security.empty())
    tls.Mode = DefaultTLSMode(port);
  else if (security == "none")
    tls.Mode = TIdTLSOptions::tlsNone;
  else if (security == "tls")
    tls.Mode = TIdTLSOptions::tlsImplicit;
  else if (security == "starttls")
    tls.Mode = TIdTLSOptions::tlsStartTLS;
  else
    throw std::runtime_error("--security takes none, tls or starttls");
  if (given.Has("--cafile"))
    tls.CAFile = mv::FromDiskPath(given.Value("--cafile"));
  tls.Fingerprint = given.Value("--fingerprint");
  return tls;
}

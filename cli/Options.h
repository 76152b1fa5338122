#pragma once
// Options of the form "--name VALUE" and bare "--flag", as the network
// commands take them. Unknown names and a missing value are errors.
#include "net/IdTLSOptions.h"

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

class CliOptions {
public:
  CliOptions(const std::vector<std::string> &args, std::initializer_list<const char *> valueNames,
             std::initializer_list<const char *> flagNames = {});

  bool Has(const std::string &name) const;
  // The last value given for name, or fallback when it was not given.
  std::string Value(const std::string &name, const std::string &fallback = std::string()) const;
  // Every value given for a repeatable option, in order.
  std::vector<std::string> Values(const std::string &name) const;
  // The value as a whole number ("'%s' is not a valid integer value" otherwise).
  int Number(const std::string &name, int fallback) const;

private:
  std::map<std::string, std::vector<std::string>> values_;
  std::set<std::string> flags_;
};

// --security none|tls|starttls (default: tls on ports 995 and 465, else
// none), --cafile FILE, --fingerprint HEX.
TIdTLSOptions TLSOptionsFrom(const CliOptions &given, int port);

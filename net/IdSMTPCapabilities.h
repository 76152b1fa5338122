#pragma once
// What an SMTP server announces in its EHLO reply that the client acts on.
#include <string>
#include <vector>

struct TIdEhloCapabilities {
  // The AUTH mechanisms, upper case, each once, in the order announced.
  std::vector<std::string> AuthSchemes;
  // The server offers STARTTLS (RFC 3207).
  bool StartTLS = false;
};

// Reads the reply's text lines (without their "250" codes). "AUTH PLAIN
// LOGIN" and the older "AUTH=LOGIN" both announce mechanisms; letter case
// does not matter.
TIdEhloCapabilities ParseEhloCapabilities(const std::vector<std::string> &lines);

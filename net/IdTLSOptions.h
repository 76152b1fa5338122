#pragma once
// How a mail client secures its connection: not at all, TLS from the first
// byte (POP3S, SMTPS), or a plain start upgraded by STLS / STARTTLS. Kept
// free of any TLS library so the settings code can hold it.
#include <string>

struct TIdTLSOptions {
  enum TMode { tlsNone = 0, tlsImplicit = 1, tlsStartTLS = 2 };
  TMode Mode = tlsNone;
  // A PEM file of extra trusted issuers, beside the system's trust store.
  std::string CAFile;
  // A pinned SHA-256 fingerprint of the server's certificate (hex, any case,
  // colons allowed): that one certificate is accepted whatever its chain and
  // names. Empty: the chain and the host name are checked.
  std::string Fingerprint;
};

// The ports on which servers speak TLS from the first byte.
inline constexpr int kPop3sPort = 995;
inline constexpr int kSmtpsPort = 465;

// The mode to assume when none is stored: implicit TLS on the TLS-only ports,
// plain elsewhere, so settings written before TLS existed behave as before.
inline TIdTLSOptions::TMode DefaultTLSMode(int port) {
  return port == kPop3sPort || port == kSmtpsPort ? TIdTLSOptions::tlsImplicit : TIdTLSOptions::tlsNone;
}

// A stored number as a mode; anything unknown is read as the port's default.
inline TIdTLSOptions::TMode TLSModeFromNumber(int number, int port) {
  switch (number) {
  case TIdTLSOptions::tlsNone:
  case TIdTLSOptions::tlsImplicit:
  case TIdTLSOptions::tlsStartTLS:
    return static_cast<TIdTLSOptions::TMode>(number);
  default:
    return DefaultTLSMode(port);
  }
}

// The port a server usually listens on for a security mode, proposed to the
// user when the mode is changed: POP3 110 / POP3S 995; SMTP 25, SMTPS 465,
// and 587 (submission) for STARTTLS.
inline int UsualPop3Port(TIdTLSOptions::TMode mode) {
  return mode == TIdTLSOptions::tlsImplicit ? kPop3sPort : 110;
}
inline int UsualSmtpPort(TIdTLSOptions::TMode mode) {
  switch (mode) {
  case TIdTLSOptions::tlsImplicit:
    return kSmtpsPort;
  case TIdTLSOptions::tlsStartTLS:
    return 587;
  default:
    return 25;
  }
}

#pragma once
// The process-wide adapter over the POSIX socket calls (GStack), created by
// the first component and freed by the last. It resolves host names and
// translates Linux errno values into the socket table's error numbers.
#include <cstdint>
#include <string>

class TIdStack {
public:
  // The host as an IPv4 address in dotted form: "LOCALHOST" (any case) is
  // 127.0.0.1, an IPv4 literal (a.b.c.d, a.b.c, a.b or one number) is taken
  // as it stands, any other name goes to the resolver (first IPv4 address).
  // A failed lookup raises EIdSocketError (11001 "Host not found.").
  std::string ResolveHost(const std::string &host);
  // The IPv4 literal forms as a host-order address; false for anything else.
  static bool ParseIPv4Literal(const std::string &text, std::uint32_t &address);
  static std::string FormatIPv4(std::uint32_t address);
  // The local host name as the system reports it.
  std::string HostName();
  // The socket table's number for a Linux errno value (unlisted values unchanged).
  static int TranslateErrno(int error);
  // The table number of the last failed call on this thread.
  int WSGetLastError() const;
};

// The shared instance while at least one component lives; nullptr otherwise.
extern TIdStack *GStack;

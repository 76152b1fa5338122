#include "net/IdStack.h"

#include "net/IdExceptions.h"
#include "platform/CodePage.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Resolver failures in the socket table's numbering.
constexpr int kHostNotFound = 11001;
constexpr int kTryAgain = 11002;
constexpr int kNoRecovery = 11003;

int TranslateResolverError(int error) {
  switch (error) {
  case EAI_NONAME:
#ifdef EAI_NODATA
  case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
  case EAI_ADDRFAMILY:
#endif
    return kHostNotFound;
  case EAI_AGAIN:
    return kTryAgain;
  case EAI_SYSTEM:
    return TIdStack::TranslateErrno(errno);
  default:
    return kNoRecovery;
  }
}
} // namespace

bool TIdStack::ParseIPv4Literal(const std::string &text, std::uint32_t &address) {
  // Up to four dot-separated decimal parts; the last part fills all the bytes
  // the earlier parts leave (a.b.c: c is 16 bits, a.b: b is 24 bits).
  std::uint64_t parts[4];
  int count = 0;
  std::size_t pos = 0;
  for (;;) {
    if (count == 4)
      return false;
    std::size_t end = pos;
    std::uint64_t value = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
      value = value * 10 + static_cast<std::uint64_t>(text[end] - '0');
      if (value > 0xFFFFFFFFull)
        return false;
      ++end;
    }
    if (end == pos)
      return false;
    parts[count++] = value;
    if (end == text.size())
      break;
    if (text[end] != '.')
      return false;
    pos = end + 1;
  }
  const int lastBits = 32 - 8 * (count - 1);
  for (int i = 0; i < count - 1; ++i)
    if (parts[i] > 255)
      return false;
  if (parts[count - 1] >= (std::uint64_t{1} << lastBits))
    return false;
  std::uint64_t result = 0;
  for (int i = 0; i < count - 1; ++i)
    result |= parts[i] << (24 - 8 * i);
  address = static_cast<std::uint32_t>(result | parts[count - 1]);
  return true;
}

std::string TIdStack::FormatIPv4(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
         std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
}

std::string TIdStack::ResolveHost(const std::string &host) {
  if (mv::SameText1251(host, "LOCALHOST"))
    return "127.0.0.1";
  std::uint32_t address;
  if (ParseIPv4Literal(host, address))
    return host;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *found = nullptr;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || !found)
    mv::RaiseSocketError(rc != 0 ? TranslateResolverError(rc) : kHostNotFound);
  const auto *inet = reinterpret_cast<const sockaddr_in *>(found->ai_addr);
  const std::string text = FormatIPv4(ntohl(inet->sin_addr.s_addr));
  freeaddrinfo(found);
  return text;
}

std::string TIdStack::HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0)
    mv::RaiseSocketError(WSGetLastError());
  return name;
}

int TIdStack::TranslateErrno(int error) {
  switch (error) {
  case EINTR:
    return 10004;
  case EBADF:
    return 10009;
  case EACCES:
    return 10013;
  case EPERM:
    return 10013;
  case EFAULT:
    return 10014;
  case EINVAL:
    return 10022;
  case EMFILE:
    return 10024;
  case EAGAIN:
    return 10035;
  case EINPROGRESS:
    return 10036;
  case EALREADY:
    return 10037;
  case ENOTSOCK:
    return 10038;
  case EDESTADDRREQ:
    return 10039;
  case EMSGSIZE:
    return 10040;
  case EPROTOTYPE:
    return 10041;
  case ENOPROTOOPT:
    return 10042;
  case EPROTONOSUPPORT:
    return 10043;
  case ESOCKTNOSUPPORT:
    return 10044;
  case EOPNOTSUPP:
    return 10045;
  case EPFNOSUPPORT:
    return 10046;
  case EAFNOSUPPORT:
    return 10047;
  case EADDRINUSE:
    return 10048;
  case EADDRNOTAVAIL:
    return 10049;
  case ENETDOWN:
    return 10050;
  case ENETUNREACH:
    return 10051;
  case ENETRESET:
    return 10052;
  case ECONNABORTED:
    return 10053;
  case ECONNRESET:
    return 10054;
  case ENOBUFS:
    return 10055;
  case EISCONN:
    return 10056;
  case ENOTCONN:
    return 10057;
  case ESHUTDOWN:
    return 10058;
  case EPIPE:
    return 10058; // writing after the peer reset or we shut down
  case ETOOMANYREFS:
    return 10059;
  case ETIMEDOUT:
    return 10060;
  case ECONNREFUSED:
    return 10061;
  case ELOOP:
    return 10062;
  case ENAMETOOLONG:
    return 10063;
  case EHOSTDOWN:
    return 10064;
  case EHOSTUNREACH:
    return 10065;
  case ENOTEMPTY:
    return 10066;
  default:
    return error;
  }
}

int TIdStack::WSGetLastError() const {
  return TranslateErrno(errno);
}

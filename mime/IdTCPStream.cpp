#include "mime/IdTCPStream.h"

#include "net/IdTCPConnection.h"

#include <algorithm>
#include <climits>

std::int64_t TIdTCPStream::Read(void *buffer, std::int64_t count) {
  if (count <= 0)
    return 0;
  FConnection.ReadExact(buffer, static_cast<int>(std::min<std::int64_t>(count, INT_MAX)));
  return count;
}

std::int64_t TIdTCPStream::Write(const void *buffer, std::int64_t count) {
  const char *bytes = static_cast<const char *>(buffer);
  for (std::int64_t done = 0; done < count;) {
    const int chunk = static_cast<int>(std::min<std::int64_t>(count - done, INT_MAX));
    FConnection.WriteBytes(bytes + done, chunk);
    done += chunk;
  }
  return count;
}

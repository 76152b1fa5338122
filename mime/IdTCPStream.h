#pragma once
// A byte stream over a connection: part decoders read their lines through it
// and attachment encoders write their text into it. It cannot seek.
#include "mime/IdStream.h"

#include <string>

class TIdTCPConnection;

class TIdTCPStream : public TIdStream {
public:
  explicit TIdTCPStream(TIdTCPConnection &connection) : FConnection(connection) {}

  // Takes exactly `count` bytes (ReadExact).
  std::int64_t Read(void *buffer, std::int64_t count) override;
  std::int64_t Write(const void *buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }

  TIdTCPConnection &Connection() const { return FConnection; }

private:
  TIdTCPConnection &FConnection;
};

#include "net/IdTCPConnection.h"

#include "mime/IdStream.h"
#include "mime/IdTrim.h"
#include "net/DotStuffing.h"
#include "net/IdAntiFreeze.h"
#include "net/IdExceptions.h"

namespace {
constexpr int kWSAESHUTDOWN = 10058;
constexpr int kWSAECONNABORTED = 10053;
constexpr int kWSAECONNRESET = 10054;
constexpr int kWSAETIMEDOUT = 10060;

// Failures after which the socket cannot carry anything any more.
bool IsConnectionLost(int error) {
  return error == kWSAESHUTDOWN || error == kWSAECONNABORTED || error == kWSAECONNRESET ||
         error == kWSAETIMEDOUT;
}

} // namespace

// Marks the channel as in use for the length of an operation that may pump.
class TIdChannelUse {
public:
  explicit TIdChannelUse(TIdTCPConnection &connection) : FConnection(connection) {
    ++FConnection.FChannelUseDepth;
  }
  ~TIdChannelUse() {
    if (--FConnection.FChannelUseDepth == 0)
      FConnection.FRetiredIOHandler.reset();
  }
  TIdChannelUse(const TIdChannelUse &) = delete;
  TIdChannelUse &operator=(const TIdChannelUse &) = delete;

private:
  TIdTCPConnection &FConnection;
};

TIdTCPConnection::TIdTCPConnection() = default;

TIdTCPConnection::~TIdTCPConnection() = default;

void TIdTCPConnection::SetIOHandler(TIdIOHandler *handler) {
  if (handler == FIOHandler)
    return;
  if (FOwnedIOHandler && FOwnedIOHandler.get() == FIOHandler) {
    if (FChannelUseDepth > 0)
      FRetiredIOHandler = std::move(FOwnedIOHandler);
    FOwnedIOHandler.reset();
  }
  FIOHandler = handler;
}

void TIdTCPConnection::SetOwnedIOHandler(std::unique_ptr<TIdIOHandler> handler) {
  SetIOHandler(handler.get());
  FOwnedIOHandler = std::move(handler);
}

void TIdTCPConnection::ResetInputState() {
  FInputBuffer.Clear();
  FInputMayBePending = false;
  FClosedGracefully = false;
}

void TIdTCPConnection::Disconnect() {
  const bool wasConnected = IsConnected();
  if (wasConnected)
    FIOHandler->Close();
  if (FOwnedIOHandler)
    SetIOHandler(nullptr);
  if (wasConnected && OnDisconnected)
    OnDisconnected();
}

bool TIdTCPConnection::IsConnected() {
  try {
    CheckDisconnected(false);
  } catch (const Exception &) {
    return false;
  }
  return FIOHandler && FIOHandler->IsOpen();
}

bool TIdTCPConnection::CheckDisconnected(bool raise, bool ignoreBuffer) {
  bool disconnected = false;
  if (FClosedGracefully) {
    if (FIOHandler && FIOHandler->IsOpen()) {
      FIOHandler->Close();
      if (OnDisconnected)
        OnDisconnected();
    }
    disconnected = true;
  } else if (FIOHandler) {
    disconnected = !FIOHandler->IsOpen();
  }
  if (disconnected && raise && (FInputBuffer.Size() == 0 || ignoreBuffer))
    throw EIdConnClosedGracefully();
  return disconnected;
}

void TIdTCPConnection::CloseBrokenChannel(TIdIOHandler &channel) {
  if (channel.IsOpen())
    channel.Close();
}

int TIdTCPConnection::FillInputBuffer(bool raiseIfDisconnected, int timeout, bool raiseOnTimeout) {
  if (timeout == IdTimeoutDefault)
    timeout = ReadTimeout == 0 ? IdTimeoutInfinite : ReadTimeout;
  CheckDisconnected(raiseIfDisconnected, false);
  if (!IsConnected()) {
    if (raiseIfDisconnected)
      throw EIdNotConnected();
    return 0;
  }
  TIdChannelUse use(*this);
  TIdIOHandler *channel = FIOHandler;
  const int wanted = RecvBufferSize > 0 ? RecvBufferSize : 1;
  // Received bytes land in the input buffer itself; the room is asked for
  // right before each receive, after any wait (and the pump it runs).
  const auto receive = [this, channel, wanted](bool withoutWaiting) {
    char *const room = FInputBuffer.AppendSpace(static_cast<std::size_t>(wanted));
    const int got = withoutWaiting ? channel->ReceiveNow(room, wanted) : channel->Receive(room, wanted);
    if (got > 0)
      FInputBuffer.CommitAppend(static_cast<std::size_t>(got));
    return got;
  };
  int count;
  do {
    // A receive that filled the whole room has as a rule left more
    // behind: that is taken at once, and only an empty socket costs the wait
    // (a poll, and the pump). The pump still runs as after a wait that found
    // the socket readable.
    count = FInputMayBePending ? receive(true) : Id_WOULD_BLOCK;
    if (count == Id_WOULD_BLOCK) {
      if (!channel->WaitReadable(timeout)) {
        FInputMayBePending = false;
        if (raiseOnTimeout)
          throw EIdReadTimeout();
        return -1;
      }
      count = receive(false);
    } else {
      TIdAntiFreezeBase::PumpIfDue(false);
    }
    FInputMayBePending = count == wanted;
    if (count == 0)
      FClosedGracefully = true;
    if (count < 0) {
      const int error = channel->LastError();
      // A socket shut down under us reads as the end of data: what is
      // buffered can still be read, and only an empty buffer fails.
      if (error == kWSAESHUTDOWN || error == kWSAECONNABORTED) {
        count = 0;
        CloseBrokenChannel(*channel);
        if (FInputBuffer.Size() == 0)
          mv::RaiseSocketError(error);
      } else {
        if (IsConnectionLost(error))
          CloseBrokenChannel(*channel);
        mv::RaiseSocketError(error);
      }
    }
    CheckDisconnected(raiseIfDisconnected, false);
    if (count > 0)
      return count;
  } while (channel == FIOHandler && channel->IsOpen() && !FClosedGracefully);
  return 0;
}

std::string TIdTCPConnection::TakeInput(std::size_t count) {
  std::string bytes = FInputBuffer.Extract(count);
  DoWork(wmRead, static_cast<std::int64_t>(bytes.size()));
  return bytes;
}

std::size_t TIdTCPConnection::LocateLine(int timeout, int maxLength) {
  if (maxLength == -1)
    maxLength = MaxLineLength;
  FReadLnSplit = false;
  FReadLnTimedOut = false;
  const std::size_t limit = maxLength > 0 ? static_cast<std::size_t>(maxLength) : std::string::npos;
  std::size_t scanned = 0; // bytes of the buffer already searched for the LF
  for (;;) {
    const std::size_t lf = FInputBuffer.Find('\n', scanned);
    const std::size_t lineLength = lf != std::string::npos ? lf : FInputBuffer.Size();
    if (limit != std::string::npos && lineLength > limit) {
      if (MaxLineAction == maException)
        throw EIdReadLnMaxLineLengthExceeded();
      FReadLnSplit = true;
      return limit;
    }
    if (lf != std::string::npos)
      return lf + 1;
    scanned = FInputBuffer.Size();
    CheckDisconnected(true, true);
    if (FillInputBuffer(true, timeout, timeout == IdTimeoutDefault) == -1) {
      FReadLnTimedOut = true;
      return std::string::npos;
    }
  }
}

namespace {
// A whole line loses its LF and a CR right before it; a split piece keeps all.
std::string_view LineContent(std::string_view taken, bool split) {
  if (split)
    return taken;
  taken.remove_suffix(1);
  if (!taken.empty() && taken.back() == '\r')
    taken.remove_suffix(1);
  return taken;
}
} // namespace

std::string_view TIdTCPConnection::ReadLineView(int timeout, int maxLength) {
  const std::size_t count = LocateLine(timeout, maxLength);
  if (count == std::string::npos)
    return {};
  const std::string_view taken = FInputBuffer.Consume(count);
  DoWork(wmRead, static_cast<std::int64_t>(count));
  return LineContent(taken, FReadLnSplit);
}

std::string_view TIdTCPConnection::ConsumeBuffered(std::size_t count) {
  const std::string_view taken = FInputBuffer.Consume(count);
  DoWork(wmRead, static_cast<std::int64_t>(taken.size()));
  return taken;
}

std::string TIdTCPConnection::ReadLine(int timeout, int maxLength) {
  const std::size_t count = LocateLine(timeout, maxLength);
  if (count == std::string::npos)
    return {};
  std::string line = TakeInput(count);
  line.resize(LineContent(line, FReadLnSplit).size());
  return line;
}

std::string TIdTCPConnection::ReadNonBlankLine(int attempts) {
  std::string line;
  int made = 0;
  do {
    line = mv::idtext::Trim(ReadLine());
    ++made;
  } while (line.empty() && made < attempts);
  return line;
}

void TIdTCPConnection::ReadExact(void *buffer, int count) {
  if (count <= 0)
    return;
  while (FInputBuffer.Size() < static_cast<std::size_t>(count)) {
    FillInputBuffer(true, IdTimeoutDefault, true);
    CheckDisconnected(true, true);
  }
  const std::string bytes = TakeInput(static_cast<std::size_t>(count));
  bytes.copy(static_cast<char *>(buffer), bytes.size());
}

std::string TIdTCPConnection::ReadExact(int count) {
  std::string bytes(count > 0 ? static_cast<std::size_t>(count) : 0, '\0');
  ReadExact(bytes.data(), count);
  return bytes;
}

namespace {
template <typename Store>
int ReadLinesInto(TIdTCPConnection &connection, const std::string &delimiter, bool unstuffDots, Store store) {
  int count = 0;
  TIdWorkScope work(connection, wmRead);
  for (;;) {
    std::string_view line = connection.ReadLineView();
    if (line == delimiter)
      break;
    if (unstuffDots)
      mv::UnstuffDot(line);
    store(line);
    ++count;
  }
  return count;
}
} // namespace

int TIdTCPConnection::ReadLinesUntil(std::vector<std::string> &lines, const std::string &delimiter,
                                     bool unstuffDots) {
  return ReadLinesInto(*this, delimiter, unstuffDots,
                       [&lines](std::string_view line) { lines.emplace_back(line); });
}

int TIdTCPConnection::ReadLinesUntil(TIdStream &stream, const std::string &delimiter, bool unstuffDots) {
  std::string withBreak;
  return ReadLinesInto(*this, delimiter, unstuffDots, [&stream, &withBreak](std::string_view line) {
    withBreak.assign(line).append("\r\n");
    stream.WriteString(withBreak);
  });
}

void TIdTCPConnection::WriteText(std::string_view text) {
  if (!text.empty())
    WriteBytes(text.data(), static_cast<int>(text.size()));
}

void TIdTCPConnection::WriteLine(std::string_view line) {
  WriteText(std::string(line) + "\r\n");
}

void TIdTCPConnection::WriteLines(const std::vector<std::string> &lines) {
  for (const std::string &line : lines)
    WriteLine(line);
}

void TIdTCPConnection::WriteBytes(const void *buffer, int count, bool writeNow) {
  if (count <= 0)
    return;
  CheckDisconnected(true, true);
  if (!IsConnected())
    throw EIdNotConnected();
  const char *bytes = static_cast<const char *>(buffer);
  if (writeNow || !FWriteBuffer) {
    SendBytes(bytes, count);
    return;
  }
  FWriteBuffer->append(bytes, static_cast<std::size_t>(count));
  // Whole thresholds go out at once: a write far larger than the threshold
  // (an encoded attachment) must not be sent one threshold at a time with
  // the rest moved forward after each piece.
  const std::size_t threshold = static_cast<std::size_t>(FWriteBufferThreshold);
  if (FWriteBufferThreshold > 0 && FWriteBuffer->size() >= threshold)
    FlushBufferedWrites(static_cast<int>(FWriteBuffer->size() - FWriteBuffer->size() % threshold));
}

void TIdTCPConnection::SendBytes(const char *bytes, int count) {
  TIdChannelUse use(*this);
  TIdIOHandler *channel = FIOHandler;
  int sent = 0;
  while (sent < count) {
    const int n = channel->Send(bytes + sent, count - sent);
    if (n < 0) {
      const int error = channel->LastError();
      if (IsConnectionLost(error))
        CloseBrokenChannel(*channel);
      mv::RaiseSocketError(error);
    }
    TIdAntiFreezeBase::PumpIfDue(false);
    if (n == 0)
      FClosedGracefully = true;
    CheckDisconnected(true, false);
    DoWork(wmWrite, n);
    sent += n;
  }
}

void TIdTCPConnection::BeginBufferedWrites(int threshold) {
  if (FWriteBuffer)
    FWriteBuffer->clear();
  else
    FWriteBuffer = std::make_unique<std::string>();
  FWriteBufferThreshold = threshold;
}

void TIdTCPConnection::EndBufferedWrites() {
  try {
    FlushBufferedWrites(-1);
  } catch (...) {
    FWriteBuffer.reset();
    throw;
  }
  FWriteBuffer.reset();
}

void TIdTCPConnection::FlushBufferedWrites(int byteCount) {
  if (!FWriteBuffer || FWriteBuffer->empty())
    return;
  const std::size_t size = FWriteBuffer->size();
  const std::size_t count = byteCount < 0 || static_cast<std::size_t>(byteCount) > size
                                ? size
                                : static_cast<std::size_t>(byteCount);
  // The bytes leave the buffer before they are sent, so that an event pumped
  // during the send cannot pull them from under it.
  std::string chunk;
  if (count == size) {
    chunk.swap(*FWriteBuffer);
  } else {
    chunk.assign(*FWriteBuffer, 0, count);
    FWriteBuffer->erase(0, count);
  }
  WriteBytes(chunk.data(), static_cast<int>(chunk.size()), true);
}

void TIdTCPConnection::DiscardBufferedWrites() {
  if (FWriteBuffer)
    FWriteBuffer->clear();
}

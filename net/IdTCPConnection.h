#pragma once
// A blocking, line-oriented connection over an exchangeable channel (a socket
// or a file stream), with the command/reply exchange of the mail protocols.
// Every wait hands control to the message pump (IdAntiFreeze.h).
#include "net/IdBuffer.h"
#include "net/IdComponent.h"
#include "net/IdIOHandler.h"
#include "net/IdRFCReply.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TIdStream;

enum TIdMaxLineAction { maException, maSplit };

constexpr int IdMaxLineLengthDefault = 16384;
constexpr int IdRecvBufferSizeDefault = 32768;

class TIdTCPConnection : public TIdComponent {
public:
  TIdTCPConnection();
  ~TIdTCPConnection() override;

  // Longest line a line read accepts, counted before the LF (a CR before it
  // counts); 0 means no limit.
  int MaxLineLength = IdMaxLineLengthDefault;
  TIdMaxLineAction MaxLineAction = maException;
  // Milliseconds; 0 means reads wait without limit.
  int ReadTimeout = 0;
  // Largest single receive from the channel.
  int RecvBufferSize = IdRecvBufferSizeDefault;
  // Called after the connection noticed or made a disconnection.
  TIdNotifyEvent OnDisconnected;

  // The channel, or nullptr. A channel installed here stays the caller's; a
  // socket channel the client created itself is freed at Disconnect.
  TIdIOHandler *IOHandler() const { return FIOHandler; }
  void SetIOHandler(TIdIOHandler *handler);

  // Orderly close; protocol clients send their farewell first.
  virtual void Disconnect();
  // Notices a closed peer, then asks the channel. Never raises.
  bool IsConnected();

  // One line up to LF, without the LF and without a CR right before it.
  // timeout -1: ReadTimeout; maxLength -1: MaxLineLength.
  std::string ReadLine(int timeout = IdTimeoutDefault, int maxLength = -1);
  // The same line read in place: a view into the input buffer, valid until
  // the next read from this connection. A timed-out read returns an empty view.
  std::string_view ReadLineView(int timeout = IdTimeoutDefault, int maxLength = -1);
  // Takes `count` bytes of what is already buffered (no more than that) in
  // place, counted as read work like the lines read one by one: a reader
  // that found whole lines in InputBuffer() takes them in one piece. The view
  // is valid until the next read from this connection.
  std::string_view ConsumeBuffered(std::size_t count);
  // ReadLine until a line is not empty once bytes up to 0x20 are trimmed from both ends.
  std::string ReadNonBlankLine(int attempts = INT_MAX);
  // Blocks until `count` bytes are buffered, then moves them out.
  void ReadExact(void *buffer, int count);
  std::string ReadExact(int count);
  // Reads lines until one equals `delimiter` (consumed, not stored); with
  // unstuffDots a line beginning ".." loses its first dot. Returns the lines read.
  int ReadLinesUntil(std::vector<std::string> &lines, const std::string &delimiter = ".",
                     bool unstuffDots = true);
  // Same, each line written to `stream` followed by CR LF.
  int ReadLinesUntil(TIdStream &stream, const std::string &delimiter = ".", bool unstuffDots = true);
  // Copies a multi-line reply to `stream` block by block as it arrives, up
  // to its end line "." (consumed, not copied): dot-stuffed lines stay
  // stuffed, line breaks stay as sent, and no line is too long. Returns the
  // bytes copied. (net/IdReplySpool.cpp)
  std::int64_t CopyReplyLines(TIdStream &stream);
  // One receive into the input buffer: bytes read, 0 (disconnected, no raise)
  // or -1 (timed out, no raise).
  int FillInputBuffer(bool raiseIfDisconnected = true, int timeout = IdTimeoutDefault,
                      bool raiseOnTimeout = true);
  // Notices a closed connection; true when disconnected. Raises "Connection
  // Closed Gracefully." only with `raise` and when nothing is buffered or
  // `ignoreBuffer` is set, so data that arrived before the close can be read.
  bool CheckDisconnected(bool raise = true, bool ignoreBuffer = false);

  void WriteText(std::string_view text);
  void WriteLine(std::string_view line = {});
  void WriteBytes(const void *buffer, int count, bool writeNow = false);
  void WriteLines(const std::vector<std::string> &lines);

  // With a write buffer open, writes collect there; once `threshold` (above 0)
  // bytes are buffered, the whole multiples of it go out. The rest goes out at
  // FlushBufferedWrites and at EndBufferedWrites.
  void BeginBufferedWrites(int threshold = 0);
  // Flushes everything and drops the buffer, also when the flush fails.
  void EndBufferedWrites();
  // Sends `byteCount` buffered bytes (-1 or more than buffered: all).
  void FlushBufferedWrites(int byteCount = -1);
  void DiscardBufferedWrites();
  bool WriteBuffering() const { return FWriteBuffer != nullptr; }

  // State of the last ReadLine: split at the length limit / timed out.
  bool ReadLnSplit() const { return FReadLnSplit; }
  bool ReadLnTimedOut() const { return FReadLnTimedOut; }
  bool ClosedGracefully() const { return FClosedGracefully; }
  const TIdManagedBuffer &InputBuffer() const { return FInputBuffer; }

  // Command and reply exchange. An accepted-code list that is empty accepts
  // every code; the single-code forms take -1 for "no check".
  int SendCommand(const std::string &command, int accepted = -1);
  int SendCommand(const std::string &command, const std::vector<int> &accepted);
  // Reads and parses one reply into LastCmdResult, then CheckReplyCode.
  virtual int ReadReply(const std::vector<int> &accepted);
  int ReadReply(int accepted = -1);
  // Reads the lines of one reply (continuation lines included) and parses them.
  void ReadReplyLines();
  int CheckReplyCode(int code, const std::vector<int> &accepted);
  // Raises EIdProtocolReplyError with the last reply's code and text.
  [[noreturn]] void RaiseReplyError();
  TIdRFCReply &LastCmdResult() { return FLastCmdResult; }
  const TIdRFCReply &LastCmdResult() const { return FLastCmdResult; }

protected:
  // Connect's part of the state: a channel the connection made and frees at
  // Disconnect, and the reset of the input state for a fresh connection.
  void SetOwnedIOHandler(std::unique_ptr<TIdIOHandler> handler);
  bool OwnsIOHandler() const { return FOwnedIOHandler && FOwnedIOHandler.get() == FIOHandler; }
  void ResetInputState();

private:
  friend class TIdChannelUse;
  void SendBytes(const char *bytes, int count);
  std::string TakeInput(std::size_t count);
  // Receives until the input buffer holds a whole line (or the length limit
  // cuts it) and returns the bytes it takes with its LF; npos on a timeout.
  std::size_t LocateLine(int timeout, int maxLength);
  // Closes the channel after a failure that left the connection unusable.
  void CloseBrokenChannel(TIdIOHandler &channel);

  TIdIOHandler *FIOHandler = nullptr;
  std::unique_ptr<TIdIOHandler> FOwnedIOHandler;
  // The pump runs window events in the middle of a wait, and one of them may
  // disconnect this connection: an owned channel let go while a wait is still
  // inside it is kept here until that wait has unwound.
  std::unique_ptr<TIdIOHandler> FRetiredIOHandler;
  int FChannelUseDepth = 0;
  TIdManagedBuffer FInputBuffer;
  // The last receive filled the scratch: the next one tries without waiting.
  bool FInputMayBePending = false;
  std::unique_ptr<std::string> FWriteBuffer;
  int FWriteBufferThreshold = 0;
  bool FClosedGracefully = false;
  bool FReadLnSplit = false;
  bool FReadLnTimedOut = false;
  TIdRFCReply FLastCmdResult;
};

#pragma once
// A channel over byte streams instead of a socket: message files are written
// and read by the same writer and reader that talk to the mail servers.
#include "mime/IdStream.h"
#include "net/IdIOHandler.h"

class TIdIOHandlerStream : public TIdIOHandler {
public:
  ~TIdIOHandlerStream() override;

  // Raises "No InputStream or OutputStream assigned." without streams.
  void Open() override;
  // With FreeStreams set, frees and forgets both streams.
  void Close() override;
  // True while the input stream has bytes left; it never waits.
  bool WaitReadable(int milliseconds) override;
  int Receive(void *buffer, int length) override;
  // Without an output stream the bytes are dropped and counted as sent.
  int Send(const void *buffer, int length) override;

  TIdStream *InputStream() const { return FInputStream; }
  TIdStream *OutputStream() const { return FOutputStream; }
  // Raise "Cannot set InputStream while active." / "... OutputStream ..." while open.
  void SetInputStream(TIdStream *stream);
  void SetOutputStream(TIdStream *stream);
  // The channel owns (and frees at Close) the streams it is given.
  bool FreeStreams = true;

protected:
  bool InputLeft();

private:
  void FreeOwnedStreams();
  TIdStream *FInputStream = nullptr;
  TIdStream *FOutputStream = nullptr;
};

// Delivers CR LF "." CR LF once the input stream is exhausted, so a message
// file without its end line still ends where the reader expects it.
class TIdIOHandlerStreamMsg : public TIdIOHandlerStream {
public:
  bool WaitReadable(int milliseconds) override;
  int Receive(void *buffer, int length) override;

private:
  static constexpr char EndText[] = "\r\n.\r\n";
  static constexpr int EndTextLength = 5;
  int FEndPos = 0; // 0 = not started, else the 1-based position of the next byte
  char FLastByte = 0;
};

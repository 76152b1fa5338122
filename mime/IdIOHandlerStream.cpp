#include "mime/IdIOHandlerStream.h"

#include "mime/IdException.h"

#include <algorithm>
#include <cstring>

TIdIOHandlerStream::~TIdIOHandlerStream() {
  if (FreeStreams)
    FreeOwnedStreams();
}

void TIdIOHandlerStream::FreeOwnedStreams() {
  if (FOutputStream != FInputStream)
    delete FOutputStream;
  delete FInputStream;
  FInputStream = FOutputStream = nullptr;
}

void TIdIOHandlerStream::Open() {
  if (!FInputStream && !FOutputStream)
    throw EIdException("No InputStream or OutputStream assigned.");
  TIdIOHandler::Open();
}

void TIdIOHandlerStream::Close() {
  TIdIOHandler::Close();
  if (FreeStreams)
    FreeOwnedStreams();
}

bool TIdIOHandlerStream::InputLeft() {
  if (!FInputStream)
    return false;
  const std::int64_t position = FInputStream->Position();
  const std::int64_t size = FInputStream->Size();
  return position >= 0 && position < size;
}

bool TIdIOHandlerStream::WaitReadable(int) {
  return InputLeft();
}

int TIdIOHandlerStream::Receive(void *buffer, int length) {
  if (!FInputStream || length <= 0)
    return 0;
  return static_cast<int>(FInputStream->Read(buffer, length));
}

int TIdIOHandlerStream::Send(const void *buffer, int length) {
  if (!FOutputStream)
    return length;
  return static_cast<int>(FOutputStream->Write(buffer, length));
}

void TIdIOHandlerStream::SetInputStream(TIdStream *stream) {
  if (IsOpen())
    throw EIdException("Cannot set InputStream while active.");
  FInputStream = stream;
}

void TIdIOHandlerStream::SetOutputStream(TIdStream *stream) {
  if (IsOpen())
    throw EIdException("Cannot set OutputStream while active.");
  FOutputStream = stream;
}

bool TIdIOHandlerStreamMsg::WaitReadable(int) {
  if (!InputStream())
    return false;
  return InputLeft() || FEndPos <= EndTextLength;
}

int TIdIOHandlerStreamMsg::Receive(void *buffer, int length) {
  if (length <= 0)
    return 0;
  if (FEndPos == 0) {
    const int got = TIdIOHandlerStream::Receive(buffer, length);
    if (got > 0) {
      FLastByte = static_cast<char *>(buffer)[got - 1];
      return got;
    }
    // The end text joins what the file ended with: after LF only "." CR LF.
    FEndPos = FLastByte == '\n' ? 3 : FLastByte == '\r' ? 2 : 1;
  }
  const int count = std::min(length, EndTextLength - FEndPos + 1);
  if (count <= 0)
    return 0;
  std::memcpy(buffer, EndText + FEndPos - 1, count);
  FEndPos += count;
  return count;
}

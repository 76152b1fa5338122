#pragma once
// A small byte-stream abstraction: codecs read from and write to it, the
// message reader and writer use it for parts and attachments, and the
// connection classes put their own kind (over a socket) beside these.
#include "platform/Errors.h"

#include <cstdint>
#include <string>
#include <string_view>

// Stream failures ("Ошибка чтения из потока", "Ошибка записи в поток", and the
// file stream's "Не возможно создать файл %s" / "Не возможно открыть файл %s").
class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TIdStream {
public:
  virtual ~TIdStream() = default;

  // Reads up to count bytes at the position; returns how many were read
  // (0 at the end).
  virtual std::int64_t Read(void *buffer, std::int64_t count) = 0;
  // Writes at the position; returns how many bytes were stored.
  virtual std::int64_t Write(const void *buffer, std::int64_t count) = 0;
  // Returns the new position, or -1 when the stream cannot seek.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  // Total size in bytes; the default seeks to the end and back (-1 when the
  // stream cannot seek).
  virtual std::int64_t Size();

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

  // Exactly count bytes, or EReadError / EWriteError.
  void ReadBuffer(void *buffer, std::int64_t count);
  void WriteBuffer(const void *buffer, std::int64_t count);

  // Up to count bytes from the position (fewer at the end).
  std::string ReadString(std::int64_t count);
  // Everything from the position to the end.
  std::string ReadToEnd();
  void WriteString(std::string_view bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }

  // Copies count bytes from source's position; a count of 0 copies the whole
  // source from its start. Returns the number of bytes copied.
  std::int64_t CopyFrom(TIdStream &source, std::int64_t count);
};

// A growable stream in memory; also serves as the string stream of the
// message reader (DataString holds everything written).
class TIdMemoryStream : public TIdStream {
public:
  TIdMemoryStream() = default;
  explicit TIdMemoryStream(std::string data) : data_(std::move(data)) {}

  std::int64_t Read(void *buffer, std::int64_t count) override;
  std::int64_t Write(const void *buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  const std::string &DataString() const { return data_; }
  void SetSize(std::int64_t size);
  void Clear();

private:
  std::string data_;
  std::int64_t position_ = 0;
};

enum class TIdFileMode {
  fmCreate,        // create or truncate, then read and write
  fmOpenRead,      // existing file, read only
  fmOpenWrite,     // existing file, write only
  fmOpenReadWrite, // existing file, read and write
};

// A file on disk. The path is Windows-1251 text; the UTF-8 name on disk is
// made with mv::ToDiskPath.
class TIdFileStream : public TIdStream {
public:
  TIdFileStream(const std::string &path, TIdFileMode mode);
  ~TIdFileStream() override;
  TIdFileStream(const TIdFileStream &) = delete;
  TIdFileStream &operator=(const TIdFileStream &) = delete;

  std::int64_t Read(void *buffer, std::int64_t count) override;
  std::int64_t Write(const void *buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t size);

  const std::string &FileName() const { return fileName_; }

private:
  std::string fileName_;
  int fd_ = -1;
  std::int64_t position_ = 0; // the descriptor's offset, kept here
};

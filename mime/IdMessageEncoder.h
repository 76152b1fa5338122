#pragma once
// Attachment encoders and their registry. The message's AttachmentEncoding
// names the registration ("MIME", "UUE" or "XXE") whose encoder writes every
// attachment; the "MIME" registration also chooses the multipart content type.
#include "mime/IdStream.h"

#include <cstdint>
#include <memory>
#include <string>

class TIdMessage;

class TIdMessageEncoder {
public:
  virtual ~TIdMessageEncoder() = default;
  virtual void EncodeStream(TIdStream &source, TIdStream &destination) = 0;
  // Opens the file read-only and encodes it.
  void EncodeFile(const std::string &path, TIdStream &destination);

  std::string Filename; // written into UUE/XXE begin lines
  std::int32_t PermissionCode = 660;
};

// Base64 lines of 76 characters (57 bytes each); an empty file gives no lines.
class TIdMessageEncoderMIME : public TIdMessageEncoder {
public:
  void EncodeStream(TIdStream &source, TIdStream &destination) override;
};

// "begin <mode> <name>", lines of 45 bytes, the fill line and "end".
class TIdMessageEncoderUUEBase : public TIdMessageEncoder {
public:
  void EncodeStream(TIdStream &source, TIdStream &destination) override;

protected:
  virtual bool UsesXXE() const = 0;
};

class TIdMessageEncoderUUE : public TIdMessageEncoderUUEBase {
protected:
  bool UsesXXE() const override { return false; }
};

class TIdMessageEncoderXXE : public TIdMessageEncoderUUEBase {
protected:
  bool UsesXXE() const override { return true; }
};

class TIdMessageEncoderInfo {
public:
  virtual ~TIdMessageEncoderInfo() = default;
  virtual std::unique_ptr<TIdMessageEncoder> CreateEncoder() const = 0;
  // Lets the registration set the message's headers before they are built.
  virtual void PrepareHeaders(TIdMessage &message) const { (void)message; }
};

template <class Encoder> class TIdMessageEncoderInfoOf : public TIdMessageEncoderInfo {
public:
  std::unique_ptr<TIdMessageEncoder> CreateEncoder() const override { return std::make_unique<Encoder>(); }
};

// Chooses the multipart content type with the fixed boundaries.
class TIdMessageEncoderInfoMIME : public TIdMessageEncoderInfoOf<TIdMessageEncoderMIME> {
public:
  void PrepareHeaders(TIdMessage &message) const override;
};

// The process-wide registry; "MIME", "UUE" and "XXE" are registered before
// the first lookup.
class TIdMessageEncoderList {
public:
  static void RegisterEncoder(const std::string &name, std::unique_ptr<TIdMessageEncoderInfo> info);
  // Finds a name without regard to case or raises "Message encoder not found: <name>".
  static TIdMessageEncoderInfo &LookupEncoder(const std::string &name);
};

namespace mv {
// The fixed boundaries of written multipart messages.
inline constexpr const char *MixedBoundary = "=_MoreStuf_2zzz1234sadvnqw3nerasdf";
inline constexpr const char *RelatedBoundary = "=_MoreStuf_2relzzzsadvnq1234w3nerasdf";
inline constexpr const char *AlternativeBoundary = "=_MoreStuf_2altzzz1234sadvnqw3nerasdf";
} // namespace mv

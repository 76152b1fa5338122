#include "mime/IdMessageCoder.h"

#include "mime/IdMessageCoderMIME.h"
#include "mime/IdMessageCoderUUE.h"
#include "mime/MessageReadContext.h"

namespace {
struct Registration {
  std::string Name;
  std::unique_ptr<TIdMessageDecoderInfo> Info;
};

std::vector<Registration> &Registry() {
  static std::vector<Registration> registry = [] {
    std::vector<Registration> r;
    r.push_back({"MIME", std::make_unique<TIdMessageDecoderInfoMIME>()});
    r.push_back({"UUE", std::make_unique<TIdMessageDecoderInfoUUE>()});
    return r;
  }();
  return registry;
}
} // namespace

bool TIdMessageDecoder::ReadLine(std::string_view &line) {
  return FContext.NextLine(line);
}

void TIdMessageDecoderList::RegisterDecoder(const std::string &name,
                                            std::unique_ptr<TIdMessageDecoderInfo> info) {
  Registry().push_back({name, std::move(info)});
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderList::FindDecoder(TIdMessage &message,
                                                                      mv::MessageReadContext &context,
                                                                      std::string_view line) {
  for (const Registration &r : Registry())
    if (auto decoder = r.Info->TryStart(message, context, line))
      return decoder;
  return nullptr;
}

std::optional<std::string> TIdMessageDecoderList::StartBytes(TIdMessage &message,
                                                             mv::MessageReadContext &context) {
  std::string all;
  for (const Registration &r : Registry()) {
    const std::optional<std::string> bytes = r.Info->StartBytes(message, context);
    if (!bytes)
      return std::nullopt;
    all += *bytes;
  }
  return all;
}

namespace mv {
std::int64_t BufferedWriteStream::Write(const void *buffer, std::int64_t count) {
  FBuffer.append(static_cast<const char *>(buffer), static_cast<size_t>(count));
  if (FBuffer.size() >= FlushSize)
    Flush();
  return count;
}

void BufferedWriteStream::Flush() {
  if (FBuffer.empty())
    return;
  FTarget.WriteString(FBuffer);
  FBuffer.clear();
}
} // namespace mv

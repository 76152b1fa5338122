#include "platform/Errors.h"

namespace mv {
std::string ErrorDisplayText(const std::string &message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

void ThrowInvalidInteger(const std::string &text) {
  throw EConvertError("'" + text + "' is not a valid integer value");
}
} // namespace mv

#pragma once
// The root of every failure the program raises, and the platform layer's own.
// Commands, timer ticks and event handlers catch `Exception` at their entry
// and show `ErrorDisplayText(e.Message())` in the standard error box.
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string &message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// "'%s' is not a valid integer value" from strict integer conversions.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// "Unable to write to %s" from INI writes.
class EIniFileException : public Exception {
public:
  using Exception::Exception;
};

// File-system failures (open, create, rename, copy, delete).
class EInOutError : public Exception {
public:
  using Exception::Exception;
};

namespace mv {
// The text the standard error box shows: a full stop is appended when the
// text's last character has a code above that of the full stop (so "Failed"
// becomes "Failed." but "Failed!" and "Failed." stay as they are).
std::string ErrorDisplayText(const std::string &message);

// "'%s' is not a valid integer value" with text in place of %s.
[[noreturn]] void ThrowInvalidInteger(const std::string &text);
} // namespace mv

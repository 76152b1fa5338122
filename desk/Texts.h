#pragma once
// The courier's texts are written here as UTF-8 literals for the reader of the
// code and used as the Windows-1251 text the program works in.
#include "platform/CodePage.h"

#include <string>
#include <string_view>

namespace mv {
inline std::string Cp1251(std::string_view utf8) {
  return Utf8ToWin1251(utf8);
}
} // namespace mv

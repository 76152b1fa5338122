#include "archive/ExtractOutcome.h"

#include "platform/CodePage.h"

std::string EntryFailureText(TEntryFailure reason) {
  switch (reason) {
  case TEntryFailure::Encrypted:
    return mv::Utf8ToWin1251("зашифрованный архив");
  case TEntryFailure::Damaged:
    return mv::Utf8ToWin1251("повреждённый архив");
  case TEntryFailure::UnsupportedMethod:
    return mv::Utf8ToWin1251("неподдерживаемый метод сжатия");
  case TEntryFailure::UnpackLimit:
    return mv::Utf8ToWin1251("превышен предел распаковки");
  case TEntryFailure::DiskFull:
    return mv::Utf8ToWin1251("недостаточно места на диске");
  case TEntryFailure::WriteError:
    return mv::Utf8ToWin1251("ошибка записи файла");
  }
  return {};
}

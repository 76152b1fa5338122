#pragma once
// "This must fail with this text": runs action and expects an error of type E
// (any of the program's errors by default) whose text is exactly text.
#include "platform/Errors.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace mvtest {
template <typename E = Exception>
void ExpectError(const std::function<void()> &action, const std::string &text) {
  try {
    action();
    ADD_FAILURE() << "no error, expected: " << text;
  } catch (const E &e) {
    EXPECT_EQ(e.Message(), text);
  }
}
} // namespace mvtest

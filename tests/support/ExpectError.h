#pragma once
// "This must fail with this text": runs action and expects an error of type E
// (any of the program's errors by default) whose text is exactly text; more,
// when given, checks the rest of the error (a reply code, a socket error).
#include "platform/Errors.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace mvtest {
template <typename E = Exception>
void ExpectError(const std::function<void()> &action, const std::string &text,
                 const std::function<void(const E &)> &more = {}) {
  try {
    action();
    ADD_FAILURE() << "no error, expected: " << text;
  } catch (const E &e) {
    EXPECT_EQ(e.Message(), text);
    if (more)
      more(e);
  }
}

// The same for an error whose text varies: check says what must hold of it.
template <typename E>
void ExpectError(const std::function<void()> &action, const std::function<void(const E &)> &check) {
  try {
    action();
    ADD_FAILURE() << "no error";
  } catch (const E &e) {
    check(e);
  }
}
} // namespace mvtest

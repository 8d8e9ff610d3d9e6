#pragma once
// The message an exception carries, for tests that compare what a parser says about bad input.

#include <string>

namespace testsupport {

// What the exception of type E thrown by f says, or `none` when f throws nothing. Any other exception
// passes through and fails the test.
template <class E, class F>
std::string messageOf(F&& f, const std::string& none) {
  try {
    f();
  } catch (const E& error) {
    return error.what();
  }
  return none;
}

}  // namespace testsupport

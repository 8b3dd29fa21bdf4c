#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/exception.h"

// Runs the action and returns the message of the error of kind E it let
// through, "" when none; an error of any other kind fails the case.
template <typename E = Exception, typename Action>
[[nodiscard]] std::wstring ErrorOf(Action action) {
  try {
    action();
  } catch (const E& error) {
    return error.Message();
  } catch (...) {
    ADD_FAILURE() << "an error of an unexpected kind escaped";
    return L"<unexpected>";
  }
  return L"";
}

// The program's replacements for the C++ library's error paths, linked here
// with code that needs the library's other error paths too (std::mutex, the
// standard exception types): the link itself is half the test.
#include <gtest/gtest.h>

#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/error_of.h"

namespace {

TEST(RuntimeHooks, LibraryErrorsEndAsTheProgramsOwn) {
  std::mutex mutex;
  const std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(ErrorOf([] { (void)std::wstring(L"abc").at(4); }), L"Erreur inattendue");
  EXPECT_EQ(ErrorOf([] { (void)std::wstring(L"abc").substr(5); }), L"Erreur inattendue");
  EXPECT_THROW(std::vector<int>().reserve(std::vector<int>().max_size()), std::bad_alloc);
  // A standard exception thrown by code of its own keeps its type and text.
  try {
    throw std::runtime_error("own");
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "own");
  }
}

}  // namespace

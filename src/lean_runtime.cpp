// The program's own answers to the C++ runtime's last-resort hooks. The GNU
// library's defaults bring a symbol demangler and the whole std::logic_error
// family (with a second string implementation and std::random_device): a
// third of the executable, for conditions that only a bug or an exhausted
// memory can reach. Here they end in the application's error box instead.
#include <cstdlib>
#include <new>

#include "base/exception.h"

#if defined(__GLIBCXX__)

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
namespace {
[[noreturn]] void ThrowUnexpected() { throw Exception(L"Erreur inattendue"); }
}  // namespace

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_logic_error(const char*) { ThrowUnexpected(); }
void __throw_out_of_range(const char*) { ThrowUnexpected(); }
void __throw_out_of_range_fmt(const char*, ...) { ThrowUnexpected(); }
void __throw_invalid_argument(const char*) { ThrowUnexpected(); }
}  // namespace std

#endif

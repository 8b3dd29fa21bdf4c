// The program's own answers to the GNU C++ library's last-resort paths.
//
// The library's defaults bring a symbol demangler (for the message of
// std::terminate) and the string-carrying std::logic_error and
// std::runtime_error families (with a second string implementation): about
// 160 KB, a third of the executable, for conditions only a bug or exhausted
// memory can reach. The library keeps the fifteen std::__throw_* functions
// below together in one object file (functexcept.o), so all of them are
// defined here: with only some, a use of one of the others (std::string's
// out-of-range check, std::system_error's logic error) would link that file
// too and clash. The throws of bad_function_call, system_error, future_error,
// regex_error and ios_failure live in object files of their own and stay the
// library's.
//
// What they become: a failed allocation, or a length no allocation could hold, is
// std::bad_alloc, shown as "Mémoire insuffisante"; bad_cast, bad_typeid and bad_exception keep
// their own types; every other one is an Exception "Erreur inattendue". The application's
// boundary shows each in the error box. This program catches no standard exception type by
// name, so nothing is lost by the change of type. std::terminate, reached only when an
// exception escapes a noexcept function, shows the same text in a box of its own and ends the
// process at once.
#include <windows.h>

#include <exception>
#include <new>
#include <typeinfo>

#include "base/exception.h"

#if defined(__GLIBCXX__)

namespace __gnu_cxx {
void __verbose_terminate_handler() {
  MessageBoxW(nullptr, L"Erreur inattendue.", L"Erreur d'application",
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
  // Nothing of the program's own may run in this state: no destructor, no exit handler.
  TerminateProcess(GetCurrentProcess(), 3);
  ExitProcess(3);
}
}  // namespace __gnu_cxx

namespace std {
namespace {
[[noreturn]] void ThrowUnexpected() { throw Exception(L"Erreur inattendue"); }
}  // namespace

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { throw bad_alloc(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char*) { ThrowUnexpected(); }
void __throw_domain_error(const char*) { ThrowUnexpected(); }
void __throw_invalid_argument(const char*) { ThrowUnexpected(); }
void __throw_out_of_range(const char*) { ThrowUnexpected(); }
void __throw_out_of_range_fmt(const char*, ...) { ThrowUnexpected(); }
void __throw_runtime_error(const char*) { ThrowUnexpected(); }
void __throw_range_error(const char*) { ThrowUnexpected(); }
void __throw_overflow_error(const char*) { ThrowUnexpected(); }
void __throw_underflow_error(const char*) { ThrowUnexpected(); }
}  // namespace std

#endif

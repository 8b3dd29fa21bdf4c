#pragma once

#include <windows.h>

// Loads a DLL of Windows itself from the system folder, never from the
// executable's folder: that folder is writable by the user (the settings file
// lives there), so a file planted there under a system DLL's name must not run.
// The DLL stays loaded for the life of the process. Null when it is absent.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;

// A function of such a DLL, or null when the DLL or the function is absent.
template <typename Function>
[[nodiscard]] Function SystemFunction(const wchar_t* library, const char* name) noexcept {
  const HMODULE module = LoadSystemLibrary(library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

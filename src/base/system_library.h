#pragma once

#include <windows.h>

// Takes the executable's folder and the current folder out of the search that
// every later load by bare name makes, Windows' own DLLs' loads included (input
// methods, visual styles, the shell's handlers): a program run from a download
// folder must not pick up a DLL planted beside it. Leaves only the system
// folder where Windows supports it (Windows 8, or 7 with KB2533623); elsewhere
// only the current folder goes. Call it first thing: what the executable
// imports was resolved before any of its code ran.
void RestrictDllSearchToSystemFolder() noexcept;

// Loads a DLL of Windows itself from the system folder, never from the
// executable's folder: that folder is writable by the user (the settings file
// lives there), so a file planted there under a system DLL's name must not run.
// The DLL stays loaded for the life of the process. Null when it is absent.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* Name) noexcept;

// A function of such a DLL, or null when the DLL or the function is absent.
template <typename Function>
[[nodiscard]] Function SystemFunction(const wchar_t* Library, const char* Name) noexcept {
  const HMODULE module = LoadSystemLibrary(Library);
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, Name)))
                : nullptr;
}

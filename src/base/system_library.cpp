#include "base/system_library.h"

#include <string>

namespace {

// kernel32 is loaded in every process before its first instruction.
template <typename Function>
Function KernelFunction(const char* Name) noexcept {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, Name)))
                : nullptr;
}

// LoadLibraryExW's documentation: the LOAD_LIBRARY_SEARCH_* flags exist exactly
// where AddDllDirectory does (Windows 8, or 7 with KB2533623). Asking is safer
// than reading an error code, which Windows 7 does not promise.
bool SearchFlagsSupported() noexcept {
  static const bool supported = KernelFunction<FARPROC>("AddDllDirectory") != nullptr;
  return supported;
}

// The system folder's path and the name, for a Windows without those flags.
HMODULE LoadFromSystemFolder(const wchar_t* Name) noexcept {
  try {
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size()) return nullptr;
    path.resize(length);
    path += L'\\';
    path += Name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void RestrictDllSearchToSystemFolder() noexcept {
  SetDllDirectoryW(L"");
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  if (const auto setDefaultDirectories =
          KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories"))
    setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const wchar_t* Name) noexcept {
  if (SearchFlagsSupported()) return LoadLibraryExW(Name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return LoadFromSystemFolder(Name);
}

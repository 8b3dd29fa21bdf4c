#include "base/system_library.h"

#include <string>

namespace {

// The system folder's path and the name, for Windows 7 without the update
// that brought LOAD_LIBRARY_SEARCH_SYSTEM32 (KB2533623).
HMODULE LoadFromSystemFolder(const wchar_t* name) noexcept {
  try {
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size()) return nullptr;
    path.resize(length);
    path += L'\\';
    path += name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
  if (const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
    return module;
  // Only an unsupported flag falls back; an absent DLL stays absent.
  if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  return LoadFromSystemFolder(name);
}

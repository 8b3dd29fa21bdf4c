#include "base/module_path.h"

#include <windows.h>

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH + 1, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    // A cut path fills the buffer completely (and Vista+ also reports
    // ERROR_INSUFFICIENT_BUFFER); grow until the whole path fits.
    if (length < size) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 0x10000) return {};
    path.resize(path.size() * 2);
  }
}

std::wstring FolderPart(const std::wstring& Path) {
  const auto separator = Path.find_last_of(L":\\");
  return separator == std::wstring::npos ? std::wstring() : Path.substr(0, separator + 1);
}

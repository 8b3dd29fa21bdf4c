// Writes the settings file path this executable uses to the file named by its
// first argument, as UTF-8, so a script can check it from outside.
#include <windows.h>

#include <string>

#include "Trelvane.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring path = SettingsFilePath();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()), utf8.data(), bytes,
                      nullptr, nullptr);
  HANDLE out = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(out);
  return 0;
}

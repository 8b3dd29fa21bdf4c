// Writes the settings file path this executable uses to the file named by its
// first argument, as UTF-8, so a script can check it from outside.
#include <windows.h>

#include <string>

#include "Trelvane.h"
#include "base/unique_handle.h"
#include "support/text.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring path = SettingsFilePath();
  const std::string utf8 = Narrow(path);
  const UniqueFileHandle out(
      CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return out && WriteFile(out.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written,
                          nullptr)
             ? 0
             : 3;
}

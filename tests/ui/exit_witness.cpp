// Loaded into a process that must end without running any more code of its
// own: told of the process's end, it leaves the file named by
// TRELVANE_EXIT_WITNESS behind (as a C runtime DLL would run destructors).
#include <windows.h>

#include "base/unique_handle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  wchar_t path[MAX_PATH];
  if (reason == DLL_PROCESS_DETACH &&
      GetEnvironmentVariableW(L"TRELVANE_EXIT_WITNESS", path, MAX_PATH) > 0) {
    const UniqueFileHandle witness(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  return TRUE;
}

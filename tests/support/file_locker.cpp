// file_locker FILE READY_EVENT RELEASE_EVENT [SHARE_MODE]
// Opens FILE for reading and writing, letting others share it as SHARE_MODE
// says (none by default), signals READY_EVENT, and holds the file until
// RELEASE_EVENT is signalled (or ten minutes have passed, should the test die).
#include <windows.h>

#include <cwchar>

#include "base/unique_handle.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 && argc != 5) return 2;
  const DWORD share = argc == 5 ? std::wcstoul(argv[4], nullptr, 0) : 0;
  const UniqueFileHandle file(CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 3;
  const UniqueKernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
  const UniqueKernelHandle release(OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
  if (!ready || !release) return 4;
  SetEvent(ready.get());
  return WaitForSingleObject(release.get(), 600000) == WAIT_OBJECT_0 ? 0 : 5;
}

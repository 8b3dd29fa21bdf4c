// ini_convert_child FILE READY_EVENT
// Signals READY_EVENT, then makes FILE a Unicode settings file, so that a test
// can kill it at chosen moments of the conversion. Exit code 0 when converted.
#include <windows.h>

#include "base/unique_handle.h"
#include "unicode_ini.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const UniqueKernelHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
  if (!ready) return 3;
  SetEvent(ready.get());
  return MakeUnicodeIniFile(argv[1]) ? 0 : 1;
}

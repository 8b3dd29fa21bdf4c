// window_shot OUT.bmp [close]: waits for the program's window, saves it as it
// is on the screen, frame included, and optionally asks it to close.

#include <cstdio>
#include <string>

#include "e2e/driver.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: window_shot OUT.bmp [close]\n");
    return 2;
  }
  // The pointer out of the way: no hover effect or tooltip in the picture.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  HWND form = nullptr;
  e2e::WaitUntil([&] {
    form = FindWindowW(L"TForm1", nullptr);
    return form != nullptr && IsWindowVisible(form);
  });
  if (form == nullptr) {
    std::fwprintf(stderr, L"window_shot: no window appeared\n");
    return 1;
  }
  e2e::Settle(form);
  const bool saved = e2e::SaveWindowBitmap(form, argv[1]);
  if (argc > 2 && std::wstring(argv[2]) == L"close") PostMessageW(form, WM_CLOSE, 0, 0);
  return saved ? 0 : 1;
}

// The smallest sensible window program with Trelvane's frame and client size
// and one painted state label: the start-up and footprint limit that Trelvane
// is measured against. Same toolchain, same flags, nothing else.
//
// The TRELVANE_BENCH_WITH_* definitions build variants that add one of
// Trelvane's start-up costs at a time, to see where its time goes; the plain
// baseline defines none of them.
#include <windows.h>

#include "base/unique_handle.h"

#ifdef TRELVANE_BENCH_WITH_OLE
#include <ole2.h>
#endif
#ifdef TRELVANE_BENCH_WITH_SHELL
#include <shellapi.h>
#endif
#ifdef TRELVANE_BENCH_WITH_LOGO
#include <string_view>

#include "ui/picture.h"
#endif

namespace {

constexpr wchar_t kClassName[] = L"TrelvaneBaseline";
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 327;
constexpr int kClientHeight = 114;
constexpr RECT kLabel = {140, 35, 140 + 179, 35 + 21};
constexpr COLORREF kGreen = RGB(0, 128, 0);

UniqueHFont labelFont;

#ifdef TRELVANE_BENCH_WITH_LOGO
// The main window's own picture code: header read at start, decoded at first paint.
ui::TPicture logo;

void LoadLogo() {
  ui::RegisterStandardFileFormats();
  const HRSRC found = FindResourceW(nullptr, L"LOGO", MAKEINTRESOURCEW(10));  // RT_RCDATA
  const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
  logo.Load(std::string_view(data, SizeofResource(nullptr, found)), L"jpg");
}
#endif

void PaintLabel(HDC dc) noexcept {
  const UniqueHBrush green(CreateSolidBrush(kGreen));
  FillRect(dc, &kLabel, green.get());
  const SelectedObject font(dc, labelFont.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT box = kLabel;
  DrawTextW(dc, L"Activé", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
#ifdef TRELVANE_BENCH_WITH_LOGO
      logo.Draw(dc, 114, 113);
#endif
      PaintLabel(dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef TRELVANE_BENCH_WITH_SHELL
  // Imported and resolved at load, as for the web link; never called here.
  static decltype(&ShellExecuteW) volatile shellExecute = ShellExecuteW;
  (void)shellExecute;
#endif
#ifdef TRELVANE_BENCH_WITH_OLE
  if (FAILED(OleInitialize(nullptr))) return 1;
  CoInitialize(nullptr);
#endif
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass)) return 1;
#ifdef TRELVANE_BENCH_WITH_LOGO
  try {
    LoadLogo();
  } catch (...) {
    return 1;
  }
#endif

  labelFont.reset(CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                              0, L"Segoe UI"));
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const HWND window = CreateWindowExW(
      kExStyle, kClassName, L"Baseline", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
#ifdef TRELVANE_BENCH_WITH_BUTTON
  CreateWindowExW(0, L"BUTTON", L"Désactiver", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                  176, 72, 113, 25, window, nullptr, instance, nullptr);
#endif
  ShowWindow(window, show);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
#ifdef TRELVANE_BENCH_WITH_OLE
  CoUninitialize();
  OleUninitialize();
#endif
  return static_cast<int>(message.wParam);
}

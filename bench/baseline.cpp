// The smallest sensible window program with Trelvane's frame and client size
// and one painted state label: the start-up and footprint limit that Trelvane
// is measured against. Same toolchain, same flags, nothing else.
//
// The TRELVANE_BENCH_WITH_* definitions build variants that add one of
// Trelvane's start-up costs at a time, to see where its time goes; the plain
// baseline defines none of them. The "all" variant is the floor: everything
// the program must do and show from its start, each the cheapest correct way,
// and nothing of its own machinery (layout reading, the hidden application
// window, keyboard handling, the toggle).
#include <windows.h>

#include "base/unique_handle.h"
#include "support/requirements.h"

#ifdef TRELVANE_BENCH_WITH_OLE
#include <ole2.h>
#endif
#if defined(TRELVANE_BENCH_WITH_SHELL) || defined(TRELVANE_BENCH_WITH_LINK)
#include <shellapi.h>
#endif
#ifdef TRELVANE_BENCH_WITH_HINT
#include <commctrl.h>
#endif
#ifdef TRELVANE_BENCH_WITH_LINK
#include "base/system_library.h"
#endif
#ifdef TRELVANE_BENCH_WITH_TRACKER
#include "base/module_path.h"
#endif
#ifdef TRELVANE_BENCH_WITH_LOOK
#include "ui/dpi.h"
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
constexpr RECT kLogo = {0, 0, 114, 113};
constexpr RECT kTitle = {140, 8, 140 + 179, 8 + 21};
constexpr RECT kLabel = {140, 35, 140 + 179, 35 + 21};
constexpr RECT kButton = {176, 72, 176 + 113, 72 + 25};

// What the state label and the button show.
const ExpectedPresentation* state = &Expected(Shown::Enabled);
int dpi = 96;
UniqueHFont labelFont;
#ifdef TRELVANE_BENCH_WITH_LOOK
UniqueHFont titleFont;
UniqueHFont buttonFont;
#endif

int Scaled(int value) noexcept { return MulDiv(value, dpi, 96); }
RECT Scaled(const RECT& box) noexcept {
  return {Scaled(box.left), Scaled(box.top), Scaled(box.right), Scaled(box.bottom)};
}

#ifdef TRELVANE_BENCH_WITH_TRACKER
// The entry read once and a folder found there remembered beside the executable.
// The buffer fits the bench's folder: a longer one is the program's concern, not
// a start-up cost.
const ExpectedPresentation& ReadTrackerEntry() {
  wchar_t folder[MAX_PATH] = L"";
  DWORD bytes = sizeof folder;
  if (RegGetValueW(HKEY_CURRENT_USER, kTrackerKey, L"Path", RRF_RT_REG_SZ, nullptr, folder,
                   &bytes) != ERROR_SUCCESS)
    return Expected(Shown::Missing);
  if (!folder[0]) return Expected(Shown::Disabled);
  const std::wstring settings = FolderPart(ExecutablePath()) + kSettingsFileName;
  WritePrivateProfileStringW(kSettingsSection, L"Path", folder, settings.c_str());
  return Expected(Shown::Enabled);
}
#endif

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

#ifdef TRELVANE_BENCH_WITH_HINT
// Owned by the window, which destroys it with itself.
void AddLogoHint(HWND window, HINSTANCE instance) noexcept {
  const HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   window, nullptr, instance, nullptr);
  if (!tip) return;
  SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 500);
  SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 2500);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = 1;
  tool.rect = Scaled(kLogo);
  tool.lpszText = const_cast<wchar_t*>(L"Accéder au site Web du Faelorn");
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}
#endif

#ifdef TRELVANE_BENCH_WITH_LINK
bool OnLogo(POINT client) noexcept {
  const RECT box = Scaled(kLogo);
  return PtInRect(&box, client) != FALSE;
}

// shell32 only at the first click, as in the program: importing it costs every start.
void OpenWebSite() noexcept {
  static const auto shellExecute =
      SystemFunction<decltype(&ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
  if (shellExecute) shellExecute(nullptr, L"OPEN", kSiteAddress, nullptr, nullptr, SW_SHOW);
}
#endif

void PaintLabels(HDC dc) noexcept {
  const RECT label = Scaled(kLabel);
  const UniqueHBrush colour(CreateSolidBrush(ui::ColorToRGB(state->StateColor)));
  FillRect(dc, &label, colour.get());
  SetBkMode(dc, TRANSPARENT);
  {
    const SelectedObject font(dc, labelFont.get());
    SetTextColor(dc, ui::ColorToRGB(state->StateFontColor));
    RECT box = label;
    DrawTextW(dc, state->StateCaption, -1, &box,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
#ifdef TRELVANE_BENCH_WITH_LOOK
  const SelectedObject font(dc, titleFont.get());
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  RECT title = Scaled(kTitle);
  DrawTextW(dc, L"Etat registre OpenTrack :", -1, &title, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
#endif
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
#ifdef TRELVANE_BENCH_WITH_LOGO
      logo.Draw(dc, Scaled(kLogo.right), Scaled(kLogo.bottom));
#endif
      PaintLabels(dc);
      EndPaint(window, &paint);
      return 0;
    }
#ifdef TRELVANE_BENCH_WITH_LINK
    case WM_SETCURSOR: {
      POINT cursor{};
      GetCursorPos(&cursor);
      ScreenToClient(window, &cursor);
      if (LOWORD(lparam) != HTCLIENT || !OnLogo(cursor)) break;
      SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
      return TRUE;
    }
    case WM_LBUTTONUP:
      if (OnLogo({static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))}))
        OpenWebSite();
      return 0;
#endif
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

#ifdef TRELVANE_BENCH_WITH_LOOK
// A high-contrast scheme gives the window the scheme's window colour, as in the program.
HBRUSH Background() noexcept {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  const bool on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                  (contrast.dwFlags & HCF_HIGHCONTRASTON);
  return on ? reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)
            : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

// Made at 96 DPI like the program's form; resized only when the monitor says otherwise.
void FollowWindowDpi(HWND window) noexcept {
  dpi = ui::WindowDpi(window);
  if (dpi == 96) return;
  RECT outer{};
  RECT client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  SetWindowPos(window, nullptr, 0, 0,
               Scaled(kClientWidth) + (outer.right - outer.left) - client.right,
               Scaled(kClientHeight) + (outer.bottom - outer.top) - client.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef TRELVANE_BENCH_WITH_SHELL
  // Imported and resolved at load, as a web link would without lazy loading; never called.
  static decltype(&ShellExecuteW) volatile shellExecute = ShellExecuteW;
  (void)shellExecute;
#endif
#ifdef TRELVANE_BENCH_WITH_OLE
  if (FAILED(OleInitialize(nullptr))) return 1;
  CoInitialize(nullptr);
#endif
#ifdef TRELVANE_BENCH_WITH_HINT
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
#endif
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
#ifdef TRELVANE_BENCH_WITH_LOOK
  windowClass.hIcon = LoadIconW(instance, L"MAINICON");
#endif
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
#ifdef TRELVANE_BENCH_WITH_LOOK
  windowClass.hbrBackground = Background();
#else
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
#endif
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass)) return 1;
#ifdef TRELVANE_BENCH_WITH_LOGO
  try {
    LoadLogo();
  } catch (...) {
    return 1;
  }
#endif
#ifdef TRELVANE_BENCH_WITH_TRACKER
  try {
    state = &ReadTrackerEntry();
  } catch (...) {
    return 1;
  }
#endif

  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const HWND window = CreateWindowExW(
      kExStyle, kClassName, L"Baseline", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
#ifdef TRELVANE_BENCH_WITH_LOOK
  FollowWindowDpi(window);
  titleFont.reset(CreateFontW(Scaled(-16), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0,
                              0, 0, 0, L"Segoe UI Semibold"));
  buttonFont.reset(CreateFontW(Scaled(-12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, 0, 0, 0, 0, L"Segoe UI"));
#endif
  labelFont.reset(CreateFontW(Scaled(-16), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              0, 0, 0, 0, L"Segoe UI"));
#ifdef TRELVANE_BENCH_WITH_BUTTON
  if (state->ButtonVisible) {
    const RECT box = Scaled(kButton);
    const HWND button = CreateWindowExW(0, L"BUTTON", state->ButtonCaption,
                                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                        box.left, box.top, box.right - box.left,
                                        box.bottom - box.top, window, nullptr, instance, nullptr);
#ifdef TRELVANE_BENCH_WITH_LOOK
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.get()), FALSE);
#else
    (void)button;
#endif
  }
#endif
#ifdef TRELVANE_BENCH_WITH_HINT
  AddLogoHint(window, instance);
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

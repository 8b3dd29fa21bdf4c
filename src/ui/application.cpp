#include "ui/application.h"

#include <commctrl.h>
#include <ole2.h>

#include <new>
#include <vector>

#include "base/exception.h"
#include "base/module_path.h"
#include "ui/picture.h"

namespace ui {

TApplication Application;

namespace {

constexpr wchar_t kWindowClass[] = L"TApplication";

struct DisabledWindows {
  HWND Keep;
  std::vector<HWND> Windows;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM context) noexcept {
  auto& disabled = *reinterpret_cast<DisabledWindows*>(context);
  if (window != disabled.Keep && IsWindowVisible(window) && IsWindowEnabled(window)) {
    try {
      disabled.Windows.push_back(window);
    } catch (...) {
      return FALSE;
    }
    EnableWindow(window, FALSE);
  }
  return TRUE;
}

// While the box is open, every other window of the program waits for it.
class TaskWindowsDisabled {
 public:
  explicit TaskWindowsDisabled(HWND owner) noexcept : FDisabled{owner, {}} {
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&FDisabled));
  }
  ~TaskWindowsDisabled() {
    for (const HWND window : FDisabled.Windows)
      EnableWindow(window, TRUE);
  }
  TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
  TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

 private:
  DisabledWindows FDisabled;
};

// Puts the hidden application window at the centre of the active window's
// monitor for the time of the box, so the box opens where the user looks.
class ApplicationWindowOnMonitorOf {
 public:
  ApplicationWindowOnMonitorOf(HWND application, HWND active) noexcept : FWindow(application) {
    if (!application || !active) return;
    const HMONITOR target = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
    if (target == MonitorFromWindow(application, MONITOR_DEFAULTTONEAREST)) return;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(target, &info) || !GetWindowRect(application, &FOld)) return;
    const RECT& work = info.rcWork;
    Move((work.left + work.right) / 2, (work.top + work.bottom) / 2);
    FMoved = true;
  }
  ~ApplicationWindowOnMonitorOf() {
    if (FMoved) Move(FOld.left, FOld.top);
  }
  ApplicationWindowOnMonitorOf(const ApplicationWindowOnMonitorOf&) = delete;
  ApplicationWindowOnMonitorOf& operator=(const ApplicationWindowOnMonitorOf&) = delete;

 private:
  void Move(int x, int y) noexcept {
    SetWindowPos(FWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND FWindow;
  RECT FOld{};
  bool FMoved = false;
};

}  // namespace

std::wstring ApplicationTitleFromPath(const std::wstring& Path) {
  std::wstring title = Path.substr(Path.find_last_of(L'\\') + 1);
  if (const auto dot = title.find(L'.'); dot != std::wstring::npos) title.resize(dot);
  if (title.size() > 1) CharLowerW(&title[1]);
  return title;
}

std::wstring ErrorBoxText(const std::wstring& Message) {
  if (!Message.empty() && Message.back() > L'.') return Message + L".";
  return Message;
}

int FirstShowCommand(const STARTUPINFOW& Startup) noexcept {
  if (Startup.dwFlags & STARTF_USESHOWWINDOW) {
    if (Startup.wShowWindow == SW_SHOWMAXIMIZED) return SW_SHOWMAXIMIZED;
    if (Startup.wShowWindow == SW_SHOWMINNOACTIVE) return SW_SHOWMINNOACTIVE;
  }
  return SW_SHOWNORMAL;
}

// ExitProcess would let the C runtime DLL run the program's global destructors
// while it detaches (closing the key, flushing the file, destroying windows
// after user32 began to leave); TerminateProcess runs no code of the process.
void EndSession() noexcept {
  TerminateProcess(GetCurrentProcess(), 0);
  ExitProcess(0);  // not reached: a process may always end itself
}

void TApplication::Initialize() {
  RegisterStandardFileFormats();
  FOleInitialized = SUCCEEDED(OleInitialize(nullptr));
  FComInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  FTitle = ApplicationTitleFromPath(ExecutablePath());
  FIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
  CreateHandle();
}

void TApplication::Finalize() noexcept {
  FMainForm.reset();
  FHandle.reset();
  if (FComInitialized) CoUninitialize();
  if (FOleInitialized) OleUninitialize();
  FComInitialized = FOleInitialized = false;
}

void TApplication::CreateHandle() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = FIcon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
  // Never shown: it owns boxes and hears of log-off while no form is active.
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  FHandle.reset(CreateWindowExW(0, kWindowClass, FTitle.c_str(),
                                WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU, x, y, 0, 0,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!FHandle) throw Exception(L"Impossible de créer la fenêtre de l'application");
}

LRESULT CALLBACK TApplication::WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                               LPARAM LParam) noexcept {
  switch (Message) {
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      if (WParam) EndSession();
      return 0;
    default: return DefWindowProcW(Window, Message, WParam, LParam);
  }
}

int TApplication::Run() {
  if (FMainForm) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    FMainForm->Show(FirstShowCommand(startup));
  }
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got < 0) return 0;
    if (FMainForm && FMainForm->PreTranslateKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void TApplication::HandleException() noexcept {
  try {
    throw;
  } catch (const Exception& error) {
    ShowException(error.Message());
  } catch (const std::bad_alloc&) {
    ShowException(L"Mémoire insuffisante");
  } catch (...) {
    ShowException(L"Erreur inattendue");
  }
}

void TApplication::ShowException(const std::wstring& Message) noexcept {
  try {
    const std::wstring text = ErrorBoxText(Message);
    const HWND active = GetActiveWindow();
    const HWND owner = active ? active : FHandle.get();
    const ApplicationWindowOnMonitorOf placed(FHandle.get(), active);
    {
      const TaskWindowsDisabled disabled(owner);
      MessageBoxW(owner, text.c_str(), FTitle.c_str(), MB_OK | MB_ICONERROR);
    }
    if (active && IsWindow(active)) SetActiveWindow(active);
  } catch (...) {
    // Nothing is left to report with when even the text cannot be built.
  }
}

}  // namespace ui

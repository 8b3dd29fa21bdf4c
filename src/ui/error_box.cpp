#include "ui/error_box.h"

#include <vector>

namespace ui {

namespace {

struct DisabledWindows {
  HWND Keep;
  std::vector<HWND> Windows;
};

BOOL CALLBACK DisableWindow(HWND Window, LPARAM Context) noexcept {
  auto& disabled = *reinterpret_cast<DisabledWindows*>(Context);
  if (Window != disabled.Keep && IsWindowVisible(Window) && IsWindowEnabled(Window)) {
    try {
      disabled.Windows.push_back(Window);
    } catch (...) {
      return FALSE;
    }
    EnableWindow(Window, FALSE);
  }
  return TRUE;
}

// While the box is open, every other window of the program waits for it.
class TaskWindowsDisabled {
 public:
  explicit TaskWindowsDisabled(HWND Owner) noexcept : FDisabled{Owner, {}} {
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
  ApplicationWindowOnMonitorOf(HWND Application, HWND Active) noexcept : FWindow(Application) {
    if (!Application || !Active) return;
    const HMONITOR target = MonitorFromWindow(Active, MONITOR_DEFAULTTONEAREST);
    if (target == MonitorFromWindow(Application, MONITOR_DEFAULTTONEAREST)) return;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(target, &info) || !GetWindowRect(Application, &FOld)) return;
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
  void Move(int X, int Y) noexcept {
    SetWindowPos(FWindow, nullptr, X, Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HWND FWindow;
  RECT FOld{};
  bool FMoved = false;
};

}  // namespace

std::wstring ErrorBoxText(const std::wstring& Message) {
  if (!Message.empty() && Message.back() > L'.') return Message + L".";
  return Message;
}

void ShowErrorBox(HWND ApplicationWindow, const std::wstring& Title,
                  const std::wstring& Message) noexcept {
  try {
    const std::wstring text = ErrorBoxText(Message);
    const HWND active = GetActiveWindow();
    const HWND owner = active ? active : ApplicationWindow;
    const ApplicationWindowOnMonitorOf placed(ApplicationWindow, active);
    {
      const TaskWindowsDisabled disabled(owner);
      MessageBoxW(owner, text.c_str(), Title.c_str(), MB_OK | MB_ICONERROR);
    }
    if (active && IsWindow(active)) SetActiveWindow(active);
  } catch (...) {
    // Nothing is left to report with when even the text cannot be built.
  }
}

}  // namespace ui

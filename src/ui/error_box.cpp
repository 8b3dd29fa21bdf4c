#include "ui/error_box.h"

#include <vector>

namespace ui {

namespace {

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

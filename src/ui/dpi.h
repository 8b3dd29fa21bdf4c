#pragma once

#include <windows.h>

namespace ui {

// Effective DPI of the monitor nearest to the window. Falls back to the
// system DPI where the per-monitor query does not exist (before Windows 8.1).
[[nodiscard]] int WindowDpi(HWND Window) noexcept;

}  // namespace ui

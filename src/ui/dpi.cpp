#include "ui/dpi.h"

#include <shellscalingapi.h>

#include "base/system_library.h"
#include "base/unique_handle.h"
#include "ui/scale.h"

namespace ui {

namespace {

using GetDpiForMonitorFunction = decltype(&GetDpiForMonitor);

// Looked up at run time: Windows 7 has no shcore.dll.
GetDpiForMonitorFunction MonitorDpiQuery() noexcept {
  static const auto query =
      SystemFunction<GetDpiForMonitorFunction>(L"shcore.dll", "GetDpiForMonitor");
  return query;
}

int SystemDpi() noexcept {
  const WindowDc screen(nullptr);
  const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int WindowDpi(HWND Window) noexcept {
  if (const auto query = MonitorDpiQuery()) {
    UINT x = 0;
    UINT y = 0;
    const HMONITOR monitor = MonitorFromWindow(Window, MONITOR_DEFAULTTONEAREST);
    if (SUCCEEDED(query(monitor, MDT_EFFECTIVE_DPI, &x, &y)) && y > 0) return static_cast<int>(y);
  }
  return SystemDpi();
}

}  // namespace ui

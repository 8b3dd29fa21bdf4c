#include "ui/dpi.h"

#include "base/system_library.h"
#include "base/unique_handle.h"
#include "ui/scale.h"

namespace ui {

namespace {

constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

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

int WindowDpi(HWND window) noexcept {
  if (const auto query = MonitorDpiQuery()) {
    UINT x = 0;
    UINT y = 0;
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (SUCCEEDED(query(monitor, kEffectiveDpi, &x, &y)) && y > 0) return static_cast<int>(y);
  }
  return SystemDpi();
}

}  // namespace ui

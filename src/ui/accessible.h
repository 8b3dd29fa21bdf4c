#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "base/unique_handle.h"
#include "ui/controls.h"

struct IAccPropServices;

namespace ui {

using TControls = std::vector<std::unique_ptr<TControl>>;

// Posted to the form when a client does a windowless control's default
// action; WParam is the control's index in creation order.
constexpr UINT WM_ACCESSIBLE_CLICK = WM_USER + 1;

class TAccessibleClient;

// What screen readers get for a form's client area: Windows' standard client
// object with one child per control in creation order, windowless controls by
// child id, windowed ones by their window's own object. Made at the first
// request only, so that the accessibility DLLs are loaded only when a client
// asks for them.
class TAccessibleView {
 public:
  TAccessibleView() noexcept;
  ~TAccessibleView();
  TAccessibleView(const TAccessibleView&) = delete;
  TAccessibleView& operator=(const TAccessibleView&) = delete;

  // The answer to WM_GETOBJECT for OBJID_CLIENT; 0 lets DefWindowProc answer.
  [[nodiscard]] LRESULT Answer(HWND Window, WPARAM Flags, const TControls& Controls) noexcept;
  // Before the window or its controls go: every later call on the object
  // answers that it is gone, and no new object is made.
  void Disconnect() noexcept;

 private:
  void AnnotateLiveRegions(const TControls& Controls) noexcept;

  HWND FWindow = nullptr;
  UniqueCom<TAccessibleClient> FObject;
  UniqueCom<IAccPropServices> FAnnotations;
  std::vector<LONG> FAnnotated;
  bool FDisconnected = false;
};

}  // namespace ui

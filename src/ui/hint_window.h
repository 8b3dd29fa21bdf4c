#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "base/unique_handle.h"
#include "ui/controls.h"
#include "ui/types.h"

namespace ui {

// The tooltip of a form: one tool per windowless control with a hint, shown
// and hidden by the common controls with the application's delays.
class THintWindow {
 public:
  using TControls = std::vector<std::unique_ptr<TControl>>;

  // A missing tooltip takes nothing else away: the form works without it.
  void Create(HWND Form, THintDelays Delays, const TControls& Controls) noexcept;
  // After the controls were scaled.
  void UpdateRects(const TControls& Controls) noexcept;
  // A key press hides it, as a click does.
  void Hide() noexcept;

 private:
  template <typename ToolAction>
  void ForEachTool(const TControls& Controls, ToolAction Action) const noexcept;

  UniqueHWnd FHandle;
  HWND FForm = nullptr;
};

}  // namespace ui

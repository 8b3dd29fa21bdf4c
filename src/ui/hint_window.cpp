#include "ui/hint_window.h"

#include <commctrl.h>

namespace ui {

template <typename ToolAction>
void THintWindow::ForEachTool(const TControls& Controls, ToolAction Action) const noexcept {
  UINT id = 1;
  for (const auto& control : Controls) {
    if (!control->Handle() && control->ShowHint()) {
      TOOLINFOW tool{};
      tool.cbSize = sizeof(tool);
      tool.uFlags = TTF_SUBCLASS;
      tool.hwnd = FForm;
      tool.uId = id;
      tool.rect = control->Bounds().Rect();
      tool.lpszText = const_cast<wchar_t*>(control->Hint().c_str());
      Action(tool);
    }
    ++id;
  }
}

void THintWindow::Create(HWND Form, THintDelays Delays, const TControls& Controls) noexcept {
  FForm = Form;
  FHandle.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Form,
                                nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!FHandle) return;
  SendMessageW(FHandle.get(), TTM_SETDELAYTIME, TTDT_INITIAL, Delays.Pause);
  SendMessageW(FHandle.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, Delays.HidePause);
  ForEachTool(Controls, [this](TOOLINFOW& Tool) {
    SendMessageW(FHandle.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Tool));
  });
}

void THintWindow::UpdateRects(const TControls& Controls) noexcept {
  if (!FHandle) return;
  ForEachTool(Controls, [this](TOOLINFOW& Tool) {
    SendMessageW(FHandle.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&Tool));
  });
}

void THintWindow::Hide() noexcept {
  if (FHandle) SendMessageW(FHandle.get(), TTM_POP, 0, 0);
}

}  // namespace ui

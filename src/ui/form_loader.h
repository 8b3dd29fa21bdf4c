#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/font.h"
#include "ui/layout.h"
#include "ui/types.h"

namespace ui {

// What a form's layout gives it: its own properties, its controls in creation
// order, and the handlers of its two events.
struct TFormDesign {
  std::wstring Caption;
  int ClientWidth = 0;
  int ClientHeight = 0;
  TColor Color = clWhite;
  TFont Font;
  std::vector<std::unique_ptr<TControl>> Controls;
  TNotifyEvent OnCreate;
  TCloseEvent OnClose;
};

// Where the loader finds the handlers a layout names: the form's own.
class TEventHandlers {
 public:
  // Empty when there is none of that name.
  [[nodiscard]] virtual TNotifyEvent FindNotifyHandler(const std::wstring& Name) = 0;
  [[nodiscard]] virtual TCloseEvent FindCloseHandler(const std::wstring& Name) = 0;

 protected:
  ~TEventHandlers() = default;
};

// Fills the design from a layout whose root object must be of the class
// ClassName. Throws ELayoutError for anything it cannot apply: an unknown
// class, property, value or handler name, nested or duplicate controls.
// Controls take the design's font as their parent font, so the design must
// not move afterwards.
void LoadFormDesign(const TLayoutObject& Layout, const std::wstring& ClassName,
                    TEventHandlers& Handlers, TFormDesign& Design);

}  // namespace ui

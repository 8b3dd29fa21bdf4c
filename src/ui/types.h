#pragma once

#include <windows.h>

#include <cstdint>

namespace ui {

// The sender of an event: every control and form is one.
class TObject {
 public:
  virtual ~TObject() = default;
};

// A literal colour 0x00BBGGRR, or a system colour 0xFF0000nn (nn = COLOR_* index).
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x00000000;
constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clRed = 0x000000FF;
constexpr TColor clGreen = 0x00008000;
constexpr TColor clWindow = 0xFF000000 | COLOR_WINDOW;
constexpr TColor clWindowText = 0xFF000000 | COLOR_WINDOWTEXT;
constexpr TColor clInfoBk = 0xFF000000 | COLOR_INFOBK;
constexpr TColor clInfoText = 0xFF000000 | COLOR_INFOTEXT;

[[nodiscard]] inline COLORREF ColorToRGB(TColor Color) noexcept {
  if (Color & 0xFF000000) return GetSysColor(static_cast<int>(Color & 0xFF));
  return static_cast<COLORREF>(Color);
}

// The action a close handler is given. caHide, the only one, hides nothing
// here: the main form stays visible until the message loop ends.
enum class TCloseAction { caHide };

// Tooltip delays in milliseconds: before it appears, and before it hides.
struct THintDelays {
  int Pause = 500;
  int HidePause = 2500;
};

}  // namespace ui

#pragma once

#include <windows.h>

namespace ui {

// Every layout value is written for 96 DPI.
constexpr int kDesignDpi = 96;

// A control's box in client pixels.
struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;

  [[nodiscard]] RECT Rect() const noexcept { return {Left, Top, Left + Width, Top + Height}; }
  [[nodiscard]] bool Contains(POINT point) const noexcept {
    return point.x >= Left && point.x < Left + Width && point.y >= Top && point.y < Top + Height;
  }
  friend bool operator==(const TBounds& a, const TBounds& b) noexcept {
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
  }
};

// The one scaling rule for geometry and fonts: MulDiv's rounding (halves away from zero).
[[nodiscard]] inline int ScaleValue(int value, int numerator, int denominator) noexcept {
  return MulDiv(value, numerator, denominator);
}

// Edges are scaled and sizes derived from them, so neighbouring boxes stay adjacent.
[[nodiscard]] inline TBounds ScaleBounds(const TBounds& bounds, int numerator,
                                         int denominator) noexcept {
  TBounds scaled;
  scaled.Left = ScaleValue(bounds.Left, numerator, denominator);
  scaled.Top = ScaleValue(bounds.Top, numerator, denominator);
  scaled.Width = ScaleValue(bounds.Left + bounds.Width, numerator, denominator) - scaled.Left;
  scaled.Height = ScaleValue(bounds.Top + bounds.Height, numerator, denominator) - scaled.Top;
  return scaled;
}

}  // namespace ui

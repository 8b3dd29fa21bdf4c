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
  [[nodiscard]] bool Contains(POINT Point) const noexcept {
    return Point.x >= Left && Point.x < Left + Width && Point.y >= Top && Point.y < Top + Height;
  }
  friend bool operator==(const TBounds& First, const TBounds& Second) noexcept {
    return First.Left == Second.Left && First.Top == Second.Top && First.Width == Second.Width &&
           First.Height == Second.Height;
  }
};

// The one scaling rule for geometry and fonts: MulDiv's rounding (halves away from zero).
[[nodiscard]] inline int ScaleValue(int Value, int Numerator, int Denominator) noexcept {
  return MulDiv(Value, Numerator, Denominator);
}

// Edges are scaled and sizes derived from them, so neighbouring boxes stay adjacent.
[[nodiscard]] inline TBounds ScaleBounds(const TBounds& Bounds, int Numerator,
                                         int Denominator) noexcept {
  TBounds scaled;
  scaled.Left = ScaleValue(Bounds.Left, Numerator, Denominator);
  scaled.Top = ScaleValue(Bounds.Top, Numerator, Denominator);
  scaled.Width = ScaleValue(Bounds.Left + Bounds.Width, Numerator, Denominator) - scaled.Left;
  scaled.Height = ScaleValue(Bounds.Top + Bounds.Height, Numerator, Denominator) - scaled.Top;
  return scaled;
}

}  // namespace ui

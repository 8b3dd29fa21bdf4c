#pragma once

#include <windows.h>

#include <string>

#include "base/unique_handle.h"
#include "ui/types.h"

namespace ui {

// A font description whose Windows font is made when first needed and made
// again whenever the description changes.
class TFont {
 public:
  std::wstring Name = L"Segoe UI";
  int Height = -12;  // negative: character height in pixels
  bool Bold = false;
  BYTE Charset = DEFAULT_CHARSET;
  TColor Color = clWindowText;

  // Takes over the other font's description; its Windows font is made anew.
  void Assign(const TFont& Source);
  [[nodiscard]] HFONT Handle();
  void Changed() noexcept { FHandle.reset(); }
  void ScaleBy(int Numerator, int Denominator) noexcept;

 private:
  UniqueHFont FHandle;
};

}  // namespace ui

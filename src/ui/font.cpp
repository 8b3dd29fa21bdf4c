#include "ui/font.h"

#include "ui/scale.h"

namespace ui {

void TFont::Assign(const TFont& Source) {
  Name = Source.Name;
  Height = Source.Height;
  Bold = Source.Bold;
  Charset = Source.Charset;
  Color = Source.Color;
  Changed();
}

HFONT TFont::Handle() {
  if (!FHandle) {
    FHandle.reset(CreateFontW(Height, 0, 0, 0, Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                              Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, Name.c_str()));
  }
  return FHandle.get();
}

// A height that stays keeps its Windows font: nothing needs making again.
void TFont::ScaleBy(int Numerator, int Denominator) noexcept {
  const int height = ScaleValue(Height, Numerator, Denominator);
  if (height == Height) return;
  Height = height;
  Changed();
}

}  // namespace ui

#include "ui/controls.h"

#include <commctrl.h>

#include "ui/resource_data.h"

namespace ui {

void TControl::SetBounds(const TBounds& Bounds) {
  Invalidate();
  FBounds = Bounds;
  BoundsChanged();
  Invalidate();
}

void TControl::SetVisible(bool Visible) {
  if (FVisible == Visible) return;
  FVisible = Visible;
  Invalidate();
}

TFont& TControl::Font() noexcept { return FParentFont ? FParentFontSource : FFont; }

HFONT TControl::FontHandle() { return Font().Handle(); }

bool TControl::ReadFontProperty(const std::wstring& Property, const TLayoutValue& Value) {
  if (Property.rfind(L"Font.", 0) != 0) return false;
  if (FParentFont) {
    FFont = TFont();
    FParentFont = false;
  }
  return ReadFontLayoutProperty(FFont, Property, Value);
}

// The properties every control takes; any Font.* one gives it a font of its own.
bool TControl::ReadProperty(const std::wstring& Property, const TLayoutValue& Value) {
  static constexpr TLayoutChoices<TCursor, 2> kCursors{
      L"curseur inconnu ",
      {{L"crDefault", TCursor::crDefault}, {L"crHandPoint", TCursor::crHandPoint}}};
  static constexpr TPropertyReader<TControl> kProperties[] = {
      {L"Left", [](auto& C, auto& N, auto& V) { C.FBounds.Left = LayoutInteger(N, V); }},
      {L"Top", [](auto& C, auto& N, auto& V) { C.FBounds.Top = LayoutInteger(N, V); }},
      {L"Width", [](auto& C, auto& N, auto& V) { C.FBounds.Width = LayoutInteger(N, V); }},
      {L"Height", [](auto& C, auto& N, auto& V) { C.FBounds.Height = LayoutInteger(N, V); }},
      {L"Visible", [](auto& C, auto& N, auto& V) { C.FVisible = LayoutBoolean(N, V); }},
      {L"Hint", [](auto& C, auto& N, auto& V) { C.FHint = LayoutString(N, V); }},
      {L"ShowHint", [](auto& C, auto& N, auto& V) { C.FShowHint = LayoutBoolean(N, V); }},
      {L"Cursor", [](auto& C, auto& N, auto& V) { C.FCursor = LayoutChoice(N, V, kCursors); }}};
  return ReadPropertyFrom(kProperties, *this, Property, Value) || ReadFontProperty(Property, Value);
}

void TControl::ScaleBy(int Numerator, int Denominator) {
  const TBounds scaled = ScaleBounds(FBounds, Numerator, Denominator);
  if (!FParentFont) FFont.ScaleBy(Numerator, Denominator);
  if (scaled == FBounds) return;
  FBounds = scaled;
  BoundsChanged();
}

TFont& TControl::OwnFont() {
  if (FParentFont) {
    FFont.Assign(FParentFontSource);
    FParentFont = false;
  }
  return FFont;
}

void TControl::Invalidate() noexcept {
  if (Handle() || !FParent) return;
  const RECT box = FBounds.Rect();
  InvalidateRect(FParent, &box, FALSE);
}

void TControl::AccessibleNameChanged() const noexcept {
  if (!FParent || !FVisible || !IsWindowVisible(FParent)) return;
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, FParent, OBJID_CLIENT, FAccessibleId);
  if (FLiveSetting != TLiveSetting::Off)
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, FParent, OBJID_CLIENT, FAccessibleId);
}

// ---- TLabel

void TLabel::SetCaption(const std::wstring& Caption) {
  if (Caption == FCaption) return;
  FCaption = Caption;
  AdjustSize();
  Invalidate();
  AccessibleNameChanged();
}

void TLabel::SetColor(TColor Color) {
  FColor = Color;
  Invalidate();
}

void TLabel::SetFontColor(TColor Color) {
  OwnFont().Color = Color;
  Invalidate();
}

bool TLabel::ReadProperty(const std::wstring& Property, const TLayoutValue& Value) {
  static constexpr TLayoutChoices<TAlignment, 2> kAlignments{
      L"alignement inconnu ",
      {{L"taLeftJustify", TAlignment::taLeftJustify}, {L"taCenter", TAlignment::taCenter}}};
  static constexpr TLayoutChoices<TTextLayout, 2> kLayouts{
      L"disposition inconnue ",
      {{L"tlTop", TTextLayout::tlTop}, {L"tlCenter", TTextLayout::tlCenter}}};
  static constexpr TPropertyReader<TLabel> kProperties[] = {
      {L"Caption", [](auto& C, auto& N, auto& V) { C.FCaption = LayoutString(N, V); }},
      {L"Color", [](auto& C, auto& N, auto& V) { C.FColor = ReadLayoutColor(N, V); }},
      {L"Transparent", [](auto& C, auto& N, auto& V) { C.FTransparent = LayoutBoolean(N, V); }},
      {L"AutoSize", [](auto& C, auto& N, auto& V) { C.FAutoSize = LayoutBoolean(N, V); }},
      {L"Alignment",
       [](auto& C, auto& N, auto& V) { C.FAlignment = LayoutChoice(N, V, kAlignments); }},
      {L"Layout", [](auto& C, auto& N, auto& V) { C.FLayout = LayoutChoice(N, V, kLayouts); }}};
  return ReadPropertyFrom(kProperties, *this, Property, Value) ||
         TControl::ReadProperty(Property, Value);
}

SIZE TLabel::TextSize(HDC Dc) {
  const SelectedObject font(Dc, FontHandle());
  RECT measured{0, 0, 0, 0};
  DrawTextW(Dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &measured,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  return {measured.right - measured.left, measured.bottom - measured.top};
}

void TLabel::AdjustSize() {
  if (!FAutoSize) return;
  const WindowDc screen(nullptr);
  const SIZE text = TextSize(screen.get());
  TBounds bounds = Bounds();
  bounds.Width = text.cx;
  bounds.Height = text.cy;
  SetBounds(bounds);
}

void TLabel::Paint(HDC Dc) {
  const TBounds& box = Bounds();
  if (!FTransparent) {
    const UniqueHBrush background(CreateSolidBrush(ColorToRGB(FColor)));
    const RECT whole{0, 0, box.Width, box.Height};
    FillRect(Dc, &whole, background.get());
  }
  const SIZE text = TextSize(Dc);
  const int top = FLayout == TTextLayout::tlCenter ? (box.Height - text.cy) / 2 : 0;
  RECT line{0, top, box.Width, top + text.cy};
  const SelectedObject font(Dc, FontHandle());
  SetTextColor(Dc, ColorToRGB(Font().Color));
  SetBkMode(Dc, TRANSPARENT);
  // DT_NOCLIP: the box itself is the clip, so a long caption loses both ends.
  const UINT align = FAlignment == TAlignment::taCenter ? DT_CENTER : DT_LEFT;
  DrawTextW(Dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &line,
            align | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

// ---- TImage

bool TImage::ReadProperty(const std::wstring& Property, const TLayoutValue& Value) {
  static constexpr TPropertyReader<TImage> kProperties[] = {
      {L"Picture.Resource",
       [](auto& C, auto& N, auto& V) { C.FPictureResource = LayoutString(N, V); }},
      {L"Picture.Format",
       [](auto& C, auto& N, auto& V) { C.FPictureFormat = LayoutString(N, V); }}};
  return ReadPropertyFrom(kProperties, *this, Property, Value) ||
         TControl::ReadProperty(Property, Value);
}

// The picture needs both its resource and its format, however they were ordered.
void TImage::Loaded() {
  if (FPictureFormat) FPicture.Load(ResourceData(FPictureResource), *FPictureFormat);
}

void TImage::Paint(HDC Dc) { FPicture.Draw(Dc, Bounds().Width, Bounds().Height); }

// ---- TButton

TButton::~TButton() {
  if (FHandle) RemoveWindowSubclass(FHandle.get(), FocusWatch, 0);
}

void TButton::SetCaption(const std::wstring& Caption) {
  FCaption = Caption;
  if (FHandle) SetWindowTextW(FHandle.get(), FCaption.c_str());
}

void TButton::SetVisible(bool Visible) {
  if (Visible == this->Visible()) return;
  TControl::SetVisible(Visible);
  if (!FHandle) return;
  // Hidden while focused: the focus goes to the form, not to nowhere.
  if (!Visible && GetFocus() == FHandle.get()) SetFocus(Parent());
  ShowWindow(FHandle.get(), Visible ? SW_SHOWNA : SW_HIDE);
}

bool TButton::ReadProperty(const std::wstring& Property, const TLayoutValue& Value) {
  static constexpr TPropertyReader<TButton> kProperties[] = {
      {L"Caption", [](auto& C, auto& N, auto& V) { C.FCaption = LayoutString(N, V); }},
      {L"TabOrder", [](auto&, auto& N, auto& V) {
         if (LayoutInteger(N, V) != 0) ThrowLayoutError(N, L"un seul ordre : 0");
       }}};
  return ReadPropertyFrom(kProperties, *this, Property, Value) ||
         TControl::ReadProperty(Property, Value);
}

void TButton::CreateHandle(HWND Parent, int Id) {
  TControl::CreateHandle(Parent, Id);
  const TBounds& box = Bounds();
  const DWORD style =
      WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON | (Visible() ? WS_VISIBLE : 0);
  FHandle.reset(CreateWindowExW(
      0, L"BUTTON", FCaption.c_str(), style, box.Left, box.Top, box.Width, box.Height, Parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), GetModuleHandleW(nullptr), nullptr));
  if (!FHandle) throw Exception(L"Impossible de créer le bouton " + Name());
  SetWindowSubclass(FHandle.get(), FocusWatch, 0, reinterpret_cast<DWORD_PTR>(this));
  FontChanged();
}

void TButton::FontChanged() {
  if (FHandle)
    SendMessageW(FHandle.get(), WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
}

void TButton::SetDefaultLook(bool Default) noexcept {
  if (FHandle)
    SendMessageW(FHandle.get(), BM_SETSTYLE, Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// Not BS_NOTIFY, which would report a quick second click as a double click
// instead of a click: the focus is watched here instead.
LRESULT CALLBACK TButton::FocusWatch(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam,
                                     UINT_PTR /*Id*/, DWORD_PTR Button) noexcept {
  const LRESULT result = DefSubclassProc(Window, Message, WParam, LParam);
  if (Message == WM_SETFOCUS || Message == WM_KILLFOCUS)
    reinterpret_cast<TButton*>(Button)->SetDefaultLook(Message == WM_SETFOCUS);
  else if (Message == WM_NCDESTROY)
    RemoveWindowSubclass(Window, FocusWatch, 0);
  return result;
}

void TButton::BoundsChanged() {
  const TBounds& box = Bounds();
  if (FHandle)
    SetWindowPos(FHandle.get(), nullptr, box.Left, box.Top, box.Width, box.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ui

#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/unique_handle.h"
#include "ui/font.h"
#include "ui/layout.h"
#include "ui/picture.h"
#include "ui/scale.h"
#include "ui/types.h"

namespace ui {

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

enum class TCursor { crDefault, crHandPoint };

// What a windowless control is to assistive technology.
enum class TAccessibleRole { Graphic, Link, Text };
// How insistently a screen reader reads out a control's new name, as UI
// Automation's LiveSetting values.
enum class TLiveSetting { Off = 0, Polite = 1, Assertive = 2 };

// What every control has: a name, a box, a font (its own or its parent's), a
// cursor, a hint and a click event. Windowless controls are drawn by the form.
class TControl : public TObject {
 public:
  TControl(TFont& ParentFont, std::wstring Name)
      : FParentFontSource(ParentFont), FName(std::move(Name)) {}

  [[nodiscard]] const std::wstring& Name() const noexcept { return FName; }
  [[nodiscard]] const TBounds& Bounds() const noexcept { return FBounds; }
  void SetBounds(const TBounds& Bounds);
  [[nodiscard]] bool Visible() const noexcept { return FVisible; }
  virtual void SetVisible(bool Visible);
  [[nodiscard]] TFont& Font() noexcept;
  [[nodiscard]] TCursor Cursor() const noexcept { return FCursor; }
  [[nodiscard]] const std::wstring& Hint() const noexcept { return FHint; }
  [[nodiscard]] bool ShowHint() const noexcept { return FShowHint && !FHint.empty(); }

  TNotifyEvent OnClick;
  void Click() {
    if (OnClick) OnClick(this);
  }

  // Applies one layout property; false when this kind has no such property.
  virtual bool ReadProperty(const std::wstring& Property, const TLayoutValue& Value);
  // After all its layout properties were read, in whatever order they came.
  virtual void Loaded() {}
  // Places the control in its parent window; windowed controls create their own.
  virtual void CreateHandle(HWND Parent, int /*Id*/) { FParent = Parent; }
  [[nodiscard]] virtual HWND Handle() const noexcept { return nullptr; }
  [[nodiscard]] virtual bool CanFocus() const noexcept { return false; }
  virtual void Paint(HDC /*Dc*/) {}
  // Geometry and own font; the form scales its own font.
  void ScaleBy(int Numerator, int Denominator);
  // After the font changed or the geometry was scaled.
  virtual void FontChanged() {}
  void Invalidate() noexcept;

  // What screen readers are given for a windowless control; a windowed one
  // has its window's own object.
  [[nodiscard]] virtual TAccessibleRole AccessibleRole() const noexcept {
    return TAccessibleRole::Graphic;
  }
  [[nodiscard]] virtual std::wstring AccessibleName() const { return FHint; }
  [[nodiscard]] TLiveSetting LiveSetting() const noexcept { return FLiveSetting; }
  void SetLiveSetting(TLiveSetting Setting) noexcept { FLiveSetting = Setting; }
  // Its child id in the parent's accessible object, named in the events it raises.
  void SetAccessibleId(LONG Id) noexcept { FAccessibleId = Id; }

 protected:
  [[nodiscard]] HFONT FontHandle();
  // The control's own font, first made as a copy of the parent's, so that a
  // change of it never reaches the parent or the other controls sharing it.
  [[nodiscard]] TFont& OwnFont();
  [[nodiscard]] HWND Parent() const noexcept { return FParent; }
  virtual void BoundsChanged() {}
  // Clients learn of a new name only from an event; a live region's is also read out.
  void AccessibleNameChanged() const noexcept;

 private:
  bool ReadFontProperty(const std::wstring& Property, const TLayoutValue& Value);

  TFont& FParentFontSource;
  HWND FParent = nullptr;
  std::wstring FName;
  TBounds FBounds;
  bool FVisible = true;
  bool FParentFont = true;
  TFont FFont;
  TCursor FCursor = TCursor::crDefault;
  std::wstring FHint;
  bool FShowHint = false;
  TLiveSetting FLiveSetting = TLiveSetting::Off;
  LONG FAccessibleId = CHILDID_SELF;
};

enum class TAlignment { taLeftJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter };

// Windowless one-line text: transparent or filled, left or centred, top or
// middle; optionally sized to its text. Never wrapped, never shortened with an
// ellipsis: what does not fit is clipped by the box.
class TLabel final : public TControl {
 public:
  using TControl::TControl;

  [[nodiscard]] const std::wstring& Caption() const noexcept { return FCaption; }
  void SetCaption(const std::wstring& Caption);
  [[nodiscard]] TColor Color() const noexcept { return FColor; }
  void SetColor(TColor Color);
  void SetFontColor(TColor Color);

  bool ReadProperty(const std::wstring& Property, const TLayoutValue& Value) override;
  void Paint(HDC Dc) override;
  void FontChanged() override { AdjustSize(); }
  [[nodiscard]] TAccessibleRole AccessibleRole() const noexcept override {
    return TAccessibleRole::Text;
  }
  [[nodiscard]] std::wstring AccessibleName() const override { return FCaption; }

 private:
  void AdjustSize();
  [[nodiscard]] SIZE TextSize(HDC Dc);

  std::wstring FCaption;
  TColor FColor = clWhite;
  bool FTransparent = true;
  bool FAutoSize = false;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TTextLayout FLayout = TTextLayout::tlTop;
};

// Windowless picture drawn from the top-left corner, shrunk only when too big.
class TImage final : public TControl {
 public:
  using TControl::TControl;

  [[nodiscard]] TPicture& Picture() noexcept { return FPicture; }
  bool ReadProperty(const std::wstring& Property, const TLayoutValue& Value) override;
  void Loaded() override;
  void Paint(HDC Dc) override;
  // A picture that does something when clicked is a link, named by its hint.
  [[nodiscard]] TAccessibleRole AccessibleRole() const noexcept override {
    return OnClick ? TAccessibleRole::Link : TAccessibleRole::Graphic;
  }

 private:
  TPicture FPicture;
  std::wstring FPictureResource;
  std::optional<std::wstring> FPictureFormat;
};

// A real push button child window, so that Windows draws it with visual styles.
class TButton final : public TControl {
 public:
  using TControl::TControl;
  ~TButton() override;
  TButton(const TButton&) = delete;
  TButton& operator=(const TButton&) = delete;

  [[nodiscard]] const std::wstring& Caption() const noexcept { return FCaption; }
  void SetCaption(const std::wstring& Caption);
  void SetVisible(bool Visible) override;

  bool ReadProperty(const std::wstring& Property, const TLayoutValue& Value) override;
  void CreateHandle(HWND Parent, int Id) override;
  [[nodiscard]] HWND Handle() const noexcept override { return FHandle.get(); }
  [[nodiscard]] bool CanFocus() const noexcept override { return Visible() && FHandle; }
  void FontChanged() override;

 protected:
  void BoundsChanged() override;

 private:
  // The default-button frame follows the focus.
  void SetDefaultLook(bool Default) noexcept;
  static LRESULT CALLBACK FocusWatch(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam,
                                     UINT_PTR Id, DWORD_PTR Button) noexcept;

  std::wstring FCaption;
  UniqueHWnd FHandle;
};

}  // namespace ui

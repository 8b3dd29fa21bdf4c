#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "ui/accessible.h"
#include "ui/controls.h"
#include "ui/font.h"
#include "ui/form_host.h"
#include "ui/form_loader.h"
#include "ui/hint_window.h"
#include "ui/types.h"

namespace ui {

// Whether the user runs a high-contrast colour scheme. Replaceable, because
// tests must answer in Wine's place: it refuses to switch one on.
extern bool (*HighContrastOn)() noexcept;

// A fixed-size tool window built from the layout stored in the executable as
// RCDATA named after the form's class. Its window class carries the same name.
// What it needs from the application comes through the host it is given.
class TForm : public TObject, private TEventHandlers {
 public:
  explicit TForm(TFormHost& Host) noexcept : FHost(Host) {}
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  // Reads the layout, creates the invisible window scaled to its monitor,
  // then runs OnCreate (an error from it is reported, and creation goes on).
  void Create();

  [[nodiscard]] HWND Handle() const noexcept { return FHandle.get(); }
  [[nodiscard]] TFont& Font() noexcept { return FDesign.Font; }
  [[nodiscard]] int CurrentDpi() const noexcept { return FCurrentDpi; }

  // The first showing: maximised, minimised without activation, or normal.
  void Show(int ShowCommand);
  // Runs OnClose, then tells the host. Once closed, later close requests and
  // clicks are ignored.
  void Close();
  [[nodiscard]] bool Closed() const noexcept { return FClosed; }

  // Keyboard handling of the message loop: Tab, Enter. True when consumed.
  [[nodiscard]] bool PreTranslateKey(const MSG& Message) noexcept;

  TNotifyEvent& OnCreate = FDesign.OnCreate;
  TCloseEvent& OnClose = FDesign.OnClose;

 protected:
  [[nodiscard]] virtual std::wstring ClassName() const = 0;
  // Handlers by name, for the layout; empty when the form has none of that name.
  [[nodiscard]] TNotifyEvent FindNotifyHandler(const std::wstring& Name) override;
  [[nodiscard]] TCloseEvent FindCloseHandler(const std::wstring& Name) override;
  // After the layout was read, before the window exists.
  virtual void Loaded() {}

  template <typename T>
  [[nodiscard]] T* Control(const std::wstring& Name) const {
    T* control = dynamic_cast<T*>(FindControl(Name));
    if (!control) ThrowLayoutError(Name, L"contrôle absent ou d'un autre type");
    return control;
  }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                          LPARAM LParam) noexcept;
  LRESULT WndProc(UINT Message, WPARAM WParam, LPARAM LParam);

  [[nodiscard]] TControl* FindControl(const std::wstring& Name) const noexcept;
  void CreateWindowHandle();
  void RegisterWindowClass() const;
  void CreateControls();
  // Scales the layout, written at 96 DPI, to the monitor's density.
  void ApplyDensity();
  void ScaleControls(int Numerator, int Denominator);
  void SetClientSize(int Width, int Height);
  void OnDpiChanged(int NewDpi, const RECT& Suggested);
  void Paint();
  [[nodiscard]] TControl* WindowlessControlAt(POINT Point) const noexcept;
  [[nodiscard]] TControl* ControlOfHandle(HWND Handle) const noexcept;
  [[nodiscard]] TControl* FirstFocusableControl() const noexcept;
  [[nodiscard]] TControl* FocusTarget() const noexcept;
  void FocusOnActivation();
  void OnSetFocus();
  bool RenewBackground();
  void OnColorsChanged(bool SystemColors);
  [[nodiscard]] bool CanAct(const TControl& Control) const noexcept;
  void OnAccessibleClick(WPARAM Index);
  void OnCommand(WPARAM WParam, LPARAM LParam);
  bool OnSetCursor(LPARAM LParam);
  void OnMouseDown(POINT Point);
  void OnMouseUp(POINT Point);

  TFormHost& FHost;
  TFormDesign FDesign;
  UniqueHWnd FHandle;
  THintWindow FHints;
  UniqueHBrush FBackground;
  COLORREF FBackgroundColor = 0;
  TAccessibleView FAccessible;
  int FCurrentDpi = 96;
  TControl* FPressed = nullptr;
  TControl* FFocused = nullptr;
  bool FClosed = false;
};

}  // namespace ui

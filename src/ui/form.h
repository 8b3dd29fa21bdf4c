#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "ui/controls.h"
#include "ui/font.h"
#include "ui/layout.h"
#include "ui/types.h"

namespace ui {

// A fixed-size tool window built from the layout stored in the executable as
// RCDATA named after the form's class. Its window class carries the same name.
class TForm : public TObject {
 public:
  TForm() = default;
  ~TForm() override;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  // Reads the layout, creates the invisible window scaled to its monitor,
  // then runs OnCreate (an error from it is reported, and creation goes on).
  void Create();

  [[nodiscard]] HWND Handle() const noexcept { return FHandle.get(); }
  [[nodiscard]] const std::wstring& Caption() const noexcept { return FCaption; }
  [[nodiscard]] TFont& Font() noexcept { return FFont; }
  [[nodiscard]] TColor Color() const noexcept { return FColor; }
  [[nodiscard]] int CurrentPPI() const noexcept { return FCurrentPPI; }
  [[nodiscard]] TControl* FindControl(const std::wstring& Name) const noexcept;
  [[nodiscard]] const std::vector<std::unique_ptr<TControl>>& Controls() const noexcept {
    return FControls;
  }

  void Show(int ShowCommand);
  // Runs OnClose; the main form then ends the message loop. Once closed, later
  // close requests and clicks are ignored.
  void Close();
  [[nodiscard]] bool Closed() const noexcept { return FClosed; }

  // Keyboard handling of the message loop: Tab, Enter. True when consumed.
  [[nodiscard]] bool PreTranslateKey(const MSG& Message) noexcept;

  // The event handler a layout names; throws ELayoutError for an unknown name.
  [[nodiscard]] TNotifyEvent NotifyHandler(const std::wstring& Name);
  [[nodiscard]] TCloseEvent CloseHandler(const std::wstring& Name);

  TNotifyEvent OnCreate;
  TCloseEvent OnClose;

 protected:
  [[nodiscard]] virtual std::wstring ClassName() const = 0;
  // Handlers by name; empty when the form has none of that name.
  [[nodiscard]] virtual TNotifyEvent FindNotifyHandler(const std::wstring& Name);
  [[nodiscard]] virtual TCloseEvent FindCloseHandler(const std::wstring& Name);
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
  LRESULT WndProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

  void ReadLayout(const TLayoutObject& Layout);
  void ReadProperty(const std::wstring& Property, const TLayoutValue& Value);
  void CreateControl(const TLayoutObject& Layout);
  void CreateWindowHandle();
  void CreateHints();
  void UpdateHintRects() noexcept;
  void ScaleControls(int Numerator, int Denominator);
  void SetClientSize(int Width, int Height);
  void OnDpiChanged(HWND Window, int NewDpi, const RECT& Suggested);
  void Paint(HWND Window);
  [[nodiscard]] TControl* WindowlessControlAt(POINT Point) const noexcept;
  [[nodiscard]] TControl* ControlOfHandle(HWND Handle) const noexcept;
  [[nodiscard]] TControl* FirstFocusableControl() const noexcept;
  void FocusOnActivation();
  void OnCommand(WPARAM WParam, LPARAM LParam);
  bool OnSetCursor(LPARAM LParam);
  void OnMouseDown(POINT Point);
  void OnMouseUp(POINT Point);

  UniqueHWnd FHandle;
  UniqueHWnd FHints;
  UniqueHBrush FBackground;
  std::vector<std::unique_ptr<TControl>> FControls;
  std::wstring FCaption;
  TFont FFont;
  TColor FColor = clWhite;
  int FClientWidth = 0;
  int FClientHeight = 0;
  int FCurrentPPI = 96;
  TControl* FPressed = nullptr;
  TControl* FFocused = nullptr;
  bool FClosed = false;
};

}  // namespace ui

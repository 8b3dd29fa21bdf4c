#include "ui/form.h"

#include <commctrl.h>

#include "ui/dpi.h"
#include "ui/resource_data.h"
#include "ui/scale.h"

namespace ui {

namespace {

constexpr DWORD kStyle = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW | WS_EX_TOOLWINDOW;
constexpr int kFirstControlId = 100;

bool SystemHighContrastOn() noexcept {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace

bool (*HighContrastOn)() noexcept = SystemHighContrastOn;

TForm::~TForm() {
  // Clients may hold the accessible object longer: it must let go of the controls first.
  FAccessible.Disconnect();
  // No message may reach a form that is being destroyed.
  if (FHandle) SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
  // Children first, each by its own owner, so no handle is destroyed twice.
  FDesign.Controls.clear();
  FHints = THintWindow();
  FHandle.reset();
}

void TForm::Create() {
  LoadFormDesign(ParseLayout(ResourceData(ClassName())), ClassName(), *this, FDesign);
  Loaded();
  CreateWindowHandle();
  try {
    if (OnCreate) OnCreate(this);
  } catch (...) {
    FHost.ReportException();
  }
}

TControl* TForm::FindControl(const std::wstring& Name) const noexcept {
  for (const auto& control : FDesign.Controls)
    if (control->Name() == Name) return control.get();
  return nullptr;
}

TNotifyEvent TForm::FindNotifyHandler(const std::wstring& /*Name*/) { return {}; }
TCloseEvent TForm::FindCloseHandler(const std::wstring& /*Name*/) { return {}; }

void TForm::CreateWindowHandle() {
  RegisterWindowClass();
  RenewBackground();
  // The frame as at the system's density: a window made at 96 DPI then needs no
  // second sizing, and ApplyDensity corrects any other.
  RECT frame{0, 0, FDesign.ClientWidth, FDesign.ClientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  // The window procedure takes the handle at WM_NCCREATE; a creation that fails
  // after it gives it back at WM_NCDESTROY.
  if (!CreateWindowExW(kExStyle, ClassName().c_str(), FDesign.Caption.c_str(), kStyle,
                       CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                       frame.bottom - frame.top, FHost.FormOwner(), nullptr,
                       GetModuleHandleW(nullptr), this))
    throw Exception(L"Impossible de créer la fenêtre " + ClassName());
  if (const HICON icon = FHost.FormIcon())
    SendMessageW(FHandle.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  CreateControls();
  ApplyDensity();
  FHints.Create(FHandle.get(), FHost.HintDelays(), FDesign.Controls);
}

void TForm::RegisterWindowClass() const {
  const std::wstring className = ClassName();
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className.c_str();
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw Exception(L"Impossible d'enregistrer la classe de fenêtre " + className);
}

// Windowed controls take command ids from kFirstControlId; every control is a
// child of the accessible object, numbered from 1.
void TForm::CreateControls() {
  int id = kFirstControlId;
  LONG accessibleId = 1;
  for (const auto& control : FDesign.Controls) {
    control->CreateHandle(FHandle.get(), id);
    if (control->Handle()) ++id;
    control->SetAccessibleId(accessibleId++);
  }
}

// The first size comes from the monitor the window was created on: no
// WM_DPICHANGED is sent for it.
void TForm::ApplyDensity() {
  FCurrentDpi = WindowDpi(FHandle.get());
  ScaleControls(FCurrentDpi, kDesignDpi);
  SetClientSize(ScaleValue(FDesign.ClientWidth, FCurrentDpi, kDesignDpi),
                ScaleValue(FDesign.ClientHeight, FCurrentDpi, kDesignDpi));
}

void TForm::ScaleControls(int Numerator, int Denominator) {
  FDesign.Font.ScaleBy(Numerator, Denominator);
  for (const auto& control : FDesign.Controls) {
    control->ScaleBy(Numerator, Denominator);
    control->FontChanged();
  }
  FHints.UpdateRects(FDesign.Controls);
}

// Keeps the position Windows chose; the frame's size is whatever Windows draws.
void TForm::SetClientSize(int Width, int Height) {
  RECT window{};
  RECT client{};
  GetWindowRect(FHandle.get(), &window);
  GetClientRect(FHandle.get(), &client);
  if (client.right == Width && client.bottom == Height) return;
  const int frameWidth = (window.right - window.left) - client.right;
  const int frameHeight = (window.bottom - window.top) - client.bottom;
  SetWindowPos(FHandle.get(), nullptr, 0, 0, Width + frameWidth, Height + frameHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show(int ShowCommand) {
  // Windows replaces the process's first SW_SHOWNORMAL, SW_SHOW or SW_SHOWDEFAULT
  // with the launcher's STARTUPINFO.wShowWindow (ShowWindow's remarks), so 2 would
  // open minimised and 0 not at all; SetWindowPos shows and activates without it.
  if (ShowCommand == SW_SHOWNORMAL)
    SetWindowPos(FHandle.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  else
    ShowWindow(FHandle.get(), ShowCommand);
  UpdateWindow(FHandle.get());
}

void TForm::Close() {
  if (FClosed) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  FClosed = true;
  FHost.FormClosed();
}

TControl* TForm::ControlOfHandle(HWND Handle) const noexcept {
  if (!Handle) return nullptr;
  for (const auto& control : FDesign.Controls)
    if (control->Handle() == Handle) return control.get();
  return nullptr;
}

TControl* TForm::FirstFocusableControl() const noexcept {
  for (const auto& control : FDesign.Controls)
    if (control->CanFocus()) return control.get();
  return nullptr;
}

TControl* TForm::WindowlessControlAt(POINT Point) const noexcept {
  for (auto it = FDesign.Controls.rbegin(); it != FDesign.Controls.rend(); ++it)
    if (!(*it)->Handle() && (*it)->Visible() && (*it)->Bounds().Contains(Point)) return it->get();
  return nullptr;
}

bool TForm::PreTranslateKey(const MSG& Message) noexcept {
  if ((Message.message != WM_KEYDOWN && Message.message != WM_SYSKEYDOWN) || !FHandle) return false;
  if (Message.hwnd != FHandle.get() && GetParent(Message.hwnd) != FHandle.get()) return false;
  FHints.Hide();
  if (Message.message != WM_KEYDOWN) return false;
  if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0) return false;
  switch (Message.wParam) {
    case VK_TAB:
      // Windows hides focus rectangles until the keyboard is used; the dialog
      // manager lifts that on Tab, and this form handles Tab itself.
      SendMessageW(FHandle.get(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
      if (TControl* next = FirstFocusableControl()) SetFocus(next->Handle());
      return true;
    case VK_RETURN:
      // Enter clicks the focused button; with the focus on the form it does nothing.
      if (TControl* focused = ControlOfHandle(GetFocus())) {
        const int id = GetDlgCtrlID(focused->Handle());
        SendMessageW(FHandle.get(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(focused->Handle()));
      }
      return true;
    default: return false;
  }
}

TControl* TForm::FocusTarget() const noexcept {
  return (FFocused && FFocused->CanFocus()) ? FFocused : FirstFocusableControl();
}

void TForm::FocusOnActivation() {
  TControl* target = FocusTarget();
  SetFocus(target ? target->Handle() : FHandle.get());
}

// An activation while minimised leaves the focus alone; Windows gives it to
// the window itself when it is restored, and the control should have it.
void TForm::OnSetFocus() {
  if (IsIconic(FHandle.get())) return;
  if (TControl* target = FocusTarget()) SetFocus(target->Handle());
}

// In high contrast the window takes the scheme's window colour, on which text
// in the window-text colour stays readable; otherwise its own.
bool TForm::RenewBackground() {
  const COLORREF color = ColorToRGB(HighContrastOn() ? clWindow : FDesign.Color);
  if (FBackground && color == FBackgroundColor) return false;
  FBackground.reset(CreateSolidBrush(color));
  FBackgroundColor = color;
  return true;
}

void TForm::OnColorsChanged(bool SystemColors) {
  if (SystemColors) {
    // Common controls repaint in new colours only when told.
    for (const auto& control : FDesign.Controls)
      if (control->Handle()) SendMessageW(control->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  }
  if (RenewBackground() || SystemColors)
    RedrawWindow(FHandle.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// However a click arrives (the mouse, a key, BM_CLICK or WM_COMMAND from
// another program, an accessibility client), a control the user can neither
// see nor use does nothing, and nothing acts once the form is closed.
bool TForm::CanAct(const TControl& Control) const noexcept {
  if (FClosed || !Control.Visible()) return false;
  const HWND window = Control.Handle() ? Control.Handle() : FHandle.get();
  return IsWindowVisible(window) && IsWindowEnabled(window) && IsWindowEnabled(FHandle.get());
}

void TForm::OnAccessibleClick(WPARAM Index) {
  if (Index >= FDesign.Controls.size()) return;
  TControl& control = *FDesign.Controls[Index];
  if (!control.Handle() && CanAct(control)) control.Click();
}

void TForm::OnCommand(WPARAM WParam, LPARAM LParam) {
  if (HIWORD(WParam) != BN_CLICKED) return;
  TControl* button = ControlOfHandle(reinterpret_cast<HWND>(LParam));
  if (button && CanAct(*button)) button->Click();
}

bool TForm::OnSetCursor(LPARAM LParam) {
  if (LOWORD(LParam) != HTCLIENT) return false;
  POINT point{};
  GetCursorPos(&point);
  ScreenToClient(FHandle.get(), &point);
  const TControl* control = WindowlessControlAt(point);
  if (!control || control->Cursor() != TCursor::crHandPoint) return false;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return true;
}

void TForm::OnMouseDown(POINT Point) {
  TControl* control = WindowlessControlAt(Point);
  if (!control || !control->OnClick) return;
  FPressed = control;
  SetCapture(FHandle.get());
}

// A click counts only when press and release are both inside the control.
void TForm::OnMouseUp(POINT Point) {
  TControl* pressed = std::exchange(FPressed, nullptr);
  if (!pressed) return;
  ReleaseCapture();
  if (CanAct(*pressed) && pressed->Bounds().Contains(Point)) pressed->Click();
}

void TForm::Paint() {
  const PaintScope paint(FHandle.get());
  const HDC dc = paint.Dc();
  FillRect(dc, &paint.Area(), FBackground.get());
  for (const auto& control : FDesign.Controls) {
    if (control->Handle() || !control->Visible()) continue;
    const RECT box = control->Bounds().Rect();
    RECT overlap{};
    if (!IntersectRect(&overlap, &box, &paint.Area())) continue;
    const SavedDc saved(dc);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    SetViewportOrgEx(dc, box.left, box.top, nullptr);
    control->Paint(dc);
  }
}

void TForm::OnDpiChanged(int NewDpi, const RECT& Suggested) {
  const HWND window = FHandle.get();
  // WM_SETREDRAW TRUE sets WS_VISIBLE: on a window not shown yet, the first
  // showing would then find it "visible" and neither show nor activate it.
  const bool suspendDrawing = IsWindowVisible(window) != FALSE;
  if (suspendDrawing) SendMessageW(window, WM_SETREDRAW, FALSE, 0);
  ScaleControls(NewDpi, FCurrentDpi);
  FCurrentDpi = NewDpi;
  SetWindowPos(window, nullptr, Suggested.left, Suggested.top, Suggested.right - Suggested.left,
               Suggested.bottom - Suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (!suspendDrawing) return;
  SendMessageW(window, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// The form owns its window from WM_NCCREATE on, so every handler, those run
// inside CreateWindowExW included, works on that one handle.
LRESULT CALLBACK TForm::WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                        LPARAM LParam) noexcept {
  if (Message == WM_NCCREATE) {
    auto* created =
        static_cast<TForm*>(reinterpret_cast<const CREATESTRUCTW*>(LParam)->lpCreateParams);
    if (created) created->FHandle.reset(Window);
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(Window, Message, WParam, LParam);
  try {
    return form->WndProc(Message, WParam, LParam);
  } catch (...) {
    form->FHost.ReportException();
    return 0;
  }
}

LRESULT TForm::WndProc(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(); return 0;
    case WM_CTLCOLORBTN: return reinterpret_cast<LRESULT>(FBackground.get());
    case WM_SETCURSOR:
      if (OnSetCursor(LParam)) return TRUE;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnMouseDown({static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))});
      return 0;
    case WM_LBUTTONUP:
      OnMouseUp({static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))});
      return 0;
    case WM_CAPTURECHANGED: FPressed = nullptr; return 0;
    case WM_COMMAND: OnCommand(WParam, LParam); return 0;
    case WM_ACTIVATE:
      if (LOWORD(WParam) == WA_INACTIVE) {
        FFocused = ControlOfHandle(GetFocus());
      } else if (!HIWORD(WParam)) {
        FocusOnActivation();
      }
      return 0;
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case WM_SYSCOLORCHANGE: OnColorsChanged(true); return 0;
    case WM_SETTINGCHANGE: OnColorsChanged(false); break;
    case WM_GETOBJECT:
      // Compared as a DWORD, as WM_GETOBJECT's documentation asks.
      if (static_cast<DWORD>(LParam) == static_cast<DWORD>(OBJID_CLIENT))
        if (const LRESULT object = FAccessible.Answer(FHandle.get(), WParam, FDesign.Controls))
          return object;
      break;
    case WM_ACCESSIBLE_CLICK: OnAccessibleClick(WParam); return 0;
    case WM_DESTROY: FAccessible.Disconnect(); break;
    case WM_NCDESTROY: {
      // The window is gone (a failed creation ends here too): nothing is left to destroy.
      const HWND window = FHandle.release();
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return DefWindowProcW(window, Message, WParam, LParam);
    }
    case WM_CLOSE: Close(); return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(WParam), *reinterpret_cast<const RECT*>(LParam));
      return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      if (WParam) FHost.SessionEnded();
      return 0;
    default: break;
  }
  return DefWindowProcW(FHandle.get(), Message, WParam, LParam);
}

}  // namespace ui

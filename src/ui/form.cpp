#include "ui/form.h"

#include <commctrl.h>

#include "ui/application.h"
#include "ui/dpi.h"
#include "ui/resource_data.h"
#include "ui/scale.h"

namespace ui {

namespace {

constexpr DWORD kStyle = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW | WS_EX_TOOLWINDOW;
constexpr int kFirstControlId = 100;
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// BeginPaint/EndPaint as one scope.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : FWindow(window) { FDc = BeginPaint(window, &FPaint); }
  ~PaintScope() { EndPaint(FWindow, &FPaint); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  [[nodiscard]] HDC Dc() const noexcept { return FDc; }
  [[nodiscard]] const RECT& Area() const noexcept { return FPaint.rcPaint; }

 private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDc;
};

// SaveDC/RestoreDC as one scope.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) noexcept : FDc(dc), FSaved(SaveDC(dc)) {}
  ~SavedDc() { RestoreDC(FDc, FSaved); }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC FDc;
  int FSaved;
};

std::unique_ptr<TControl> NewControl(TForm& owner, const TLayoutObject& layout) {
  if (layout.ClassName == L"TLabel") return std::make_unique<TLabel>(owner, layout.Name);
  if (layout.ClassName == L"TImage") return std::make_unique<TImage>(owner, layout.Name);
  if (layout.ClassName == L"TButton") return std::make_unique<TButton>(owner, layout.Name);
  ThrowLayoutError(layout.Name, L"classe inconnue " + layout.ClassName);
}

TOOLINFOW HintTool(HWND form, UINT id, const TControl& control) noexcept {
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = form;
  tool.uId = id;
  tool.rect = control.Bounds().Rect();
  tool.lpszText = const_cast<wchar_t*>(control.Hint().c_str());
  return tool;
}

}  // namespace

TForm::~TForm() {
  // No message may reach a form that is being destroyed.
  if (FHandle) SetWindowLongPtrW(FHandle.get(), GWLP_USERDATA, 0);
  // Children first, each by its own owner, so no handle is destroyed twice.
  FControls.clear();
  FHints.reset();
  FHandle.reset();
}

void TForm::Create() {
  ReadLayout(ParseLayout(ResourceData(ClassName())));
  Loaded();
  CreateWindowHandle();
  try {
    if (OnCreate) OnCreate(this);
  } catch (...) {
    Application.HandleException();
  }
}

TControl* TForm::FindControl(const std::wstring& Name) const noexcept {
  for (const auto& control : FControls)
    if (control->Name() == Name) return control.get();
  return nullptr;
}

TNotifyEvent TForm::NotifyHandler(const std::wstring& Name) {
  TNotifyEvent handler = FindNotifyHandler(Name);
  if (!handler) ThrowLayoutError(Name, L"gestionnaire d'événement inconnu");
  return handler;
}

TCloseEvent TForm::CloseHandler(const std::wstring& Name) {
  TCloseEvent handler = FindCloseHandler(Name);
  if (!handler) ThrowLayoutError(Name, L"gestionnaire d'événement inconnu");
  return handler;
}

TNotifyEvent TForm::FindNotifyHandler(const std::wstring& /*Name*/) { return {}; }
TCloseEvent TForm::FindCloseHandler(const std::wstring& /*Name*/) { return {}; }

void TForm::ReadLayout(const TLayoutObject& Layout) {
  if (Layout.ClassName != ClassName()) ThrowLayoutError(Layout.Name, L"classe " + Layout.ClassName);
  for (const auto& [property, value] : Layout.Properties)
    ReadProperty(property, value);
  for (const auto& child : Layout.Children)
    CreateControl(child);
}

void TForm::ReadProperty(const std::wstring& Property, const TLayoutValue& Value) {
  if (Property == L"Caption") {
    FCaption = LayoutString(Property, Value);
  } else if (Property == L"ClientWidth") {
    FClientWidth = LayoutInteger(Property, Value);
  } else if (Property == L"ClientHeight") {
    FClientHeight = LayoutInteger(Property, Value);
  } else if (Property == L"Color") {
    FColor = ReadLayoutColor(Property, Value);
  } else if (Property == L"OnCreate") {
    OnCreate = NotifyHandler(LayoutIdentifier(Property, Value));
  } else if (Property == L"OnClose") {
    OnClose = CloseHandler(LayoutIdentifier(Property, Value));
  } else if (!ReadFontLayoutProperty(FFont, Property, Value)) {
    ThrowLayoutError(ClassName(), L"propriété inconnue " + Property);
  }
}

void TForm::CreateControl(const TLayoutObject& Layout) {
  if (!Layout.Children.empty()) ThrowLayoutError(Layout.Name, L"objets imbriqués");
  if (FindControl(Layout.Name)) ThrowLayoutError(Layout.Name, L"nom en double");
  auto control = NewControl(*this, Layout);
  for (const auto& [property, value] : Layout.Properties)
    if (!control->ReadProperty(property, value))
      ThrowLayoutError(Layout.Name, L"propriété inconnue " + property);
  FControls.push_back(std::move(control));
}

void TForm::CreateWindowHandle() {
  const std::wstring className = ClassName();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className.c_str();
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw Exception(L"Impossible d'enregistrer la classe de fenêtre " + className);

  FBackground.reset(CreateSolidBrush(ColorToRGB(FColor)));
  const HWND owner = Application.MainFormOnTaskBar ? nullptr : Application.Handle();
  FHandle.reset(CreateWindowExW(kExStyle, className.c_str(), FCaption.c_str(), kStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, FClientWidth, FClientHeight, owner,
                                nullptr, instance, this));
  if (!FHandle) throw Exception(L"Impossible de créer la fenêtre " + className);
  if (const HICON icon = Application.Icon())
    SendMessageW(FHandle.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

  int id = kFirstControlId;
  for (const auto& control : FControls) {
    control->CreateHandle(FHandle.get(), id);
    if (control->Handle()) ++id;
  }

  FCurrentPPI = WindowDpi(FHandle.get());
  ScaleControls(FCurrentPPI, kDesignDpi);
  SetClientSize(ScaleValue(FClientWidth, FCurrentPPI, kDesignDpi),
                ScaleValue(FClientHeight, FCurrentPPI, kDesignDpi));
  CreateHints();
}

void TForm::ScaleControls(int Numerator, int Denominator) {
  FFont.ScaleBy(Numerator, Denominator);
  for (const auto& control : FControls) {
    control->ScaleBy(Numerator, Denominator);
    control->FontChanged();
  }
  UpdateHintRects();
}

// Keeps the position Windows chose; the frame's size is whatever Windows draws.
void TForm::SetClientSize(int Width, int Height) {
  RECT window{};
  RECT client{};
  GetWindowRect(FHandle.get(), &window);
  GetClientRect(FHandle.get(), &client);
  const int frameWidth = (window.right - window.left) - client.right;
  const int frameHeight = (window.bottom - window.top) - client.bottom;
  SetWindowPos(FHandle.get(), nullptr, 0, 0, Width + frameWidth, Height + frameHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::CreateHints() {
  FHints.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               FHandle.get(), nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!FHints) return;  // a missing tooltip takes nothing else away
  SendMessageW(FHints.get(), TTM_SETDELAYTIME, TTDT_INITIAL, Application.HintPause);
  SendMessageW(FHints.get(), TTM_SETDELAYTIME, TTDT_AUTOPOP, Application.HintHidePause);
  UINT id = 1;
  for (const auto& control : FControls) {
    if (!control->Handle() && control->ShowHint()) {
      TOOLINFOW tool = HintTool(FHandle.get(), id, *control);
      SendMessageW(FHints.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ++id;
  }
}

void TForm::UpdateHintRects() noexcept {
  if (!FHints) return;
  UINT id = 1;
  for (const auto& control : FControls) {
    if (!control->Handle() && control->ShowHint()) {
      TOOLINFOW tool = HintTool(FHandle.get(), id, *control);
      SendMessageW(FHints.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ++id;
  }
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
  if (action == TCloseAction::caNone) return;
  FClosed = true;
  // The main form stays visible until the loop has ended.
  if (Application.MainForm() == this)
    Application.Terminate();
  else
    ShowWindow(FHandle.get(), SW_HIDE);
}

TControl* TForm::ControlOfHandle(HWND Handle) const noexcept {
  if (!Handle) return nullptr;
  for (const auto& control : FControls)
    if (control->Handle() == Handle) return control.get();
  return nullptr;
}

TControl* TForm::FirstFocusableControl() const noexcept {
  for (const auto& control : FControls)
    if (control->CanFocus()) return control.get();
  return nullptr;
}

TControl* TForm::WindowlessControlAt(POINT Point) const noexcept {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (!(*it)->Handle() && (*it)->Visible() && (*it)->Bounds().Contains(Point)) return it->get();
  return nullptr;
}

bool TForm::PreTranslateKey(const MSG& Message) noexcept {
  if ((Message.message != WM_KEYDOWN && Message.message != WM_SYSKEYDOWN) || !FHandle) return false;
  if (Message.hwnd != FHandle.get() && GetParent(Message.hwnd) != FHandle.get()) return false;
  // A key press hides the tooltip, as a click does.
  if (FHints) SendMessageW(FHints.get(), TTM_POP, 0, 0);
  if (Message.message != WM_KEYDOWN) return false;
  if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0) return false;
  switch (Message.wParam) {
    case VK_TAB:
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

void TForm::FocusOnActivation() {
  TControl* target = (FFocused && FFocused->CanFocus()) ? FFocused : FirstFocusableControl();
  SetFocus(target ? target->Handle() : FHandle.get());
}

void TForm::OnCommand(WPARAM WParam, LPARAM LParam) {
  auto* button = dynamic_cast<TButton*>(ControlOfHandle(reinterpret_cast<HWND>(LParam)));
  if (!button) return;
  switch (HIWORD(WParam)) {
    case BN_CLICKED: button->Click(); break;
    case BN_SETFOCUS: button->SetDefaultLook(true); break;
    case BN_KILLFOCUS: button->SetDefaultLook(false); break;
    default: break;
  }
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
  if (pressed->Visible() && pressed->Bounds().Contains(Point)) pressed->Click();
}

void TForm::Paint(HWND Window) {
  const PaintScope paint(Window);
  const HDC dc = paint.Dc();
  FillRect(dc, &paint.Area(), FBackground.get());
  for (const auto& control : FControls) {
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

void TForm::OnDpiChanged(HWND Window, int NewDpi, const RECT& Suggested) {
  SendMessageW(Window, WM_SETREDRAW, FALSE, 0);
  ScaleControls(NewDpi, FCurrentPPI);
  FCurrentPPI = NewDpi;
  SetWindowPos(Window, nullptr, Suggested.left, Suggested.top, Suggested.right - Suggested.left,
               Suggested.bottom - Suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(Window, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(Window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK TForm::WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                        LPARAM LParam) noexcept {
  if (Message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(LParam);
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(Window, Message, WParam, LParam);
  try {
    return form->WndProc(Window, Message, WParam, LParam);
  } catch (...) {
    Application.HandleException();
    return 0;
  }
}

LRESULT TForm::WndProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(Window); return 0;
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
    case WM_CLOSE: Close(); return 0;
    case WM_DPICHANGED:
      OnDpiChanged(Window, LOWORD(WParam), *reinterpret_cast<const RECT*>(LParam));
      return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      if (WParam) EndSession();
      return 0;
    default: break;
  }
  return DefWindowProcW(Window, Message, WParam, LParam);
}

}  // namespace ui

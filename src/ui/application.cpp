#include "ui/application.h"

#include <commctrl.h>
#include <ole2.h>

#include <new>

#include "base/exception.h"
#include "base/module_path.h"
#include "ui/error_box.h"
#include "ui/picture.h"

namespace ui {

TApplication Application;

namespace {

constexpr wchar_t kWindowClass[] = L"TApplication";

}  // namespace

std::wstring ApplicationTitleFromPath(const std::wstring& Path) {
  std::wstring title = Path.substr(Path.find_last_of(L'\\') + 1);
  if (const auto dot = title.find(L'.'); dot != std::wstring::npos) title.resize(dot);
  if (title.size() > 1) CharLowerW(&title[1]);
  return title;
}

int FirstShowCommand(const STARTUPINFOW& Startup) noexcept {
  if (Startup.dwFlags & STARTF_USESHOWWINDOW) {
    if (Startup.wShowWindow == SW_SHOWMAXIMIZED) return SW_SHOWMAXIMIZED;
    if (Startup.wShowWindow == SW_SHOWMINNOACTIVE) return SW_SHOWMINNOACTIVE;
  }
  return SW_SHOWNORMAL;
}

// ExitProcess would let the C runtime DLL run the program's global destructors
// while it detaches (closing the key, flushing the file, destroying windows
// after user32 began to leave); TerminateProcess runs no code of the process.
void TApplication::SessionEnded() noexcept {
  TerminateProcess(GetCurrentProcess(), 0);
  ExitProcess(0);  // not reached: a process may always end itself
}

HWND TApplication::FormOwner() const noexcept {
  return MainFormOnTaskBar ? nullptr : FHandle.get();
}

THintDelays TApplication::HintDelays() const noexcept { return {HintPause, HintHidePause}; }

void TApplication::Initialize() {
  RegisterStandardFileFormats();
  FOleInitialized = SUCCEEDED(OleInitialize(nullptr));
  FComInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  // Only the classes a form uses: the push button and the tooltip.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  FTitle = ApplicationTitleFromPath(ExecutablePath());
  FIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
}

void TApplication::Finalize() noexcept {
  FMainForm.reset();
  FHandle.reset();
  if (FComInitialized) CoUninitialize();
  if (FOleInitialized) OleUninitialize();
  FComInitialized = FOleInitialized = false;
}

bool TApplication::CreateHandle() noexcept {
  if (FHandle) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = FIcon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
  // Never shown: it owns boxes while no form is active. The form answers
  // log-off itself; this window, once made, answers it too.
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  FHandle.reset(CreateWindowExW(0, kWindowClass, FTitle.c_str(),
                                WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU, x, y, 0, 0,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  return static_cast<bool>(FHandle);
}

LRESULT CALLBACK TApplication::WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                               LPARAM LParam) noexcept {
  switch (Message) {
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
      if (WParam) Application.SessionEnded();
      return 0;
    default: return DefWindowProcW(Window, Message, WParam, LParam);
  }
}

int TApplication::Run() {
  if (FMainForm) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    FMainForm->Show(FirstShowCommand(startup));
  }
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got < 0) return 0;
    if (FMainForm && FMainForm->PreTranslateKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void TApplication::ReportException() noexcept {
  try {
    throw;
  } catch (const Exception& error) {
    ShowException(error.Message());
  } catch (const std::bad_alloc&) {
    ShowException(L"Mémoire insuffisante");
  } catch (...) {
    ShowException(L"Erreur inattendue");
  }
}

// The first box makes the hidden window: a start that reports nothing never
// creates a top-level window of its own beyond the form and its tooltip. Without
// it the box still opens, owned by the active window or by none.
void TApplication::ShowException(const std::wstring& Message) noexcept {
  CreateHandle();
  ShowErrorBox(FHandle.get(), FTitle, Message);
}

}  // namespace ui

#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/unique_handle.h"
#include "ui/form.h"

namespace ui {

// The process-wide application: its title, icon, hidden window (owner of the
// error box while no window of ours is active), main form and message loop.
class TApplication {
 public:
  // Framework start: picture formats, OLE and COM on this thread, title, icon,
  // the hidden application window.
  void Initialize();
  // Destroys the main form, then undoes OLE and COM.
  void Finalize() noexcept;

  bool MainFormOnTaskBar = false;
  int HintPause = 500;
  int HintHidePause = 2500;

  [[nodiscard]] const std::wstring& Title() const noexcept { return FTitle; }
  [[nodiscard]] HICON Icon() const noexcept { return FIcon; }
  [[nodiscard]] HWND Handle() const noexcept { return FHandle.get(); }
  [[nodiscard]] TForm* MainForm() const noexcept { return FMainForm.get(); }

  // `Reference` is set before the form's creation handler runs.
  template <typename T>
  void CreateForm(T*& Reference) {
    auto form = std::make_unique<T>();
    Reference = form.get();
    TForm* created = form.get();
    if (!FMainForm) FMainForm = std::move(form);
    created->Create();
  }

  // Shows the main form with the process's start-up show command, then loops
  // until the quit request; returns its exit code.
  int Run();
  void Terminate() noexcept { PostQuitMessage(0); }

  // To be called inside a catch block: shows the error in the error box.
  void HandleException() noexcept;
  void ShowException(const std::wstring& Message) noexcept;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                          LPARAM LParam) noexcept;
  void CreateHandle();

  std::wstring FTitle;
  HICON FIcon = nullptr;  // shared resource icon: never destroyed
  UniqueHWnd FHandle;
  std::unique_ptr<TForm> FMainForm;
  bool FOleInitialized = false;
  bool FComInitialized = false;
};

extern TApplication Application;

// "C:\x\Outil.Test.exe" -> "Outil"; "Trelvane_Project.exe" -> "Trelvane_project".
[[nodiscard]] std::wstring ApplicationTitleFromPath(const std::wstring& Path);
// The message, with a final "." unless it is empty or already ends in punctuation.
[[nodiscard]] std::wstring ErrorBoxText(const std::wstring& Message);
// Maximised for 3, minimised without activation for 7, else normal.
[[nodiscard]] int FirstShowCommand(const STARTUPINFOW& Startup) noexcept;

// Log-off or shut-down under way: end at once, without the close handler.
[[noreturn]] void EndSession() noexcept;

}  // namespace ui

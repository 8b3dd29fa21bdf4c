#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/exception.h"
#include "base/unique_handle.h"
#include "ui/form.h"
#include "ui/form_host.h"

namespace ui {

// The process-wide application: its title, icon, hidden window (owner of the
// error box while no window of ours is active), main form and message loop.
// It is the host of its main form.
class TApplication final : public TFormHost {
 public:
  // Framework start: picture formats, OLE and COM on this thread, title, icon.
  // The hidden application window waits until something needs it.
  void Initialize();
  // Destroys the main form, then undoes OLE and COM.
  void Finalize() noexcept;

  bool MainFormOnTaskBar = false;
  int HintPause = 500;
  int HintHidePause = 2500;

  [[nodiscard]] const std::wstring& Title() const noexcept { return FTitle; }

  // Creates the main form, the program's one form; `Reference` is set before
  // the form's creation handler runs.
  template <typename T>
  void CreateForm(T*& Reference) {
    if (FMainForm) throw Exception(L"Une seule fenêtre principale");
    // A form without a task-bar button of its own is owned by the application window.
    if (!MainFormOnTaskBar && !CreateHandle())
      throw Exception(L"Impossible de créer la fenêtre de l'application");
    auto form = std::make_unique<T>(*this);
    Reference = form.get();
    FMainForm = std::move(form);
    Reference->Create();
  }

  // Shows the main form with the process's start-up show command, then loops
  // until the quit request; returns its exit code.
  int Run();
  void Terminate() noexcept { PostQuitMessage(0); }

  void ShowException(const std::wstring& Message) noexcept;

  // What the main form asks of its application.
  [[nodiscard]] HWND FormOwner() const noexcept override;
  [[nodiscard]] HICON FormIcon() const noexcept override { return FIcon; }
  [[nodiscard]] THintDelays HintDelays() const noexcept override;
  void ReportException() noexcept override;
  void FormClosed() noexcept override { Terminate(); }
  void SessionEnded() noexcept override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                          LPARAM LParam) noexcept;
  // True once the hidden application window exists.
  bool CreateHandle() noexcept;

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
// Maximised for 3, minimised without activation for 7, else normal.
[[nodiscard]] int FirstShowCommand(const STARTUPINFOW& Startup) noexcept;

}  // namespace ui

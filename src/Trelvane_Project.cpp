#include <windows.h>

#include "Trelvane.h"
#include "base/exception.h"
#include "base/system_library.h"
#include "ui/application.h"
#include "ui/error_box.h"

namespace {

// Task-modal with no owner, which disables the thread's windows itself: the
// failure may come before any window of the program, or its title, exists.
void ShowStartFailure(const std::wstring& Message) noexcept {
  MessageBoxW(nullptr, ui::ErrorBoxText(Message).c_str(), L"Erreur d'application",
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

int RunProgram() {
  ui::Application.Initialize();
  ui::Application.MainFormOnTaskBar = true;
  ui::Application.CreateForm(Form1);
  return ui::Application.Run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*showCommand*/) {
  RestrictDllSearchToSystemFolder();
  int exitCode = 1;
  try {
    exitCode = RunProgram();
  } catch (const Exception& error) {
    ShowStartFailure(error.Message());
  } catch (...) {
    ShowStartFailure(L"Erreur inattendue au démarrage");
  }
  ui::Application.Finalize();
  Form1 = nullptr;
  Valeur.clear();
  Regval.clear();
  return exitCode;
}

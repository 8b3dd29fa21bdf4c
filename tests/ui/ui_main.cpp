#include <gtest/gtest.h>

#include <cstring>

#include "Trelvane.h"
#include "ui/application.h"

namespace {

// The program's main window, told that the session ends: the process must end
// there, with code 0, running nothing more (the witness DLL would notice).
int EndSessionChild() {
  if (!LoadLibraryW(L"exit_witness.dll")) return 2;
  ui::Application.Initialize();
  ui::Application.MainFormOnTaskBar = true;
  ui::Application.CreateForm(Form1);
  SendMessageW(Form1->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  return 1;
}

}  // namespace

// The framework is set up once per process, as the program's start does.
int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--end-session") == 0) return EndSessionChild();
  testing::InitGoogleTest(&argc, argv);
  ui::Application.Initialize();
  ui::Application.MainFormOnTaskBar = true;
  const int result = RUN_ALL_TESTS();
  ui::Application.Finalize();
  return result;
}

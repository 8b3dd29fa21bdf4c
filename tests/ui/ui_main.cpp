#include <gtest/gtest.h>

#include "ui/application.h"

// The framework is set up once per process, as the program's start does.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  ui::Application.Initialize();
  ui::Application.MainFormOnTaskBar = true;
  const int result = RUN_ALL_TESTS();
  ui::Application.Finalize();
  return result;
}

#pragma once

#include <windows.h>

#include "ui/form_host.h"

// Hosts the forms a test creates, in place of the application: it gives them
// the program's icon and keeps count of what they tell it.
class TestHost final : public ui::TFormHost {
 public:
  int Reported = 0;
  int Closed = 0;

  [[nodiscard]] HWND FormOwner() const noexcept override { return nullptr; }
  [[nodiscard]] HICON FormIcon() const noexcept override {
    return LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
  }
  [[nodiscard]] ui::THintDelays HintDelays() const noexcept override { return {}; }
  void ReportException() noexcept override { ++Reported; }
  void FormClosed() noexcept override { ++Closed; }
  void SessionEnded() noexcept override {}
};

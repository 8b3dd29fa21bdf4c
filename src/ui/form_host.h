#pragma once

#include <windows.h>

#include "ui/types.h"

namespace ui {

// What a form needs from the application that owns it, handed to it at
// creation, so that the form knows no application of its own.
class TFormHost {
 public:
  // The window that owns the form, or null when the form has its own
  // task-bar button.
  [[nodiscard]] virtual HWND FormOwner() const noexcept = 0;
  [[nodiscard]] virtual HICON FormIcon() const noexcept = 0;
  [[nodiscard]] virtual THintDelays HintDelays() const noexcept = 0;
  // To be called inside a catch block: reports the error being handled.
  virtual void ReportException() noexcept = 0;
  // The form's close handler has run and let it close.
  virtual void FormClosed() noexcept = 0;
  // Windows is ending the session now; the process ends without returning.
  virtual void SessionEnded() noexcept = 0;

 protected:
  ~TFormHost() = default;
};

}  // namespace ui

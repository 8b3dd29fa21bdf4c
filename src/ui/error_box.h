#pragma once

#include <windows.h>

#include <string>

namespace ui {

// The message as the box shows it: a final "." is added when the message is
// not empty and the code of its last character is above that of "." (0x2E),
// so after a letter, a digit, ":" or "?", but not after "'", "!" or ".".
[[nodiscard]] std::wstring ErrorBoxText(const std::wstring& Message);

// The error box, titled with the application's title. It is owned by the
// active window, or by the hidden application window while none is active;
// every other window of the program waits for it, and it opens on the active
// window's monitor.
void ShowErrorBox(HWND ApplicationWindow, const std::wstring& Title,
                  const std::wstring& Message) noexcept;

}  // namespace ui

#pragma once

// Drives the real program from outside, as a user and Windows would: starts
// it, finds its windows, reads the screen, clicks, types, answers its
// message boxes and waits for its exit code.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "support/child_process.h"

namespace e2e {

// A Unix path as given by CTest, or a Windows path as it is.
[[nodiscard]] std::wstring WindowsPath(const std::string& path);

// Polls until the condition holds; false when it never did. The limit only
// keeps a broken program from hanging the suite.
bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = 120000);

// The program started as a plain start does, or with that STARTUPINFO show
// command; ended, if it still runs, with this object. The current folder stays
// the test's, so a file written relative to it instead of beside the
// executable shows up as missing.
// The top-level windows of that process, visible or not.
[[nodiscard]] std::vector<HWND> TopLevelWindowsOf(DWORD processId);

class RunningProgram {
 public:
  explicit RunningProgram(const std::wstring& exePath, std::optional<WORD> showCommand = {})
      : FProcess(exePath, L"", {false, nullptr, showCommand}) {}

  [[nodiscard]] DWORD Id() const { return FProcess.Id(); }

  // A top-level window of this process with that class, visible or not.
  [[nodiscard]] HWND FindTopLevel(const wchar_t* className, bool visibleOnly) const;
  [[nodiscard]] HWND WaitForTopLevel(const wchar_t* className, bool visibleOnly = true) const;
  [[nodiscard]] HWND WaitForForm() const { return WaitForTopLevel(L"TForm1"); }
  [[nodiscard]] HWND WaitForMessageBox() const { return WaitForTopLevel(L"#32770"); }

  [[nodiscard]] bool HasExited() const { return FProcess.HasExited(); }
  // The exit code, or none when the process is still running at the limit.
  [[nodiscard]] std::optional<DWORD> WaitForExit(DWORD limitMs = 120000) const {
    return FProcess.WaitForExit(limitMs);
  }

 private:
  ChildProcess FProcess;
};

// The application's button, a real BUTTON child of the form.
[[nodiscard]] HWND ButtonOf(HWND form);
[[nodiscard]] std::wstring TextOf(HWND window);
[[nodiscard]] std::wstring ClassOf(HWND window);

// Returns once the window's thread has handled everything sent before and
// has repainted what was invalid.
void Settle(HWND window);

// Screen pixels at client coordinates of the window, as COLORREF 0x00BBGGRR.
[[nodiscard]] COLORREF ClientPixel(HWND window, int x, int y);
// Waits for the pixel to take that colour; returns the last colour seen.
COLORREF WaitForClientPixel(HWND window, int x, int y, COLORREF expected);
// How many pixels of that colour lie in the client rectangle.
[[nodiscard]] int CountClientPixels(HWND window, const RECT& box, COLORREF color);

// Real input through the system's input queue, as a user's.
void MoveMouseTo(HWND window, POINT client);
// A left button event at that point (the pointer moves there with it).
void MouseButton(HWND window, POINT client, bool down);
void ClickAt(HWND window, POINT client);
void ClickCentreOf(HWND child);
// Presses the keys in order and releases them in reverse order.
void PressKeys(std::initializer_list<WORD> keys);

// The focus as the window's thread sees it.
[[nodiscard]] HWND FocusOf(HWND window);

// A message box's parts: class "#32770", text in the child 0xFFFF, OK id 1.
[[nodiscard]] std::wstring MessageBoxText(HWND box);
void PressOk(HWND box);

// Full paths of the modules loaded in that process, lower-cased; none when its
// memory cannot be read (where qemu emulates 32-bit code, another process's
// addresses are not the host's, and Wine finds no module at all).
[[nodiscard]] std::optional<std::vector<std::wstring>> ModulesOf(DWORD processId);

// Processes of this Wine session whose executable has that name.
[[nodiscard]] int CountProcesses(const wchar_t* exeName);

// Writes the window as it is on the screen (frame included) to a 24-bit BMP.
bool SaveWindowBitmap(HWND window, const std::wstring& bmpPath);
// A hash of the client area as it is on the screen once it stops changing
// (two equal reads in a row, within two seconds): one pixel changed changes it.
[[nodiscard]] std::uint64_t ClientAreaHash(HWND window);

}  // namespace e2e

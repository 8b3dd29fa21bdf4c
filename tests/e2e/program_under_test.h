#pragma once

// What the end-to-end groups share: the program they start and the density
// of the session's display, which the program follows.

#include <windows.h>

#include <string>

namespace e2e {

extern std::wstring ProgramPath;  // Trelvane_Project.exe as built, given by CTest
extern int ScreenDpi;

// Layout coordinates at the session's density, edges scaled as the window scales them.
[[nodiscard]] int AtDpi(int value);
[[nodiscard]] POINT AtDpi(POINT point);
[[nodiscard]] RECT AtDpi(RECT box);

// LabelEtat's box, at 96 DPI.
constexpr RECT kStateBox{140, 35, 319, 56};

}  // namespace e2e

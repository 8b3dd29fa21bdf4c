#pragma once

// A window's accessible objects, read through MSAA as a screen reader reads them.

#include <windows.h>

#include <ole2.h>
#include <oleacc.h>

#include <string>

#include "base/unique_handle.h"

[[nodiscard]] VARIANT ChildId(long id);
[[nodiscard]] UniqueCom<IAccessible> ClientObject(HWND window);
// "name | role | state | location on the screen"; -1 for what is not told.
[[nodiscard]] std::wstring Element(const std::wstring& name, long role, long state, RECT box);
[[nodiscard]] std::wstring Describe(IAccessible& object, long child);
// What a hit test or a navigation found: "child N", "window 0x…" for an
// object of its own (released here), or "none".
[[nodiscard]] std::string Found(VARIANT found);
[[nodiscard]] std::string WindowFound(HWND window);

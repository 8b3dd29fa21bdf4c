#include "e2e/driver.h"

#include "support/text.h"

#include <string_view>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace e2e {

namespace {

[[nodiscard]] POINT ToScreen(HWND window, POINT client) {
  ClientToScreen(window, &client);
  return client;
}

void SendOne(INPUT input) { SendInput(1, &input, sizeof(INPUT)); }

struct TopLevelSearch {
  DWORD ProcessId;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM context) noexcept {
  auto& search = *reinterpret_cast<TopLevelSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search.ProcessId) search.Found.push_back(window);
  return TRUE;
}

}  // namespace

std::wstring WindowsPath(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.empty() || wide[0] != L'/') return wide;
  for (auto& c : wide)
    if (c == L'/') c = L'\\';
  return L"Z:" + wide;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs) {
  const ULONGLONG end = GetTickCount64() + limitMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() > end) return false;
    Sleep(10);
  }
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  TopLevelSearch search{processId, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND RunningProgram::FindTopLevel(const wchar_t* className, bool visibleOnly) const {
  for (const HWND window : TopLevelWindowsOf(Id()))
    if ((!visibleOnly || IsWindowVisible(window)) && ClassOf(window) == className) return window;
  return nullptr;
}

HWND RunningProgram::WaitForTopLevel(const wchar_t* className, bool visibleOnly) const {
  HWND found = nullptr;
  WaitUntil([&] {
    found = FindTopLevel(className, visibleOnly);
    return found != nullptr || HasExited();
  });
  return found;
}

HWND ButtonOf(HWND form) { return FindWindowExW(form, nullptr, L"Button", nullptr); }

std::wstring TextOf(HWND window) {
  wchar_t text[512] = L"";
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = L"";
  GetClassNameW(window, name, 256);
  return name;
}

void Settle(HWND window) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

COLORREF ClientPixel(HWND window, int x, int y) {
  const POINT at = ToScreen(window, {x, y});
  const WindowDc screen(nullptr);
  return GetPixel(screen.get(), at.x, at.y);
}

COLORREF WaitForClientPixel(HWND window, int x, int y, COLORREF expected) {
  COLORREF seen = CLR_INVALID;
  WaitUntil(
      [&] {
        Settle(window);
        seen = ClientPixel(window, x, y);
        return seen == expected;
      },
      5000);
  return seen;
}

int CountClientPixels(HWND window, const RECT& box, COLORREF color) {
  const POINT origin = ToScreen(window, {0, 0});
  const WindowDc screen(nullptr);
  int count = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x)
      if (GetPixel(screen.get(), origin.x + x, origin.y + y) == color) ++count;
  return count;
}

void MoveMouseTo(HWND window, POINT client) {
  const POINT at = ToScreen(window, client);
  SetCursorPos(at.x, at.y);
}

// Normalised to 0..65535 over the virtual screen, rounded up so that the
// system's scaling back (times the width, over 65536) lands on that very pixel.
[[nodiscard]] LONG Normalised(LONG screen, int origin, int extent) {
  return static_cast<LONG>((static_cast<LONGLONG>(screen - origin) * 65536 + extent - 1) / extent);
}

// The position goes with the button: a press sent after SetCursorPos alone
// may reach the window at the previous position when sent from another process.
void MouseButton(HWND window, POINT client, bool down) {
  const POINT at = ToScreen(window, client);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx =
      Normalised(at.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
  input.mi.dy =
      Normalised(at.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK |
                     (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  SendOne(input);
}

void ClickAt(HWND window, POINT client) {
  MoveMouseTo(window, client);
  MouseButton(window, client, true);
  MouseButton(window, client, false);
}

void ClickCentreOf(HWND child) {
  RECT box;
  GetClientRect(child, &box);
  ClickAt(child, {box.right / 2, box.bottom / 2});
}

void PressKeys(std::initializer_list<WORD> keys) {
  auto key = [](WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendOne(input);
  };
  for (const WORD vk : keys)
    key(vk, true);
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
    key(*it, false);
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::wstring MessageBoxText(HWND box) {
  wchar_t text[1024] = L"";
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return text;
}

void PressOk(HWND box) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

std::optional<std::vector<std::wstring>> ModulesOf(DWORD processId) {
  UniqueKernelHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  std::vector<HMODULE> modules(512);
  DWORD needed = 0;
  if (!process ||
      !EnumProcessModules(process.get(), modules.data(),
                          static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed))
    return std::nullopt;
  modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
  std::vector<std::wstring> paths;
  bool kernelSeen = false;
  for (const HMODULE module : modules) {
    wchar_t path[MAX_PATH * 2] = L"";
    GetModuleFileNameExW(process.get(), module, path, MAX_PATH * 2);
    CharLowerW(path);
    kernelSeen =
        kernelSeen || std::wstring_view(path).find(L"\\kernel32.dll") != std::wstring_view::npos;
    paths.push_back(path);
  }
  if (!kernelSeen) return std::nullopt;
  return paths;
}

int CountProcesses(const wchar_t* exeName) {
  UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return -1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry))
    if (_wcsicmp(entry.szExeFile, exeName) == 0) ++count;
  return count;
}

namespace {

// The screen's pixels in that rectangle, as the bottom-up 24-bit rows of a BMP.
std::vector<BYTE> ScreenPixels(const RECT& box, BITMAPINFOHEADER& header) {
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  const WindowDc screen(nullptr);
  const UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  const UniqueHBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  {
    const SelectedObject selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), box.left, box.top, SRCCOPY);
  }

  header = BITMAPINFOHEADER{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as BMP files are stored
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = ((width * 3) + 3) & ~3u;
  std::vector<BYTE> pixels(stride * height);
  if (!GetDIBits(memory.get(), bitmap.get(), 0, height, pixels.data(),
                 reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
    pixels.clear();
  return pixels;
}

}  // namespace

bool SaveWindowBitmap(HWND window, const std::wstring& bmpPath) {
  RECT frame;
  if (!GetWindowRect(window, &frame)) return false;
  BITMAPINFOHEADER header;
  const std::vector<BYTE> pixels = ScreenPixels(frame, header);
  if (pixels.empty()) return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  UniqueFileHandle out(
      CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
         WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
         WriteFile(out.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
}

namespace {

std::uint64_t ClientAreaHashNow(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  BITMAPINFOHEADER header;
  std::uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (const BYTE byte : ScreenPixels(client, header))
    hash = (hash ^ byte) * 1099511628211u;
  return hash;
}

}  // namespace

// Wine's drawing reaches the X server some time after the paint returns: under
// load a single read saw it half done. Two equal reads in a row, a little
// apart, are taken as the window at rest; a window that never rests within
// the bounded wait gives its last read.
std::uint64_t ClientAreaHash(HWND window) {
  std::uint64_t last = ClientAreaHashNow(window);
  for (int read = 0; read < 40; ++read) {
    Sleep(50);
    const std::uint64_t now = ClientAreaHashNow(window);
    if (now == last) return now;
    last = now;
  }
  return last;
}

}  // namespace e2e

#include "e2e/driver.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

namespace e2e {

namespace {

using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleCloser>;

struct KeyCloser {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using UniqueKey = UniqueHandle<HKEY, KeyCloser>;

struct FindCloser {
  void operator()(HANDLE find) const noexcept { FindClose(find); }
};

// FindFirstFileW reports failure as INVALID_HANDLE_VALUE, not null.
[[nodiscard]] HANDLE NullIfInvalid(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

struct ScreenDc {
  HDC Dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, Dc); }
  ScreenDc() = default;
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
};

[[nodiscard]] POINT ToScreen(HWND window, POINT client) {
  ClientToScreen(window, &client);
  return client;
}

void SendOne(INPUT input) { SendInput(1, &input, sizeof(INPUT)); }

[[nodiscard]] std::string Hex(const BYTE* data, DWORD size) {
  std::string text;
  char pair[3];
  for (DWORD i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", data[i]);
    text += pair;
  }
  return text;
}

void SnapshotKey(HKEY key, const std::wstring& path, Snapshot& into) {
  into[path + L"\\"] = "";
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                       &maxValueName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
    into[path + L"\\"] = "<unreadable>";
    return;
  }
  std::vector<wchar_t> name(maxValueName + 2);
  std::vector<BYTE> data(maxData + 2);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) !=
        ERROR_SUCCESS)
      continue;
    into[path + L"|" + std::wstring(name.data(), nameLength)] =
        std::to_string(type) + ":" + Hex(data.data(), dataSize);
  }
  std::vector<wchar_t> subName(maxSubKey + 2);
  for (DWORD i = 0; i < subKeys; ++i) {
    DWORD length = static_cast<DWORD>(subName.size());
    if (RegEnumKeyExW(key, i, subName.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      continue;
    const std::wstring child(subName.data(), length);
    UniqueKey sub;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, sub.put()) != ERROR_SUCCESS) {
      into[path + L"\\" + child + L"\\"] = "<unopenable>";
      continue;
    }
    SnapshotKey(sub.get(), path + L"\\" + child, into);
  }
}

void SnapshotFiles(const std::wstring& folder, const std::wstring& relative, Snapshot& into) {
  WIN32_FIND_DATAW found;
  UniqueHandle<HANDLE, FindCloser> find(
      NullIfInvalid(FindFirstFileW((folder + L"\\*").c_str(), &found)));
  if (!find) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      into[relative + name + L"\\"] = "";
      SnapshotFiles(path, relative + name + L"\\", into);
      continue;
    }
    UniqueKernelHandle file(
        NullIfInvalid(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr)));
    std::string bytes(found.nFileSizeLow, '\0');
    DWORD read = 0;
    if (file) ReadFile(file.get(), bytes.data(), found.nFileSizeLow, &read, nullptr);
    bytes.resize(read);
    into[relative + name] = bytes;
  } while (FindNextFileW(find.get(), &found));
}

struct TopLevelSearch {
  DWORD ProcessId;
  const wchar_t* ClassName;
  bool VisibleOnly;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) noexcept {
  auto& search = *reinterpret_cast<TopLevelSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.ProcessId) return TRUE;
  if (search.VisibleOnly && !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != search.ClassName) return TRUE;
  search.Found = window;
  return FALSE;
}

}  // namespace

std::wstring WindowsPath(const std::string& path) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
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

RunningProgram::RunningProgram(const std::wstring& exePath, std::optional<WORD> showCommand) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (showCommand) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = *showCommand;
  }
  std::wstring commandLine = L"\"" + exePath + L"\"";
  PROCESS_INFORMATION info{};
  // The current folder stays the test's, so a file written relative to it
  // instead of beside the executable shows up as missing.
  if (!CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info))
    return;
  CloseHandle(info.hThread);
  FProcess.reset(info.hProcess);
  FId = info.dwProcessId;
}

RunningProgram::~RunningProgram() {
  if (FProcess && !HasExited()) {
    TerminateProcess(FProcess.get(), 99);
    WaitForSingleObject(FProcess.get(), 5000);
  }
}

HWND RunningProgram::FindTopLevel(const wchar_t* className, bool visibleOnly) const {
  TopLevelSearch search{FId, className, visibleOnly};
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND RunningProgram::WaitForTopLevel(const wchar_t* className, bool visibleOnly) const {
  HWND found = nullptr;
  WaitUntil([&] {
    found = FindTopLevel(className, visibleOnly);
    return found != nullptr || HasExited();
  });
  return found;
}

bool RunningProgram::HasExited() const {
  return !FProcess || WaitForSingleObject(FProcess.get(), 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> RunningProgram::WaitForExit(DWORD limitMs) const {
  if (!FProcess || WaitForSingleObject(FProcess.get(), limitMs) != WAIT_OBJECT_0) return {};
  DWORD code = 0;
  GetExitCodeProcess(FProcess.get(), &code);
  return code;
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
  ScreenDc screen;
  return GetPixel(screen.Dc, at.x, at.y);
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
  ScreenDc screen;
  int count = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x)
      if (GetPixel(screen.Dc, origin.x + x, origin.y + y) == color) ++count;
  return count;
}

void MoveMouseTo(HWND window, POINT client) {
  const POINT at = ToScreen(window, client);
  SetCursorPos(at.x, at.y);
}

void MouseButton(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendOne(input);
}

void ClickAt(HWND window, POINT client) {
  MoveMouseTo(window, client);
  MouseButton(true);
  MouseButton(false);
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

Snapshot SnapshotRegistry(HKEY root, const std::wstring& rootName) {
  Snapshot snapshot;
  SnapshotKey(root, rootName, snapshot);
  return snapshot;
}

Snapshot SnapshotFolder(const std::wstring& folder) {
  Snapshot snapshot;
  SnapshotFiles(folder, L"", snapshot);
  return snapshot;
}

std::vector<std::wstring> Differences(const Snapshot& before, const Snapshot& after) {
  std::vector<std::wstring> lines;
  for (const auto& [name, content] : before) {
    const auto now = after.find(name);
    if (now == after.end())
      lines.push_back(L"- " + name);
    else if (now->second != content)
      lines.push_back(L"~ " + name);
  }
  for (const auto& [name, content] : after)
    if (before.count(name) == 0) lines.push_back(L"+ " + name);
  return lines;
}

std::vector<std::wstring> ModulesOf(DWORD processId) {
  UniqueKernelHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  std::vector<HMODULE> modules(512);
  DWORD needed = 0;
  if (!process ||
      !EnumProcessModules(process.get(), modules.data(),
                          static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed))
    return {};
  modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
  std::vector<std::wstring> paths;
  for (const HMODULE module : modules) {
    wchar_t path[MAX_PATH * 2] = L"";
    GetModuleFileNameExW(process.get(), module, path, MAX_PATH * 2);
    paths.push_back(path);
  }
  return paths;
}

int CountProcesses(const wchar_t* exeName) {
  UniqueKernelHandle snapshot(NullIfInvalid(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)));
  if (!snapshot) return -1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry))
    if (_wcsicmp(entry.szExeFile, exeName) == 0) ++count;
  return count;
}

bool SaveWindowBitmap(HWND window, const std::wstring& bmpPath) {
  RECT frame;
  if (!GetWindowRect(window, &frame)) return false;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ScreenDc screen;
  UniqueHandle<HDC, MemoryDcCloser> memory(CreateCompatibleDC(screen.Dc));
  UniqueHandle<HBITMAP, GdiObjectCloser> bitmap(CreateCompatibleBitmap(screen.Dc, width, height));
  const HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen.Dc, frame.left, frame.top, SRCCOPY);
  SelectObject(memory.get(), previous);

  BITMAPINFOHEADER header{};
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
    return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  UniqueKernelHandle out(NullIfInvalid(
      CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
  if (!out) return false;
  DWORD written = 0;
  return WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
         WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
         WriteFile(out.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
}

}  // namespace e2e

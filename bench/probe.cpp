// Starts a window program and watches it from outside: the time from process
// creation until its window is visible with the expected colour on screen at a
// client point, then its peak working set. One JSON line per run on stdout.
//
//   trelvane_bench_probe EXE WINDOW_CLASS CLIENT_X CLIENT_Y COLORREF_HEX [TIMEOUT_MS [SETTLE_MS]]
//
// SETTLE_MS lets the probe's own start-up (Wine's, mostly) die down before the
// clock starts, so that it does not compete with the program measured.
#include <windows.h>
#include <psapi.h>
#include <timeapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "base/unique_handle.h"
#include "clock.h"

namespace {

struct Target {
  std::wstring exe;
  std::wstring windowClass;
  POINT clientPoint{};
  COLORREF colour = 0;
  double timeoutMs = 10000;
  DWORD settleMs = 0;
};

struct FoundWindow {
  DWORD processId;
  const wchar_t* windowClass;
  HWND window;
};

// Raises the timer resolution so that Sleep(1) sleeps about one millisecond.
class TimerResolution {
 public:
  TimerResolution() noexcept { timeBeginPeriod(1); }
  ~TimerResolution() { timeEndPeriod(1); }
  TimerResolution(const TimerResolution&) = delete;
  TimerResolution& operator=(const TimerResolution&) = delete;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) noexcept {
  auto& found = *reinterpret_cast<FoundWindow*>(context);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != found.processId) return TRUE;
  wchar_t name[256];
  if (!GetClassNameW(window, name, 256) || std::wcscmp(name, found.windowClass) != 0) return TRUE;
  found.window = window;
  return FALSE;
}

// Only the started process's window counts: a previous run may still be closing.
[[nodiscard]] HWND FindProcessWindow(DWORD processId, const std::wstring& windowClass) noexcept {
  FoundWindow found{processId, windowClass.c_str(), nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

[[nodiscard]] bool ShowsColour(HWND window, POINT clientPoint, COLORREF colour) noexcept {
  if (!IsWindowVisible(window)) return false;
  POINT screen = clientPoint;
  if (!ClientToScreen(window, &screen)) return false;
  const WindowDc desktop(nullptr);
  return GetPixel(desktop.get(), screen.x, screen.y) == colour;
}

[[nodiscard]] bool ParseArguments(int argc, wchar_t** argv, Target& target) {
  if (argc < 6) return false;
  target.exe = argv[1];
  target.windowClass = argv[2];
  target.clientPoint = {std::wcstol(argv[3], nullptr, 10), std::wcstol(argv[4], nullptr, 10)};
  target.colour = static_cast<COLORREF>(std::wcstoul(argv[5], nullptr, 16));
  if (argc > 6) target.timeoutMs = std::wcstod(argv[6], nullptr);
  if (argc > 7) target.settleMs = std::wcstoul(argv[7], nullptr, 10);
  return true;
}

[[nodiscard]] std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
  result.resize(result.size() - 1);
  return result;
}

// JSON strings: enough escaping for paths and class names.
[[nodiscard]] std::string Quoted(const std::wstring& text) {
  std::string quoted = "\"";
  for (const char c : Narrow(text)) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

int Run(const Target& target) {
  const Clock clock;
  const TimerResolution resolution;

  std::wstring commandLine = L"\"" + target.exe + L"\"";
  std::wstring folder = target.exe.substr(0, target.exe.find_last_of(L"\\/") + 1);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  Sleep(target.settleMs);
  const LONGLONG beforeCreate = clock.Now();
  if (!CreateProcessW(target.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
    std::printf("{\"error\":\"CreateProcessW failed\",\"code\":%lu}\n", GetLastError());
    return 2;
  }
  const LONGLONG afterCreate = clock.Now();
  const UniqueKernelHandle process(started.hProcess);
  const UniqueKernelHandle thread(started.hThread);

  HWND window = nullptr;
  bool painted = false;
  LONGLONG paintedAt = 0;
  while (clock.Ms(beforeCreate, clock.Now()) < target.timeoutMs) {
    if (!window) window = FindProcessWindow(started.dwProcessId, target.windowClass);
    if (window && ShowsColour(window, target.clientPoint, target.colour)) {
      paintedAt = clock.Now();
      painted = true;
      break;
    }
    if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }

  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  const bool haveMemory = GetProcessMemoryInfo(process.get(), &memory, sizeof memory) != 0;

  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  const LONGLONG closeAsked = clock.Now();
  const bool exited = WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
  const LONGLONG closedAt = clock.Now();
  DWORD exitCode = STILL_ACTIVE;
  GetExitCodeProcess(process.get(), &exitCode);
  if (!exited) TerminateProcess(process.get(), 3);

  std::printf(
      "{\"exe\":%s,\"class\":%s,\"painted\":%s,\"start_to_paint_ms\":%.3f,"
      "\"create_process_ms\":%.3f,\"peak_working_set_bytes\":%lu,\"close_ms\":%.3f,"
      "\"exited\":%s,\"exit_code\":%lu}\n",
      Quoted(target.exe).c_str(), Quoted(target.windowClass).c_str(), painted ? "true" : "false",
      painted ? clock.Ms(beforeCreate, paintedAt) : -1.0, clock.Ms(beforeCreate, afterCreate),
      haveMemory ? static_cast<unsigned long>(memory.PeakWorkingSetSize) : 0UL,
      clock.Ms(closeAsked, closedAt), exited ? "true" : "false", exitCode);
  std::fflush(stdout);
  return painted && exited && exitCode == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Target target;
  if (!ParseArguments(argc, argv, target)) {
    std::fprintf(stderr,
                 "usage: trelvane_bench_probe EXE WINDOW_CLASS CLIENT_X CLIENT_Y COLORREF_HEX "
                 "[TIMEOUT_MS [SETTLE_MS]]\n");
    return 2;
  }
  try {
    return Run(target);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "probe: %s\n", error.what());
    return 2;
  }
}

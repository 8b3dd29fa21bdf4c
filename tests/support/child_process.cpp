#include "support/child_process.h"

#include "base/module_path.h"

// Generous: where 32-bit code runs emulated, a child takes long to start and end.
constexpr DWORD kChildLimitMs = 300000;

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& arguments,
                           const ChildOptions& options) {
  std::wstring command = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (options.ShowCommand) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = *options.ShowCommand;
  }
  PROCESS_INFORMATION started{};
  FStarted = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, options.InheritHandles,
                            0, nullptr, options.Folder, &startup, &started);
  // For a Unix program Wine gives no process handle and leaves garbage in the
  // thread's (once the value of our own standard output): only a real pair is
  // taken, or closing it would close a handle of ours.
  if (!FStarted || !started.hProcess) return;
  FProcess.reset(started.hProcess);
  FThread.reset(started.hThread);
  FId = started.dwProcessId;
}

bool ChildProcess::HasExited() const {
  return !FProcess || WaitForSingleObject(FProcess.get(), 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> ChildProcess::WaitForExit(DWORD limitMs) const {
  if (!FProcess || WaitForSingleObject(FProcess.get(), limitMs) != WAIT_OBJECT_0) return {};
  DWORD code = 0;
  GetExitCodeProcess(FProcess.get(), &code);
  return code;
}

void ChildProcess::End(UINT code) const {
  if (HasExited()) return;
  TerminateProcess(FProcess.get(), code);
  WaitForSingleObject(FProcess.get(), kChildLimitMs);
}

std::wstring HelperProgram(const std::wstring& name) { return FolderPart(ExecutablePath()) + name; }

namespace {

std::wstring LockEventName(const wchar_t* role) {
  return L"TrelvaneLock" + std::wstring(role) + std::to_wstring(GetCurrentProcessId());
}

}  // namespace

ForeignLock::ForeignLock(const std::wstring& path, DWORD share)
    : FReady(CreateEventW(nullptr, TRUE, FALSE, LockEventName(L"Ready").c_str())),
      FRelease(CreateEventW(nullptr, TRUE, FALSE, LockEventName(L"Release").c_str())),
      FProcess(HelperProgram(L"file_locker.exe"),
               L"\"" + path + L"\" " + LockEventName(L"Ready") + L" " + LockEventName(L"Release") +
                   L" " + std::to_wstring(share),
               kInheritingHandles) {
  if (!FProcess.Started()) return;
  const HANDLE waits[] = {FReady.get(), FProcess.Handle()};
  FHeld = WaitForMultipleObjects(2, waits, FALSE, kChildLimitMs) == WAIT_OBJECT_0;
}

ForeignLock::~ForeignLock() {
  SetEvent(FRelease.get());
  (void)FProcess.WaitForExit(kChildLimitMs);
}

#include "support/child_process.h"

#include "base/module_path.h"

ProcessHandles::~ProcessHandles() {
  if (Info.hThread) CloseHandle(Info.hThread);
  if (Info.hProcess) CloseHandle(Info.hProcess);
}

bool Start(const std::wstring& exe, const std::wstring& arguments, ProcessHandles& process) {
  std::wstring command = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  return CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process.Info);
}

std::wstring HelperProgram(const std::wstring& name) { return FolderPart(ExecutablePath()) + name; }

ForeignLock::ForeignLock(const std::wstring& path, DWORD share) {
  const std::wstring tag = std::to_wstring(GetCurrentProcessId());
  const std::wstring readyName = L"TrelvaneLockReady" + tag;
  const std::wstring releaseName = L"TrelvaneLockRelease" + tag;
  FReady = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
  FRelease = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
  const std::wstring arguments =
      L"\"" + path + L"\" " + readyName + L" " + releaseName + L" " + std::to_wstring(share);
  if (!Start(HelperProgram(L"file_locker.exe"), arguments, FProcess)) return;
  const HANDLE waits[] = {FReady, FProcess.Info.hProcess};
  // Generous: where 32-bit code runs emulated, a child takes long to start.
  FHeld = WaitForMultipleObjects(2, waits, FALSE, 300000) == WAIT_OBJECT_0;
}

ForeignLock::~ForeignLock() {
  SetEvent(FRelease);
  if (FProcess.Info.hProcess) WaitForSingleObject(FProcess.Info.hProcess, 300000);
  CloseHandle(FRelease);
  CloseHandle(FReady);
}

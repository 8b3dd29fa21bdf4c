#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/unique_handle.h"

// How a test starts a process.
struct ChildOptions {
  bool InheritHandles = false;      // ours, standard output included
  const wchar_t* Folder = nullptr;  // its current folder; null: ours
  std::optional<WORD> ShowCommand;  // STARTUPINFO's; none, as from a plain start
};
// A helper's own report, on the standard output it inherits, shows in ours.
inline const ChildOptions kInheritingHandles{true, nullptr, {}};

// A process the test started, with the command line "EXE" ARGUMENTS; its
// handle is closed with this object, and a child still running then is ended
// first, so that a failed case leaves none behind.
class ChildProcess {
 public:
  ChildProcess(const std::wstring& exe, const std::wstring& arguments,
               const ChildOptions& options = {});
  ~ChildProcess() { End(99); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  [[nodiscard]] bool Started() const { return FStarted; }
  [[nodiscard]] DWORD Id() const { return FId; }
  [[nodiscard]] HANDLE Handle() const { return FProcess.get(); }
  // Whether it has ended; a Unix program, which Wine gives no handle, always has.
  [[nodiscard]] bool HasExited() const;
  // The exit code, or none when it is still running at the limit (or has no handle).
  [[nodiscard]] std::optional<DWORD> WaitForExit(DWORD limitMs) const;
  // Ends it with that code unless it has ended, and waits for the end.
  void End(UINT code) const;

 private:
  UniqueKernelHandle FProcess;
  UniqueKernelHandle FThread;
  DWORD FId = 0;
  bool FStarted = false;
};

// A helper program built beside the running test executable.
[[nodiscard]] std::wstring HelperProgram(const std::wstring& name);

// Another process (file_locker) holds the file open for reading and writing,
// with the given sharing, while this object lives.
class ForeignLock {
 public:
  explicit ForeignLock(const std::wstring& path, DWORD share = 0);
  ~ForeignLock();
  ForeignLock(const ForeignLock&) = delete;
  ForeignLock& operator=(const ForeignLock&) = delete;
  [[nodiscard]] bool Held() const { return FHeld; }

 private:
  UniqueKernelHandle FReady;
  UniqueKernelHandle FRelease;
  ChildProcess FProcess;
  bool FHeld = false;
};

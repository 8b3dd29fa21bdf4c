#pragma once

#include <windows.h>

#include <string>

// The handles of a started process, closed with this object.
struct ProcessHandles {
  PROCESS_INFORMATION Info{};
  ProcessHandles() = default;
  ~ProcessHandles();
  ProcessHandles(const ProcessHandles&) = delete;
  ProcessHandles& operator=(const ProcessHandles&) = delete;
};

// Starts EXE with ARGUMENTS; it inherits our handles and environment.
[[nodiscard]] bool Start(const std::wstring& exe, const std::wstring& arguments,
                         ProcessHandles& process);

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
  HANDLE FReady = nullptr;
  HANDLE FRelease = nullptr;
  ProcessHandles FProcess;
  bool FHeld = false;
};

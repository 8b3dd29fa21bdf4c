#pragma once

#include <windows.h>

#include <string>

#include "base/exception.h"
#include "base/function_table.h"
#include "base/unique_handle.h"

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// The registry functions TRegistry calls. They default to advapi32's; tests
// swap in a table that records the calls or injects faults Wine cannot produce.
struct RegistryFunctions {
  decltype(&::RegOpenKeyExW) OpenKeyEx;
  decltype(&::RegCreateKeyExW) CreateKeyEx;
  decltype(&::RegQueryValueExW) QueryValueEx;
  decltype(&::RegSetValueExW) SetValueEx;
  decltype(&::RegCloseKey) CloseKey;
  decltype(&::RegFlushKey) FlushKey;
};

extern const RegistryFunctions kSystemRegistryFunctions;
using RegistryFunctionTable = FunctionTable<RegistryFunctions, kSystemRegistryFunctions>;
using ScopedRegistryFunctions = RegistryFunctionTable::Scope;
[[nodiscard]] inline const RegistryFunctions& ActiveRegistryFunctions() noexcept {
  return RegistryFunctionTable::Active();
}

struct RegistryKeyCloser {
  void operator()(HKEY Key) const noexcept { ActiveRegistryFunctions().CloseKey(Key); }
};
using UniqueHKey = UniqueHandle<HKEY, RegistryKeyCloser>;

// How a registry value's type is seen when it is read.
enum TRegDataType {
  rdUnknown = 0,
  rdString = 1,
  rdExpandString = 2,
  rdInteger = 3,
  rdBinary = 4,
  rdIntegerBE = 5,
  rdLink = 6,
  rdMultiString = 7,
  rdInt64 = 8,
};

[[nodiscard]] TRegDataType DataTypeOf(DWORD RegistryType) noexcept;

// One root key and at most one open key below it. Probing and opening answer
// true or false. Writing raises ERegistryException; so does reading, except
// that a value whose size cannot be queried (absent, or no key open) reads as
// the empty text.
class TRegistry {
 public:
  TRegistry() = default;
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  [[nodiscard]] HKEY RootKey() const noexcept { return FRootKey; }
  void SetRootKey(HKEY Value) noexcept;

  [[nodiscard]] HKEY CurrentKey() const noexcept { return FCurrentKey.get(); }
  [[nodiscard]] const std::wstring& CurrentPath() const noexcept { return FCurrentPath; }
  [[nodiscard]] REGSAM Access() const noexcept { return FAccess; }
  [[nodiscard]] LONG LastError() const noexcept { return FLastError; }

  [[nodiscard]] bool KeyExists(const std::wstring& Key) noexcept;
  bool OpenKey(const std::wstring& Key, bool CanCreate) noexcept;
  void CloseKey() noexcept;
  [[nodiscard]] bool ValueExists(const std::wstring& Name) noexcept;
  [[nodiscard]] std::wstring ReadString(const std::wstring& Name);
  void WriteString(const std::wstring& Name, const std::wstring& Value);

 private:
  struct ResolvedPath {
    HKEY Base;
    std::wstring SubKey;
    bool Relative;
  };
  [[nodiscard]] ResolvedPath Resolve(const std::wstring& Key) const;
  [[nodiscard]] LONG QueryDataSize(const std::wstring& Name, DWORD& Size) const noexcept;

  UniqueHKey FCurrentKey;
  HKEY FRootKey = HKEY_CURRENT_USER;
  bool FLazyWrite = true;
  std::wstring FCurrentPath;
  bool FCloseRootKey = false;
  REGSAM FAccess = KEY_ALL_ACCESS;
  LONG FLastError = ERROR_SUCCESS;
};

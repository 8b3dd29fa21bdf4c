#include "registry_access.h"

#include <algorithm>
#include <vector>

namespace {

constexpr REGSAM kProbeAccess = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
constexpr REGSAM kViewBits = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

// Saves the access mask and puts it back however the scope is left.
class AccessOverride {
 public:
  AccessOverride(REGSAM& Access, REGSAM Temporary) noexcept : FAccess(Access), FSaved(Access) {
    FAccess = Temporary;
  }
  ~AccessOverride() { FAccess = FSaved; }
  AccessOverride(const AccessOverride&) = delete;
  AccessOverride& operator=(const AccessOverride&) = delete;

 private:
  REGSAM& FAccess;
  REGSAM FSaved;
};

}  // namespace

const RegistryFunctions kSystemRegistryFunctions = {
    ::RegOpenKeyExW,  ::RegCreateKeyExW, ::RegQueryValueExW,
    ::RegSetValueExW, ::RegCloseKey,     ::RegFlushKey,
};

TRegDataType DataTypeOf(DWORD RegistryType) noexcept {
  switch (RegistryType) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_BINARY: return rdBinary;
    case REG_DWORD: return rdInteger;
    case REG_DWORD_BIG_ENDIAN: return rdIntegerBE;
    case REG_LINK: return rdLink;
    case REG_MULTI_SZ: return rdMultiString;
    case REG_QWORD: return rdInt64;
    default: return rdUnknown;
  }
}

TRegistry::~TRegistry() {
  CloseKey();
  if (FCloseRootKey) ActiveRegistryFunctions().CloseKey(FRootKey);
}

void TRegistry::SetRootKey(HKEY Value) noexcept {
  if (Value == FRootKey) return;
  if (FCloseRootKey) {
    ActiveRegistryFunctions().CloseKey(FRootKey);
    FCloseRootKey = false;
  }
  FRootKey = Value;
  CloseKey();
}

TRegistry::ResolvedPath TRegistry::Resolve(const std::wstring& Key) const {
  if (!Key.empty() && Key.front() == L'\\') return {FRootKey, Key.substr(1), false};
  return {FCurrentKey ? FCurrentKey.get() : FRootKey, Key, true};
}

bool TRegistry::KeyExists(const std::wstring& Key) noexcept {
  // A key that exists but refuses read access counts as absent, as it should:
  // we could not use it anyway.
  AccessOverride probe(FAccess, kProbeAccess | (FAccess & kViewBits));
  try {
    const ResolvedPath path = Resolve(Key);
    UniqueHKey key;
    ActiveRegistryFunctions().OpenKeyEx(path.Base, path.SubKey.c_str(), 0, FAccess, key.put());
    return static_cast<bool>(key);
  } catch (...) {  // only an out-of-memory copy of the path can land here
    return false;
  }
}

bool TRegistry::OpenKey(const std::wstring& Key, bool CanCreate) noexcept {
  try {
    const ResolvedPath path = Resolve(Key);
    const RegistryFunctions& reg = ActiveRegistryFunctions();
    HKEY opened = nullptr;
    if (CanCreate && !path.SubKey.empty()) {
      DWORD disposition = 0;
      FLastError =
          reg.CreateKeyEx(path.Base, path.SubKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          FAccess, nullptr, &opened, &disposition);
    } else {
      FLastError = reg.OpenKeyEx(path.Base, path.SubKey.c_str(), 0, FAccess, &opened);
    }
    if (FLastError != ERROR_SUCCESS) return false;
    UniqueHKey newKey(opened);
    std::wstring newPath =
        FCurrentKey && path.Relative ? FCurrentPath + L'\\' + path.SubKey : path.SubKey;
    CloseKey();
    FCurrentKey = std::move(newKey);
    FCurrentPath = std::move(newPath);
    return true;
  } catch (...) {
    return false;
  }
}

void TRegistry::CloseKey() noexcept {
  if (!FCurrentKey) return;
  if (!FLazyWrite) ActiveRegistryFunctions().FlushKey(FCurrentKey.get());
  FCurrentKey.reset();
  FCurrentPath.clear();
}

LONG TRegistry::QueryDataSize(const std::wstring& Name, DWORD& Size) const noexcept {
  DWORD type = REG_NONE;
  Size = 0;
  return ActiveRegistryFunctions().QueryValueEx(FCurrentKey.get(), Name.c_str(), nullptr, &type,
                                                nullptr, &Size);
}

bool TRegistry::ValueExists(const std::wstring& Name) noexcept {
  DWORD size = 0;
  FLastError = QueryDataSize(Name, size);
  return FLastError == ERROR_SUCCESS;
}

std::wstring TRegistry::ReadString(const std::wstring& Name) {
  DWORD size = 0;
  FLastError = QueryDataSize(Name, size);
  // A missing value, no open key, or 0 bytes of any type read as empty.
  if (FLastError != ERROR_SUCCESS || size == 0) return {};

  // Room for every byte the value holds: an odd count must not overrun a
  // buffer sized in whole characters.
  std::vector<wchar_t> data((size + 1) / sizeof(wchar_t), L'\0');
  DWORD type = REG_NONE;
  DWORD received = size;
  FLastError =
      ActiveRegistryFunctions().QueryValueEx(FCurrentKey.get(), Name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &received);
  if (FLastError != ERROR_SUCCESS)
    throw ERegistryException(FormatMessageText(L"Echec à l'obtention des données pour '%s'", Name));

  const TRegDataType dataType = DataTypeOf(type);
  if (dataType != rdString && dataType != rdExpandString)
    throw ERegistryException(FormatMessageText(L"Type de données incorrect pour '%s'", Name));

  // A trailing odd byte belongs to no character.
  const size_t characters = std::min(size, received) / sizeof(wchar_t);
  const auto end = std::find(data.begin(), data.begin() + characters, L'\0');
  return std::wstring(data.begin(), end);
}

void TRegistry::WriteString(const std::wstring& Name, const std::wstring& Value) {
  const DWORD bytes = static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t));
  const LONG result =
      ActiveRegistryFunctions().SetValueEx(FCurrentKey.get(), Name.c_str(), 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(Value.c_str()), bytes);
  if (result == ERROR_SUCCESS) return;
  FLastError = result;
  throw ERegistryException(FormatMessageText(L"Echec à la définition des données pour '%s'", Name));
}

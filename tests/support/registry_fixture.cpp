#include "support/registry_fixture.h"

#include <sddl.h>

#include "base/unique_handle.h"

void DeleteKeyTree(HKEY root, const std::wstring& subKey) {
  MakeKeyWritable(root, subKey);
  const LONG result = RegDeleteTreeW(root, subKey.c_str());
  if (result == ERROR_SUCCESS) RegDeleteKeyW(root, subKey.c_str());
}

bool RawKeyExists(HKEY root, const std::wstring& subKey) {
  UniqueRawHKey key;
  return RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void SetRawValue(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type,
                 const void* data, DWORD bytes) {
  UniqueRawHKey key;
  ASSERT_EQ(RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                            nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
}

void SetRawString(HKEY root, const std::wstring& subKey, const std::wstring& name,
                  const std::wstring& text, DWORD type) {
  SetRawValue(root, subKey, name, type, text.c_str(),
              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool ReadRawValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                  RawValue& value) {
  UniqueRawHKey key;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.Type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    value.Data.resize(size);
    result =
        RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.Type, value.Data.data(), &size);
  }
  return result == ERROR_SUCCESS;
}

std::vector<BYTE> StringBytes(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

namespace {

void SetKeyDacl(HKEY root, const std::wstring& subKey, const wchar_t* sddl) {
  UniqueRawHKey key;
  UniqueLocalMemory descriptor;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, WRITE_DAC, key.put()) == ERROR_SUCCESS &&
      ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(),
                                                           nullptr))
    RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.get());
}

// The user's SID in a default Wine prefix.
constexpr const wchar_t* kUserSid = L"S-1-5-21-0-0-0-1000";

}  // namespace

void MakeKeyReadOnly(HKEY root, const std::wstring& subKey) {
  SetKeyDacl(root, subKey, (std::wstring(L"D:P(A;;KR;;;") + kUserSid + L")").c_str());
}

void MakeKeyWritable(HKEY root, const std::wstring& subKey) {
  SetKeyDacl(root, subKey, (std::wstring(L"D:P(A;;KA;;;") + kUserSid + L")").c_str());
}

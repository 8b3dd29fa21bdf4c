#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/requirements.h"

// Direct registry access for preparing and checking cases, bypassing TRegistry.
struct RawValue {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
};

void DeleteKeyTree(HKEY root, const std::wstring& subKey);
[[nodiscard]] bool RawKeyExists(HKEY root, const std::wstring& subKey);
void SetRawValue(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type,
                 const void* data, DWORD bytes);
void SetRawString(HKEY root, const std::wstring& subKey, const std::wstring& name,
                  const std::wstring& text, DWORD type = REG_SZ);
[[nodiscard]] bool ReadRawValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                                RawValue& value);

// Registry text is compared as UTF-16 bytes, including the terminator.
[[nodiscard]] std::vector<BYTE> StringBytes(const std::wstring& text);

inline const std::wstring kScratchKey = L"Software\\TrelvaneTests";

// The tracker entry "Path" as a plain string, and as it is stored now.
inline void SetTrackerPath(const std::wstring& text, DWORD type = REG_SZ) {
  SetRawString(HKEY_CURRENT_USER, kTrackerKey, L"Path", text, type);
}
[[nodiscard]] inline RawValue TrackerPathValue() {
  RawValue value;
  EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, kTrackerKey, L"Path", value));
  return value;
}

// Each case starts with no scratch key.
class ScratchKeyTest : public testing::Test {
 protected:
  void SetUp() override { DeleteKeyTree(HKEY_CURRENT_USER, kScratchKey); }
  void TearDown() override { DeleteKeyTree(HKEY_CURRENT_USER, kScratchKey); }
};

// Grants the user read access only, so opening with KEY_ALL_ACCESS fails with 5.
void MakeKeyReadOnly(HKEY root, const std::wstring& subKey);
void MakeKeyWritable(HKEY root, const std::wstring& subKey);

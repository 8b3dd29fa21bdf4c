#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "Trelvane.h"
#include "support/error_of.h"
#include "support/recording_view.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"

// Wine keeps a parsed copy of recently used profile files and trusts it while
// the modification time is unchanged; a rewrite within the same clock tick
// would go unseen without this.
inline void ForgetCachedSettings() {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, SettingsFilePath().c_str());
}

// The remembered path as a fresh read of the settings file gives it into a
// buffer of that many characters, the fallback when the file has none.
[[nodiscard]] inline std::wstring RememberedPath(const std::wstring& fallback = L"<none>",
                                                 DWORD capacity = 1 << 17) {
  ForgetCachedSettings();
  std::wstring buffer(capacity, L'\0');
  buffer.resize(GetPrivateProfileStringW(kSettingsSection, L"Path", fallback.c_str(), buffer.data(),
                                         capacity, SettingsFilePath().c_str()));
  return buffer;
}

// The tracker switch acting on a recording view. Each case starts with no
// tracker key and no settings file, and ends closed.
class TrackerTest : public testing::Test {
 protected:
  void SetUp() override {
    DeleteKeyTree(HKEY_CURRENT_USER, kTrackerRoot);
    RemoveSettings();
  }
  void TearDown() override {
    Close();
    DeleteKeyTree(HKEY_CURRENT_USER, kTrackerRoot);
    RemoveSettings();
  }
  void Close() {
    ui::TCloseAction action = ui::TCloseAction::caHide;
    FSwitch.FormClose(nullptr, action);
  }
  static void RemoveSettings() {
    DeleteFileW(SettingsFilePath().c_str());
    RemoveDirectoryW(SettingsFilePath().c_str());
    if (IsListed(SettingsFilePath())) RemoveWithRm(SettingsFilePath());  // a FIFO
  }

  static void SetPathBytes(DWORD type, const void* data, DWORD bytes) {
    SetRawValue(HKEY_CURRENT_USER, kTrackerKey, L"Path", type, data, bytes);
  }
  // The settings file's bytes; nullopt when there is none.
  [[nodiscard]] static std::optional<std::string> SettingsBytes() {
    if (!FileExists(SettingsFilePath())) return std::nullopt;
    return ReadFileBytes(SettingsFilePath());
  }
  static void SetSettings(const std::optional<std::string>& bytes) {
    RemoveSettings();
    if (bytes) WriteFileBytes(SettingsFilePath(), *bytes);
    ForgetCachedSettings();
  }

  RecordingView FView;
  TTrackerSwitch FSwitch{FView};
};

#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "Trelvane.h"
#include "support/recording_view.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"
#include "sweep/sweep_model.h"

namespace sweep {

inline const std::wstring kTrackerRoot = L"SOFTWARE\\NaturalPoint";

// Each case starts with no tracker key and no settings file, and ends closed.
class SweepTest : public testing::Test {
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
  }

  static void SetPath(const RegistryCase& value) {
    if (value.Absent) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kTrackerSubKey.c_str(), L"Path");
      return;
    }
    SetRawValue(HKEY_CURRENT_USER, kTrackerSubKey, L"Path", value.Type, value.Data.data(),
                static_cast<DWORD>(value.Data.size()));
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
  // Wine keeps a parsed copy of recently used profile files and trusts it
  // while the modification time is unchanged; a rewrite within the same clock
  // tick would go unseen without this.
  static void ForgetCachedSettings() {
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, SettingsFilePath().c_str());
  }
  // The remembered path as a fresh read of the file gives it, whatever its length.
  [[nodiscard]] static std::wstring FreshRememberedPath() {
    ForgetCachedSettings();
    std::wstring buffer(1 << 17, L'\0');
    const DWORD copied = GetPrivateProfileStringW(
        tracker::kSettingsSection.c_str(), tracker::kSettingsKey.c_str(), L"<none>", buffer.data(),
        static_cast<DWORD>(buffer.size()), SettingsFilePath().c_str());
    buffer.resize(copied);
    return buffer;
  }

  // Runs a handler and returns the message of the error it let through, if any.
  template <typename Handler>
  static std::wstring ErrorOf(Handler handler) {
    try {
      handler();
    } catch (const Exception& e) {
      return e.Message();
    } catch (...) {
      ADD_FAILURE() << "an error of an unexpected kind escaped";
      return L"<unexpected>";
    }
    return L"";
  }

  [[nodiscard]] ViewModel ShownView() const {
    return {FView.StateCaption, FView.StateColor, FView.StateFontColor, FView.Caption,
            FView.ButtonVisible};
  }

  RecordingView FView;
  TTrackerSwitch FSwitch{FView};
};

// gtest prints wide strings with escapes; long ones only in part.
inline std::string Shorten(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text.substr(0, 80)) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(c));
      out += code;
    }
  }
  if (text.size() > 80) out += "... (" + std::to_string(text.size()) + " chars)";
  return out;
}

}  // namespace sweep

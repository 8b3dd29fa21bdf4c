#pragma once

#include <cstdio>
#include <string>

#include "support/tracker_fixture.h"
#include "sweep/sweep_model.h"

namespace sweep {

// The tracker fixture, with a generated "Path" and the view as the model sees it.
class SweepTest : public TrackerTest {
 protected:
  static void SetPath(const RegistryCase& value) {
    if (value.Absent) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kTrackerKey, L"Path");
      return;
    }
    SetPathBytes(value.Type, value.Data.data(), static_cast<DWORD>(value.Data.size()));
  }
  [[nodiscard]] ViewModel ShownView() const {
    return {FView.StateCaption, FView.StateColor, FView.StateFontColor, FView.Caption,
            FView.ButtonVisible};
  }
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

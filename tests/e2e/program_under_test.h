#pragma once

// What the end-to-end groups share: the program they start, the density of
// the session's display, which the program follows, and the fixture that
// starts it.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "support/registry_fixture.h"
#include "support/requirements.h"
#include "support/snapshot.h"
#include "support/temp_folder.h"

namespace e2e {

// Given on the command line by CTest.
extern std::wstring ProgramPath;     // Trelvane_Project.exe as built
extern std::wstring BrowserCommand;  // Unix program Wine's browser launcher runs
extern std::wstring BrowserLog;      // where that program records each address
extern int ScreenDpi;

// Layout coordinates at the session's density, edges scaled as the window scales them.
[[nodiscard]] int AtDpi(int value);
[[nodiscard]] POINT AtDpi(POINT point);
[[nodiscard]] RECT AtDpi(RECT box);

// LabelEtat's box, and a point of its background clear of any caption, at 96 DPI.
constexpr RECT kStateBox{140, 35, 319, 56};
constexpr POINT kStateBackground{143, 38};

inline const std::wstring kTrackerFolder = L"D:\\Jeux\\opentrack\\modules\\";

// Colours in failure messages as a person reads them.
[[nodiscard]] inline std::string Rgb(COLORREF color) {
  char text[32];
  std::snprintf(text, sizeof text, "rgb(%u, %u, %u)", GetRValue(color), GetGValue(color),
                GetBValue(color));
  return text;
}

// Every case runs its own copy of the program in a fresh folder, so the
// settings file beside it starts absent, with no tracker key in the registry
// and Wine's browser launcher recording addresses instead of opening them.
class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ProgramPath.empty()) << "--exe=PATH missing";
    DeleteKeyTree(HKEY_CURRENT_USER, kTrackerRoot);
    SetRawString(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", BrowserCommand);
    DeleteFileW(BrowserLog.c_str());
  }
  void TearDown() override {
    FProgram.reset();
    DeleteKeyTree(HKEY_CURRENT_USER, kTrackerRoot);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers");
  }

  std::wstring Install(const std::wstring& name = L"Trelvane_Project.exe") {
    const std::wstring path = FFolder.File(name);
    EXPECT_TRUE(CopyFileW(ProgramPath.c_str(), path.c_str(), FALSE));
    return path;
  }
  // Installs the program in the case's folder, starts it and waits for its
  // window: null when none came. The watched start takes the snapshots first.
  HWND StartProgram() {
    FProgram.emplace(Install());
    return FProgram->WaitForForm();
  }
  HWND StartWatchedProgram() {
    const std::wstring exe = Install();
    TakeSnapshots();
    FProgram.emplace(exe);
    return FProgram->WaitForForm();
  }
  [[nodiscard]] RunningProgram& Program() { return *FProgram; }
  [[nodiscard]] std::wstring SettingsPath() const { return FFolder.File(kSettingsFileName); }

  static void ExpectPath(const std::wstring& text) {
    const RawValue value = TrackerPathValue();
    EXPECT_EQ(value.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.Data, StringBytes(text));
  }

  // Wine keeps its own bookkeeping under Software\Wine (the test session's
  // mouse parameters, for one): that subtree is the platform's, not the program's.
  [[nodiscard]] static Snapshot UserRegistry() {
    Snapshot all = SnapshotRegistry(HKEY_CURRENT_USER, L"HKCU");
    const std::wstring wine = L"HKCU\\Software\\Wine\\";
    for (auto it = all.lower_bound(wine); it != all.end() && it->first.rfind(wine, 0) == 0;)
      it = all.erase(it);
    return all;
  }

  void TakeSnapshots() {
    FRegistryBefore = UserRegistry();
    FFolderBefore = SnapshotFolder(FFolder.Path());
  }
  [[nodiscard]] std::vector<std::wstring> RegistryChanges(
      const std::vector<std::wstring>& allowed = {}) const {
    return Differences(FRegistryBefore, UserRegistry(), allowed);
  }
  [[nodiscard]] std::vector<std::wstring> FolderChanges() const {
    return Differences(FFolderBefore, SnapshotFolder(FFolder.Path()));
  }
  void ExpectNothingWritten() const {
    EXPECT_EQ(RegistryChanges(), std::vector<std::wstring>{});
    EXPECT_EQ(FolderChanges(), std::vector<std::wstring>{});
  }

  // The state's colours on the screen, and its button.
  static void ExpectLook(HWND form, const ExpectedPresentation& look) {
    const POINT background = AtDpi(kStateBackground);
    const COLORREF back = ui::ColorToRGB(look.StateColor);
    EXPECT_EQ(Rgb(WaitForClientPixel(form, background.x, background.y, back)), Rgb(back));
    EXPECT_GT(CountClientPixels(form, AtDpi(kStateBox), ui::ColorToRGB(look.StateFontColor)), 10)
        << "caption drawn in its colour";
    const HWND button = ButtonOf(form);
    if (!look.ButtonVisible) {
      EXPECT_TRUE(button == nullptr || !IsWindowVisible(button)) << "button shown";
      return;
    }
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(IsWindowVisible(button));
    EXPECT_EQ(TextOf(button), look.ButtonCaption);
  }

  // The box of an error in the creation handler, before the window shows and
  // owned by the hidden application window; after OK, the window that opens.
  static HWND BoxAtStartThenForm(const RunningProgram& program, const std::wstring& title,
                                 const std::wstring& text) {
    const HWND box = program.WaitForMessageBox();
    if (box == nullptr) {
      ADD_FAILURE() << "no box";
      return nullptr;
    }
    EXPECT_EQ(TextOf(box), title);
    EXPECT_EQ(MessageBoxText(box), text);
    const HWND hiddenForm = program.FindTopLevel(L"TForm1", false);
    EXPECT_TRUE(hiddenForm == nullptr || !IsWindowVisible(hiddenForm)) << "box before the window";
    EXPECT_EQ(ClassOf(GetWindow(box, GW_OWNER)), L"TApplication") << "owner";
    PressOk(box);
    return program.WaitForForm();
  }

  // A close request as the close box sends it; the program must end with 0.
  static void CloseAndExpectCleanExit(const RunningProgram& program, HWND form) {
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
  }

  TempFolder FFolder;
  std::optional<RunningProgram> FProgram;
  Snapshot FRegistryBefore;
  Snapshot FFolderBefore;
};

}  // namespace e2e

#include "base/module_path.h"
#include "support/child_process.h"
#include "sweep/sweep_fixture.h"

namespace sweep {
namespace {

class SweepFaults : public SweepTest {};
// Run only inside a copy of this executable that SweepFaults starts.
class SweepFaultsChild : public SweepTest {};

const std::string kPrevious = "[Registre OpenTrack]\r\nPath=E:/ancien/\r\n";
const wchar_t kChildVariable[] = L"TRELVANE_SWEEP_CHILD";

std::wstring WriteError() { return L"Impossible d'écrire dans " + SettingsFilePath(); }

// Switching on from Disabled while a real DACL refuses writing: the window
// keeps its state, and neither the registry nor the settings file changes.
TEST_F(SweepFaults, ReadOnlyKeyDuringToggleOn) {
  SetSettings(kPrevious);
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  MakeKeyReadOnly(HKEY_CURRENT_USER, kTrackerKey);
  FView.Log.clear();
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }),
            L"Echec à la définition des données pour 'Path'");
  EXPECT_TRUE(FView.Log.empty());
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_EQ(SettingsBytes(), kPrevious);

  MakeKeyWritable(HKEY_CURRENT_USER, kTrackerKey);
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L""));
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"E:/ancien/"));
}

// The write at start-up, and switching off, while another process holds the
// file with no sharing: the folder has nowhere else to go, so it stays.
TEST_F(SweepFaults, SettingsFileLockedByAnotherProcess) {
  SetSettings(kPrevious);
  SetTrackerPath(L"F:/nouveau/");
  {
    ForeignLock lock(SettingsFilePath());
    ASSERT_TRUE(lock.Held());
    EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), WriteError());
    EXPECT_TRUE(Shows(FView, Shown::Enabled));
    EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), WriteError());
    EXPECT_TRUE(Shows(FView, Shown::Enabled));
    EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"F:/nouveau/"));
  }
  EXPECT_EQ(SettingsBytes(), kPrevious);
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_EQ(RememberedPath(), L"F:/nouveau/");
}

// The folder of the running executable disappears: a copy of this executable
// runs SweepFaultsChild from a folder of its own, which the case moves away.
TEST_F(SweepFaults, SettingsFolderMissing) {
  TempFolder temp;
  const std::wstring folder = temp.File(L"run");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring copy = folder + L"\\trelvane_sweep.exe";
  ASSERT_TRUE(CopyFileW(ExecutablePath().c_str(), copy.c_str(), FALSE));

  SetEnvironmentVariableW(kChildVariable, L"1");
  const ChildProcess child(copy, L"--gtest_filter=SweepFaultsChild.*", kInheritingHandles);
  SetEnvironmentVariableW(kChildVariable, nullptr);
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(child.WaitForExit(INFINITE), std::optional<DWORD>(0))
      << "the copy's own failures are printed above";
  EXPECT_FALSE(FileExists(folder + L".absent"));
}

TEST_F(SweepFaultsChild, SettingsFolderMissing) {
  if (!GetEnvironmentVariableW(kChildVariable, nullptr, 0))
    GTEST_SKIP() << "started by SweepFaults";
  std::wstring folder = FolderPart(ExecutablePath());
  folder.pop_back();
  const std::wstring away = folder + L".absent";
  SetSettings(kPrevious);
  SetTrackerPath(L"F:/nouveau/");
  ASSERT_TRUE(MoveFileW(folder.c_str(), away.c_str())) << GetLastError();
  EXPECT_FALSE(FileExists(SettingsFilePath()));

  EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), WriteError());
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), WriteError());
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"F:/nouveau/"));
  Close();

  ASSERT_TRUE(MoveFileW(away.c_str(), folder.c_str())) << GetLastError();
  EXPECT_EQ(SettingsBytes(), kPrevious);
}

}  // namespace
}  // namespace sweep

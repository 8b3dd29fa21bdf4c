#include <gtest/gtest.h>

#include "base/module_path.h"
#include "support/recording_registry.h"
#include "support/text.h"
#include "support/tracker_fixture.h"

namespace {

class TrackerMissing : public TrackerTest {};
class TrackerDisabled : public TrackerTest {};
class TrackerEnabled : public TrackerTest {};
class TrackerFailures : public TrackerTest {};
class TrackerLifetime : public TrackerTest {};

TEST_F(TrackerMissing, KeyAbsentCreatesNothing) {
  FSwitch.FormCreate(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Missing));
  EXPECT_EQ(FView.Caption, L"Button1");  // hidden, caption left as it was
  EXPECT_FALSE(RawKeyExists(HKEY_CURRENT_USER, kTrackerRoot));
  EXPECT_FALSE(FileExists(SettingsFilePath()));
  EXPECT_EQ(FView.Log, (std::vector<std::wstring>{L"caption Inexistant", L"color 0",
                                                  L"font 16777215", L"hide"}));
}

TEST_F(TrackerMissing, KeyWithoutPathValue) {
  SetRawString(HKEY_CURRENT_USER, kTrackerKey, L"Autre", L"x");
  FSwitch.FormCreate(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Missing));
}

TEST_F(TrackerMissing, KeyRefusingFullAccess) {
  SetTrackerPath(L"C:/t/");
  MakeKeyReadOnly(HKEY_CURRENT_USER, kTrackerKey);
  FSwitch.FormCreate(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Missing));
  EXPECT_FALSE(FileExists(SettingsFilePath()));
}

TEST_F(TrackerDisabled, EmptyZeroByteAndNulFirstValues) {
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_EQ(FView.Log, (std::vector<std::wstring>{L"show", L"font 4278190088", L"caption Désactivé",
                                                  L"color 255", L"button Activer"}));
  for (const DWORD type : std::initializer_list<DWORD>{REG_DWORD, REG_BINARY, REG_SZ}) {
    SetPathBytes(type, nullptr, 0);
    FSwitch.TestRegistre(nullptr);
    EXPECT_TRUE(Shows(FView, Shown::Disabled));
  }
  const wchar_t nulFirst[] = {L'\0', L'C', L':'};
  SetPathBytes(REG_SZ, nulFirst, sizeof nulFirst);
  FSwitch.TestRegistre(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_FALSE(FileExists(SettingsFilePath()));
}

TEST_F(TrackerDisabled, ClickWritesDefaultFolderWhenNothingRemembered) {
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(kDefaultFolder));
  EXPECT_EQ(Regval, kDefaultFolder);
  EXPECT_EQ(RememberedPath(), kDefaultFolder);
}

TEST_F(TrackerDisabled, ClickWritesDefaultWhenFileLacksKey) {
  SetSettings("[Registre OpenTrack]\r\nAutre=1\r\n");
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  FSwitch.Button1Click(nullptr);
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(kDefaultFolder));
}

TEST_F(TrackerDisabled, ClickWritesRememberedPath) {
  SetSettings("[Registre OpenTrack]\r\nPath=D:\\Suivi\\modules\\\r\n");
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  const RawValue value = TrackerPathValue();
  EXPECT_EQ(value.Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value.Data, StringBytes(L"D:\\Suivi\\modules\\"));
}

TEST_F(TrackerDisabled, EmptyRememberedPathStaysDisabled) {
  SetSettings("[Registre OpenTrack]\r\nPath=\r\n");
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L""));
}

TEST_F(TrackerDisabled, KeyCreatedWhenMissingAtClick) {
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  DeleteKeyTree(HKEY_CURRENT_USER, kTrackerRoot);  // removed by another program meanwhile
  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(kDefaultFolder));
}

TEST_F(TrackerEnabled, ShowsEnabledAndRemembersValue) {
  SetTrackerPath(L"E:\\opentrack\\modules\\");
  FSwitch.FormCreate(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(Valeur, L"E:\\opentrack\\modules\\");
  EXPECT_EQ(RememberedPath(), L"E:\\opentrack\\modules\\");
}

TEST_F(TrackerEnabled, TogglesOffAndOnAgain) {
  SetTrackerPath(L"E:/ot/");
  FSwitch.FormCreate(nullptr);
  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  const RawValue off = TrackerPathValue();  // emptied, still present
  EXPECT_EQ(off.Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(off.Data, StringBytes(L""));
  EXPECT_EQ(RememberedPath(), L"E:/ot/");

  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"E:/ot/"));
}

TEST_F(TrackerEnabled, ExpandableStringReadUnexpandedThenRewrittenPlain) {
  SetTrackerPath(L"%ProgramFiles%\\opentrack\\modules\\", REG_EXPAND_SZ);
  FSwitch.FormCreate(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(RememberedPath(), L"%ProgramFiles%\\opentrack\\modules\\");
  FSwitch.Button1Click(nullptr);
  FSwitch.Button1Click(nullptr);
  const RawValue value = TrackerPathValue();
  EXPECT_EQ(value.Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value.Data, StringBytes(L"%ProgramFiles%\\opentrack\\modules\\"));
}

TEST_F(TrackerEnabled, ClickActsOnCaptionShownNotOnRegistry) {
  SetTrackerPath(L"E:/ot/");
  FSwitch.FormCreate(nullptr);
  SetTrackerPath(L"");  // another program switched it off meanwhile
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L""));

  SetTrackerPath(L"F:/autre/");   // and on again, elsewhere
  FSwitch.Button1Click(nullptr);  // the window showed Disabled: switch on
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"E:/ot/"));
}

// The folder in "Path" changed behind the open window, by the tracker software
// or by a second window of ours: switching off keeps the one the value holds
// now, and switching on gives that one back. A value emptied or removed
// meanwhile leaves the remembered folder as it is.
TEST_F(TrackerEnabled, FolderChangedBehindTheWindowIsTheOneKept) {
  SetTrackerPath(L"E:/x/");
  FSwitch.FormCreate(nullptr);
  SetTrackerPath(L"F:/y/");
  FSwitch.Button1Click(nullptr);
  EXPECT_EQ(RememberedPath(), L"F:/y/");
  FSwitch.Button1Click(nullptr);
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"F:/y/"));
  // A second window, started after the next change, remembered it at its start.
  SetTrackerPath(L"G:/z/");
  SetSettings("[Registre OpenTrack]\r\nPath=G:/z/\r\n");
  FSwitch.Button1Click(nullptr);
  EXPECT_EQ(RememberedPath(), L"G:/z/");
  FSwitch.Button1Click(nullptr);
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"G:/z/"));
  for (const bool removed : {false, true}) {
    SCOPED_TRACE(removed ? "removed" : "emptied");
    if (removed)
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kTrackerKey, L"Path");
    else
      SetTrackerPath(L"");  // the second window switched off
    const std::optional<std::string> before = SettingsBytes();
    FSwitch.Button1Click(nullptr);
    EXPECT_TRUE(Shows(FView, Shown::Disabled));
    EXPECT_EQ(SettingsBytes(), before);
    FSwitch.Button1Click(nullptr);
    EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"G:/z/"));
  }
}

// Switched off and on, every folder comes back as it was, however long and
// whatever blanks or quotes surround it; a plain one is stored as it is.
TEST_F(TrackerEnabled, EveryFolderComesBackWhole) {
  const std::wstring plain = L"C:\\Program Files (x86)\\opentrack\\modules\\";
  const std::wstring folders[] = {L"C:\\" + std::wstring(2045, L'a'),
                                  L"C:\\" + std::wstring(2997, L'b'),
                                  L"  C:\\dossier  ",
                                  L"C:\\dossier\t",
                                  L"\"C:\\dossier\"",
                                  L"'C:\\dossier'",
                                  L"\"\"C:\\dossier\"\"",
                                  plain};
  for (const std::wstring& folder : folders) {
    SCOPED_TRACE(folder.size() > 40 ? std::to_string(folder.size()) : Narrow(folder));
    SetSettings(std::nullopt);
    SetTrackerPath(folder);
    EXPECT_EQ(ErrorOf([&] {
                FSwitch.FormCreate(nullptr);
                FSwitch.Button1Click(nullptr);
                FSwitch.Button1Click(nullptr);
              }),
              L"");
    EXPECT_TRUE(Shows(FView, Shown::Enabled));
    EXPECT_EQ(TrackerPathValue().Data, StringBytes(folder));
    Close();
  }
  EXPECT_EQ(SettingsBytes(), "[Registre OpenTrack]\r\nPath=" + Narrow(plain) + "\r\n");
}

TEST_F(TrackerEnabled, ValueWithLineBreakIsNotRemembered) {
  SetSettings("[Registre OpenTrack]\r\nPath=E:/ot/\r\n");
  SetTrackerPath(L"x\r\n[Injecte]\r\nPath=y");
  FSwitch.FormCreate(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(RememberedPath(), L"E:/ot/");
  wchar_t sections[256] = {};
  GetPrivateProfileSectionNamesW(sections, 256, SettingsFilePath().c_str());
  EXPECT_EQ(std::wstring(sections), kSettingsSection);
  EXPECT_EQ(sections[std::wcslen(kSettingsSection) + 1], L'\0');
  // The file could never hold it: switching off empties it all the same.
  FSwitch.Button1Click(nullptr);
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_EQ(RememberedPath(), L"E:/ot/");
}

TEST_F(TrackerFailures, NonStringPathAtStart) {
  const DWORD number = 1;
  SetPathBytes(REG_DWORD, &number, sizeof number);
  FView.StateFontColor = ui::clWhite;
  FView.ButtonVisible = false;
  EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }),
            L"Type de données incorrect pour 'Path'");
  // Shown and recoloured before the read failed; the rest kept.
  EXPECT_TRUE(FView.ButtonVisible);
  EXPECT_EQ(FView.StateFontColor, ui::clWindowText);
  EXPECT_EQ(FView.StateCaption, L"Désactivé");
  EXPECT_EQ(FView.StateColor, ui::clRed);
  EXPECT_EQ(FView.Caption, L"Button1");
}

// A folder in the file's place refuses every write; a FIFO there takes each
// one, Wine says, and gives nothing back.
TEST_F(TrackerFailures, UnwritableSettingsFileWhileEnabled) {
  const std::wstring error = L"Impossible d'écrire dans " + SettingsFilePath();
  for (const bool fifo : {false, true}) {
    SCOPED_TRACE(fifo ? "FIFO" : "folder");
    ASSERT_TRUE(fifo ? MakeFifo(SettingsFilePath())
                     : CreateDirectoryW(SettingsFilePath().c_str(), nullptr));
    SetTrackerPath(L"E:/ot/");
    EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), fifo ? L"" : error);
    EXPECT_TRUE(Shows(FView, Shown::Enabled));
    // Switching off would lose the folder, kept nowhere else: the value stays.
    EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), error);
    EXPECT_TRUE(Shows(FView, Shown::Enabled));
    EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"E:/ot/"));
    // Once the file can take the folder, it does so before the value is emptied.
    RemoveSettings();
    EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
    EXPECT_TRUE(Shows(FView, Shown::Disabled));
    EXPECT_EQ(RememberedPath(), L"E:/ot/");
    Close();
    RemoveSettings();
  }
}

TEST_F(TrackerFailures, KeyNeitherOpenedNorCreatedAtToggle) {
  SetTrackerPath(L"E:/ot/");
  FSwitch.FormCreate(nullptr);
  MakeKeyReadOnly(HKEY_CURRENT_USER, kTrackerKey);
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }),
            L"Echec à la définition des données pour 'Path'");
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  MakeKeyWritable(HKEY_CURRENT_USER, kTrackerKey);
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"E:/ot/"));
}

TEST_F(TrackerFailures, FailingWriteKeepsShownState) {
  SetTrackerPath(L"");
  FSwitch.FormCreate(nullptr);
  RecordingRegistry recorder;
  recorder.SetValueResult = ERROR_ACCESS_DENIED;
  FView.Log.clear();
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }),
            L"Echec à la définition des données pour 'Path'");
  EXPECT_TRUE(Shows(FView, Shown::Disabled));
  EXPECT_TRUE(FView.Log.empty());
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L""));
}

TEST_F(TrackerLifetime, RegistryCallsOfCreateToggleAndClose) {
  SetTrackerPath(L"E:/ot/");
  const std::wstring sub = kTrackerKey;
  RecordingRegistry recorder;
  FSwitch.FormCreate(nullptr);
  EXPECT_EQ(recorder.Calls(), FirstEvaluationCalls(sub));
  recorder.Clear();

  FSwitch.Button1Click(nullptr);
  EXPECT_EQ(recorder.Calls(), (std::vector<std::wstring>{
                                  L"RegCloseKey(key2)",
                                  L"RegCreateKeyExW(HKCU, \"" + sub + L"\", 0xF003F) = 0",
                                  L"RegQueryValueExW(key3, \"Path\", size) = 0",
                                  L"RegQueryValueExW(key3, \"Path\", data) = 0",
                                  L"RegSetValueExW(key3, \"Path\", 1, 2) = 0",
                                  L"RegOpenKeyExW(HKCU, \"" + sub + L"\", 0x20009) = 0",
                                  L"RegCloseKey(key4)",
                                  L"RegOpenKeyExW(HKCU, \"" + sub + L"\", 0xF003F) = 0",
                                  L"RegCloseKey(key3)",
                                  L"RegQueryValueExW(key5, \"Path\", size) = 0",
                                  L"RegQueryValueExW(key5, \"Path\", size) = 0",
                                  L"RegQueryValueExW(key5, \"Path\", data) = 0",
                              }));
  recorder.Clear();

  ui::TCloseAction action = ui::TCloseAction::caHide;
  FSwitch.FormClose(nullptr, action);
  EXPECT_EQ(action, ui::TCloseAction::caHide);
  EXPECT_EQ(recorder.Calls(), (std::vector<std::wstring>{L"RegCloseKey(key5)"}));
}

TEST_F(TrackerLifetime, NothingReachesReleasedObjectsAfterClose) {
  SetTrackerPath(L"E:/ot/");
  FSwitch.FormCreate(nullptr);
  ui::TCloseAction action = ui::TCloseAction::caHide;
  FSwitch.FormClose(nullptr, action);
  EXPECT_EQ(Registre, nullptr);
  EXPECT_EQ(FileIni, nullptr);

  RecordingRegistry recorder;
  FView.Log.clear();
  FSwitch.Button1Click(nullptr);
  FSwitch.TestRegistre(nullptr);
  FSwitch.FormClose(nullptr, action);
  EXPECT_TRUE(recorder.Calls().empty());
  EXPECT_TRUE(FView.Log.empty());
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"E:/ot/"));
}

TEST_F(TrackerLifetime, SettingsFileBesideTheExecutable) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring expected(exe);
  expected = expected.substr(0, expected.rfind(L'\\') + 1) + L"Trelvane.ini";
  EXPECT_EQ(SettingsFilePath(), expected);
  EXPECT_EQ(FolderPart(L"C:\\dir\\sub\\Trelvane_Project.exe"), L"C:\\dir\\sub\\");
  EXPECT_EQ(FolderPart(L"C:Trelvane_Project.exe"), L"C:");
  EXPECT_EQ(FolderPart(L"a/b/Trelvane_Project.exe"), L"");
}

}  // namespace

#include <algorithm>
#include <cstdio>

#include "base/module_path.h"
#include "support/snapshot.h"
#include "sweep/sweep_fixture.h"

namespace sweep {
namespace {

class SweepRegistry : public SweepTest {};
class SweepLineBreaks : public SweepTest {};
class SweepEncoding : public SweepTest {};

const std::wstring kTypeError = L"Type de données incorrect pour 'Path'";

std::string Describe(std::size_t index, const RegistryCase& value) {
  if (value.Absent) return "case " + std::to_string(index) + ": no value";
  return "case " + std::to_string(index) + ": type " + std::to_string(value.Type) + ", " +
         std::to_string(value.Data.size()) + " bytes";
}

// The remembered value must sit alone on its line, under its one section.
void ExpectSettingsShape(const std::optional<std::string>& bytes) {
  ASSERT_TRUE(bytes.has_value());
  std::string text = *bytes;
  if (text.rfind("\xFF\xFE", 0) == 0) {  // ASCII is all the shape needs
    text.clear();
    for (std::size_t i = 2; i + 1 < bytes->size(); i += 2)
      text += (*bytes)[i + 1] == 0 ? (*bytes)[i] : '?';
  }
  std::vector<std::string> lines;  // the lines that are not empty
  for (std::size_t at = 0, end = 0; at < text.size(); at = end + 1) {
    end = std::min(text.find_first_of("\r\n", at), text.size());
    if (end > at) lines.push_back(text.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[Registre OpenTrack]");
  EXPECT_EQ(lines[1].rfind("Path=", 0), 0u);
}

TEST_F(SweepRegistry, GeneratedPathValuesEvaluateAsTheRulesSay) {
  SetTrackerPath(L"");  // the key exists in both snapshots; only "Path" may change
  const std::wstring folder = FolderPart(ExecutablePath());
  const Snapshot registryBefore = SnapshotRegistry(HKEY_CURRENT_USER, L"HKCU");
  const Snapshot folderBefore = SnapshotFolder(folder);

  Rng rng(kSeed);
  const std::vector<RegistryCase> cases = GenerateRegistryCases(rng);
  ASSERT_GE(cases.size(), 500u);
  ViewModel expectedView = ModelView(ShownView(), {Outcome::Disabled, {}});
  FSwitch.FormCreate(nullptr);
  ASSERT_TRUE(ShownView() == expectedView);
  std::size_t remembered = 0, refused = 0;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const RegistryCase& value = cases[i];
    SCOPED_TRACE(Describe(i, value));
    SetPath(value);
    const std::optional<std::string> settingsBefore = SettingsBytes();

    // Sometimes a fresh start, mostly a re-evaluation of the open window.
    const bool restart = rng.Chance(20);
    const std::wstring error = ErrorOf([&] {
      if (restart) {
        Close();
        FSwitch.FormCreate(nullptr);
      } else {
        FSwitch.TestRegistre(nullptr);
      }
    });

    const ExpectedEvaluation expected = ModelEvaluation(value);
    expectedView = ModelView(expectedView, expected);
    EXPECT_EQ(error, expected.Result == Outcome::TypeError ? kTypeError : L"");
    EXPECT_TRUE(ShownView() == expectedView)
        << "shown " << Shorten(FView.StateCaption) << " / " << Shorten(FView.Caption);
    if (expected.Result == Outcome::Disabled || expected.Result == Outcome::Enabled) {
      EXPECT_EQ(Valeur, expected.Text) << Shorten(Valeur) << " vs " << Shorten(expected.Text);
    }

    // A value that fits on one line is remembered, and reads back whole.
    const bool oneLine = expected.Text.find_first_of(L"\r\n") == std::wstring::npos;
    if (expected.Result == Outcome::Enabled && oneLine) {
      ++remembered;
      const std::wstring stored = RememberedPath();
      EXPECT_EQ(stored, expected.Text) << Shorten(stored) << " vs " << Shorten(expected.Text);
      ExpectSettingsShape(SettingsBytes());
    } else {
      refused += expected.Result == Outcome::Enabled;
      EXPECT_EQ(SettingsBytes(), settingsBefore);
    }
    if (HasFatalFailure()) return;
  }
  Close();
  std::printf(
      "%zu values: %zu remembered, %zu not remembered for a line break; %zu keys and "
      "values, %zu files watched\n",
      cases.size(), remembered, refused, registryBefore.size(), folderBefore.size());
  // The generator must reach every branch, or the sweep proves little.
  EXPECT_GT(remembered, 100u);
  EXPECT_GT(refused, 20u);

  const std::wstring pathValue = L"HKCU\\" + std::wstring(kTrackerKey) + L"|Path";
  for (const std::wstring& change :
       Differences(registryBefore, SnapshotRegistry(HKEY_CURRENT_USER, L"HKCU"), {pathValue}))
    ADD_FAILURE() << "registry: " << Shorten(change);
  for (const std::wstring& change :
       Differences(folderBefore, SnapshotFolder(folder), {kSettingsFileName}))
    ADD_FAILURE() << "folder: " << Shorten(change);
}

// Every character but CR, LF and NUL in one value: whatever the code page
// makes of them, none may turn into a line break in the file.
TEST_F(SweepRegistry, EveryOtherCharacterStaysOnOneLine) {
  std::wstring all;
  for (unsigned c = 1; c <= 0xFFFF; ++c)
    if (c != L'\r' && c != L'\n') all += static_cast<wchar_t>(c);
  SetTrackerPath(all);
  EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), L"");
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  ExpectSettingsShape(SettingsBytes());
  EXPECT_EQ(RememberedPath(), all);
}

TEST_F(SweepLineBreaks, ValueWithLineBreakLeavesSettingsUntouched) {
  const std::string previous = "[Registre OpenTrack]\r\nPath=E:/ot/\r\n";
  for (const wchar_t* text : {L"a\rb", L"a\nb", L"a\r\nb", L"\n[Section]\nkey=v",
                              L"E:/x/\r\n[Registre OpenTrack]\r\nPath=y", L"\r\nPath=C:/evil/",
                              L"E:/x/\n", L"\rE:/x/", L"  \n  ", L"\"a\nb\""}) {
    const std::wstring value = text;
    for (const DWORD type : {REG_SZ, REG_EXPAND_SZ}) {
      SCOPED_TRACE(Shorten(value) + (type == REG_SZ ? " (REG_SZ)" : " (REG_EXPAND_SZ)"));
      SetSettings(previous);
      SetRawString(HKEY_CURRENT_USER, kTrackerKey, L"Path", value, type);
      EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), L"");
      EXPECT_TRUE(Shows(FView, Shown::Enabled));  // shown as it is, only not remembered
      EXPECT_EQ(Valeur, value);
      EXPECT_EQ(SettingsBytes(), previous);

      // Off and on again: the remembered path comes back, not the odd value.
      EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
      EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
      EXPECT_EQ(TrackerPathValue().Data, StringBytes(L"E:/ot/"));
      ExpectSettingsShape(SettingsBytes());
      Close();
    }
  }
}

// A break after the text's NUL is not part of the text: it is remembered.
TEST_F(SweepLineBreaks, BreakBeyondTheTerminatorDoesNotCount) {
  const wchar_t data[] = L"E:/ot/\0\r\n[X]\r\n";
  SetRawValue(HKEY_CURRENT_USER, kTrackerKey, L"Path", REG_SZ, data, sizeof data);
  EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), L"");
  EXPECT_EQ(RememberedPath(), L"E:/ot/");
  ExpectSettingsShape(SettingsBytes());
}

// A folder whose name the ANSI code page cannot spell, switched off and on.
TEST_F(SweepEncoding, FolderOutsideTheCodePageSurvivesOffAndOn) {
  const std::wstring folder =
      L"C:\\Users\\\u0414\u043C\u0438\u0442\u0440\u0438\u0439\\opentrack\\modules\\";
  SetTrackerPath(folder);
  EXPECT_EQ(ErrorOf([&] { FSwitch.FormCreate(nullptr); }), L"");
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
  EXPECT_EQ(ErrorOf([&] { FSwitch.Button1Click(nullptr); }), L"");
  EXPECT_TRUE(Shows(FView, Shown::Enabled));
  EXPECT_EQ(Regval, folder) << Shorten(Regval);
  EXPECT_EQ(TrackerPathValue().Data, StringBytes(folder));
}

}  // namespace
}  // namespace sweep

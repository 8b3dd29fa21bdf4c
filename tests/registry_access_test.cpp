#include <gtest/gtest.h>

#include "registry_access.h"
#include "support/error_of.h"
#include "support/recording_registry.h"
#include "support/registry_fixture.h"

namespace {

const std::wstring kScratchAbsolute = L"\\" + kScratchKey;

class Registry : public ScratchKeyTest {};
class RegistryCalls : public ScratchKeyTest {};
class RegistryFaults : public ScratchKeyTest {};

std::wstring ReadScratch(DWORD type, const void* data, DWORD bytes) {
  SetRawValue(HKEY_CURRENT_USER, kScratchKey, L"Path", type, data, bytes);
  TRegistry registry;
  EXPECT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  return registry.ReadString(L"Path");
}

std::wstring TypeErrorOf(DWORD type, const void* data, DWORD bytes) {
  return ErrorOf<ERegistryException>([&] { (void)ReadScratch(type, data, bytes); });
}

TEST_F(Registry, StartsWithCurrentUserRootAndNothingOpen) {
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.CurrentPath(), L"");
  EXPECT_EQ(registry.Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
  EXPECT_EQ(registry.LastError(), ERROR_SUCCESS);
}

TEST_F(Registry, PathRuleAbsoluteRelativeEmptyAndSlash) {
  SetRawString(HKEY_CURRENT_USER, kScratchKey + L"\\a\\b", L"v", L"x");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  EXPECT_EQ(registry.CurrentPath(), kScratchKey);

  // Relative to the open key, and the path grows from the current one.
  ASSERT_TRUE(registry.OpenKey(L"a", false));
  EXPECT_EQ(registry.CurrentPath(), kScratchKey + L"\\a");

  // An empty path reopens the current key itself.
  ASSERT_TRUE(registry.OpenKey(L"", false));
  EXPECT_EQ(registry.CurrentPath(), kScratchKey + L"\\a\\");

  // Absolute again: below the root whatever is open.
  ASSERT_TRUE(registry.OpenKey(L"\\" + kScratchKey + L"\\a\\b", false));
  EXPECT_EQ(registry.CurrentPath(), kScratchKey + L"\\a\\b");
  EXPECT_TRUE(registry.ValueExists(L"v"));

  // A leading "/" is not a separator: relative, and no such key.
  EXPECT_FALSE(registry.OpenKey(L"/" + kScratchKey, false));
  EXPECT_EQ(registry.CurrentPath(), kScratchKey + L"\\a\\b");

  registry.CloseKey();
  ASSERT_TRUE(registry.OpenKey(kScratchKey, false));  // relative to the root when none is open
  EXPECT_EQ(registry.CurrentPath(), kScratchKey);
}

TEST_F(Registry, FailedOpenKeepsEarlierKey) {
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", L"here");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  const HKEY before = registry.CurrentKey();
  EXPECT_FALSE(registry.OpenKey(L"\\Software\\TrelvaneTests\\Nope", false));
  EXPECT_EQ(registry.LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry.CurrentKey(), before);
  EXPECT_EQ(registry.CurrentPath(), kScratchKey);
  EXPECT_EQ(registry.ReadString(L"Path"), L"here");
}

TEST_F(Registry, CreateMakesEveryMissingKeyAndCloseTwiceIsHarmless) {
  TRegistry registry;
  EXPECT_FALSE(registry.KeyExists(kScratchAbsolute));
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute + L"\\x\\y", true));
  EXPECT_TRUE(RawKeyExists(HKEY_CURRENT_USER, kScratchKey + L"\\x\\y"));
  EXPECT_TRUE(registry.KeyExists(kScratchAbsolute + L"\\x"));
  registry.CloseKey();
  registry.CloseKey();
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.CurrentPath(), L"");
}

TEST_F(Registry, KeyExistsLeavesOpenKeyAndLastErrorAlone) {
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", L"v");
  TRegistry registry;
  EXPECT_FALSE(registry.OpenKey(L"\\Software\\TrelvaneTests\\Nope", false));
  EXPECT_TRUE(registry.KeyExists(kScratchAbsolute));
  EXPECT_EQ(registry.LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
}

TEST_F(Registry, ValueExistsForAnyTypeAndSizeButNotWithoutKey) {
  TRegistry registry;
  EXPECT_FALSE(registry.ValueExists(L"Path"));
  EXPECT_EQ(registry.LastError(), ERROR_INVALID_HANDLE);
  SetRawValue(HKEY_CURRENT_USER, kScratchKey, L"Path", REG_BINARY, nullptr, 0);
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  EXPECT_TRUE(registry.ValueExists(L"Path"));
  EXPECT_FALSE(registry.ValueExists(L"Other"));
}

TEST_F(Registry, ReadsStringsAsStoredUnexpandedAndCutAtNul) {
  EXPECT_EQ(ReadScratch(REG_SZ, L"C:\\Tracker\\modules", 38), L"C:\\Tracker\\modules");
  const std::wstring expandable = L"%ProgramFiles%\\opentrack";
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", expandable, REG_EXPAND_SZ);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  EXPECT_EQ(registry.ReadString(L"Path"), expandable);

  const wchar_t withNul[] = {L'a', L'b', L'c', L'\0', L'd', L'e', L'f'};
  EXPECT_EQ(ReadScratch(REG_SZ, withNul, sizeof withNul), L"abc");
  const wchar_t nulFirst[] = {L'\0', L'x', L'y'};
  EXPECT_EQ(ReadScratch(REG_SZ, nulFirst, sizeof nulFirst), L"");
  // Without a terminator the whole data is the text.
  EXPECT_EQ(ReadScratch(REG_SZ, L"xyz", 6), L"xyz");
}

TEST_F(Registry, OddByteCountsDropTheLastByte) {
  const char bytes[] = {'A', 0, 'B', 0, 'C'};
  EXPECT_EQ(ReadScratch(REG_SZ, bytes, 5), L"AB");
  EXPECT_EQ(ReadScratch(REG_SZ, bytes, 1), L"");
  EXPECT_EQ(ReadScratch(REG_EXPAND_SZ, bytes, 3), L"A");
}

TEST_F(Registry, ZeroByteValuesOfAnyTypeReadAsEmpty) {
  for (const DWORD type : std::initializer_list<DWORD>{REG_NONE, REG_SZ, REG_BINARY, REG_DWORD,
                                                       REG_MULTI_SZ, REG_QWORD}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(ReadScratch(type, nullptr, 0), L"");
  }
}

TEST_F(Registry, NonStringTypesWithDataAreTypeErrors) {
  const std::wstring expected = L"Type de données incorrect pour 'Path'";
  const BYTE data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (const DWORD type :
       std::initializer_list<DWORD>{REG_NONE, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_LINK,
                                    REG_MULTI_SZ, REG_RESOURCE_LIST, REG_FULL_RESOURCE_DESCRIPTOR,
                                    REG_RESOURCE_REQUIREMENTS_LIST, REG_QWORD, 12, 0x1234}) {
    SCOPED_TRACE(type);
    EXPECT_EQ(TypeErrorOf(type, data, type == REG_DWORD ? 4 : 8), expected);
  }
  EXPECT_EQ(TypeErrorOf(REG_BINARY, data, 1), expected);
}

TEST_F(Registry, DataTypeTable) {
  EXPECT_EQ(DataTypeOf(REG_NONE), rdUnknown);
  EXPECT_EQ(DataTypeOf(REG_SZ), rdString);
  EXPECT_EQ(DataTypeOf(REG_EXPAND_SZ), rdExpandString);
  EXPECT_EQ(DataTypeOf(REG_BINARY), rdBinary);
  EXPECT_EQ(DataTypeOf(REG_DWORD), rdInteger);
  EXPECT_EQ(DataTypeOf(REG_DWORD_BIG_ENDIAN), rdIntegerBE);
  EXPECT_EQ(DataTypeOf(REG_LINK), rdLink);
  EXPECT_EQ(DataTypeOf(REG_MULTI_SZ), rdMultiString);
  for (DWORD t = 8; t <= 10; ++t)
    EXPECT_EQ(DataTypeOf(t), rdUnknown);
  EXPECT_EQ(DataTypeOf(REG_QWORD), rdInt64);
  EXPECT_EQ(DataTypeOf(12), rdUnknown);
}

TEST_F(Registry, LargeValueReadsWhole) {
  const std::wstring big(512 * 1024, L'q');  // 1 MB of data
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", big);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  EXPECT_EQ(registry.ReadString(L"Path"), big);
}

TEST_F(Registry, WriteStringStoresPlainStringWithTerminator) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, true));
  registry.WriteString(L"Path", L"");
  RawValue value;
  ASSERT_TRUE(ReadRawValue(HKEY_CURRENT_USER, kScratchKey, L"Path", value));
  EXPECT_EQ(value.Type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value.Data, StringBytes(L""));

  registry.WriteString(L"Path", L"D:/Suivi/modules/");
  ASSERT_TRUE(ReadRawValue(HKEY_CURRENT_USER, kScratchKey, L"Path", value));
  EXPECT_EQ(value.Data, StringBytes(L"D:/Suivi/modules/"));
}

TEST_F(Registry, WriteWithNoKeyOpenRaises) {
  TRegistry registry;
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { registry.WriteString(L"Path", L"x"); }),
            L"Echec à la définition des données pour 'Path'");
  EXPECT_EQ(registry.LastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, ChangingRootClosesOpenKeyButSameRootDoesNothing) {
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", L"v");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  registry.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_NE(registry.CurrentKey(), nullptr);
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.RootKey(), HKEY_LOCAL_MACHINE);
}

// The exact calls of the steps the tracker switch is made of: an evaluation,
// another one, a toggle's reopening and write, and the release.
TEST_F(RegistryCalls, EvaluationToggleAndRelease) {
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", L"C:/t/");
  const std::wstring key = kScratchAbsolute;
  const std::wstring sub = kScratchKey;
  RecordingRegistry recorder;
  {
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_TRUE(recorder.Calls().empty());

    // Evaluation.
    if (registry.KeyExists(key)) registry.OpenKey(key, false);
    if (registry.ValueExists(L"Path")) (void)registry.ReadString(L"Path");
    EXPECT_EQ(recorder.Calls(), FirstEvaluationCalls(sub));
    recorder.Clear();

    // A second evaluation closes the key that was open before, after the new open.
    if (registry.KeyExists(key)) registry.OpenKey(key, false);
    EXPECT_EQ(recorder.Calls(), (std::vector<std::wstring>{
                                    L"RegOpenKeyExW(HKCU, \"" + sub + L"\", 0x20009) = 0",
                                    L"RegCloseKey(key3)",
                                    L"RegOpenKeyExW(HKCU, \"" + sub + L"\", 0xF003F) = 0",
                                    L"RegCloseKey(key2)",
                                }));
    recorder.Clear();

    // Toggle.
    registry.CloseKey();
    registry.OpenKey(key, true);
    registry.WriteString(L"Path", L"");
    EXPECT_EQ(recorder.Calls(), (std::vector<std::wstring>{
                                    L"RegCloseKey(key4)",
                                    L"RegCreateKeyExW(HKCU, \"" + sub + L"\", 0xF003F) = 0",
                                    L"RegSetValueExW(key5, \"Path\", 1, 2) = 0",
                                }));
    recorder.Clear();
  }
  // Release closes the open key, never the root.
  EXPECT_EQ(recorder.Calls(), (std::vector<std::wstring>{L"RegCloseKey(key5)"}));
}

TEST_F(RegistryCalls, ZeroSizeValueIsNotQueriedForData) {
  SetRawValue(HKEY_CURRENT_USER, kScratchKey, L"Path", REG_DWORD, nullptr, 0);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  RecordingRegistry recorder;
  EXPECT_EQ(registry.ReadString(L"Path"), L"");
  EXPECT_EQ(recorder.Calls().size(), 1u);
}

TEST_F(RegistryCalls, EmptyPathIsOpenedNotCreated) {
  RecordingRegistry recorder;
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(L"", true));
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0], L"RegOpenKeyExW(HKCU, \"\", 0xF003F) = 0");
}

// Wine enforces key security: a key the user may read but not change.
TEST_F(RegistryFaults, KeyReadableButNotWritable) {
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", L"v");
  MakeKeyReadOnly(HKEY_CURRENT_USER, kScratchKey);
  TRegistry registry;
  EXPECT_TRUE(registry.KeyExists(kScratchAbsolute));
  EXPECT_FALSE(registry.OpenKey(kScratchAbsolute, false));
  EXPECT_EQ(registry.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(registry.OpenKey(kScratchAbsolute, true));
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_FALSE(registry.ValueExists(L"Path"));
}

TEST_F(RegistryFaults, ValueGrowingBetweenQueries) {
  SetRawString(HKEY_CURRENT_USER, kScratchKey, L"Path", L"abc");
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, false));
  RecordingRegistry recorder;
  recorder.GrowBetweenQueries = true;
  EXPECT_EQ(ErrorOf<ERegistryException>([&] { (void)registry.ReadString(L"Path"); }),
            L"Echec à l'obtention des données pour 'Path'");
  EXPECT_EQ(registry.LastError(), ERROR_MORE_DATA);
}

TEST_F(RegistryFaults, FailingSetValue) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey(kScratchAbsolute, true));
  RecordingRegistry recorder;
  recorder.SetValueResult = ERROR_ACCESS_DENIED;
  EXPECT_THROW(registry.WriteString(L"Path", L"x"), ERegistryException);
  EXPECT_EQ(registry.LastError(), ERROR_ACCESS_DENIED);
}

}  // namespace

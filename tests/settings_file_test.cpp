#include <gtest/gtest.h>

#include <cstdlib>

#include "settings_file.h"
#include "support/temp_folder.h"

namespace {

const std::wstring kSection = L"Registre OpenTrack";
const std::wstring kDefault = L"C:/Program Files (x86)/opentrack/modules/";

class IniFile : public testing::Test {
 protected:
  TempFolder FFolder;
  std::wstring FPath = FFolder.File(L"Trelvane.ini");
};

TEST_F(IniFile, MissingFileGivesDefaultAndCreatesNothing) {
  {
    TIniFile ini(FPath);
    EXPECT_EQ(ini.FileName(), FPath);
    EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), kDefault);
  }
  EXPECT_FALSE(FileExists(FPath));
}

TEST_F(IniFile, MissingSectionOrKeyGivesDefault) {
  WriteFileBytes(FPath, "[Autre]\r\nPath=x\r\n[Registre OpenTrack]\r\nChemin=y\r\n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), kDefault);
  EXPECT_EQ(ini.ReadString(L"Absente", L"Path", L""), L"");
}

TEST_F(IniFile, EmptyEntryIsEmptyNotDefault) {
  WriteFileBytes(FPath, "[Registre OpenTrack]\r\nPath=\r\n");
  TIniFile ini(FPath);
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), L"");
}

TEST_F(IniFile, LongValueGivesItsFirst2047Characters) {
  std::string value;
  for (int i = 0; i < 3000; ++i)
    value += static_cast<char>('a' + i % 26);
  WriteFileBytes(FPath, "[Registre OpenTrack]\r\nPath=" + value + "\r\n");
  TIniFile ini(FPath);
  const std::wstring read = ini.ReadString(kSection, L"Path", kDefault);
  EXPECT_EQ(read, std::wstring(value.begin(), value.begin() + 2047));
}

TEST_F(IniFile, WrittenValuesReadBackTheSame) {
  TIniFile ini(FPath);
  ini.WriteString(kSection, L"Path", L"D:\\Jeux\\Suivi de tête\\modules\\");
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), L"D:\\Jeux\\Suivi de tête\\modules\\");
  ini.WriteString(kSection, L"Path", L"E:/autre/");
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), L"E:/autre/");
  // An empty value stays an empty entry: it is not deleted.
  ini.WriteString(kSection, L"Path", L"");
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), L"");
  EXPECT_NE(ReadFileBytes(FPath).find("Path="), std::string::npos);
}

TEST_F(IniFile, TextOutsideTheAnsiCodePageSurvives) {
  const std::wstring folder = L"C:\\Users\\\u0414\u043C\u0438\u0442\u0440\u0438\u0439\\modules\\";
  {
    TIniFile ini(FPath);
    ini.WriteString(kSection, L"Path", folder);
    EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), folder);
  }
  // An existing ANSI file keeps every entry when it has to become Unicode.
  WriteFileBytes(FPath, "[Autre]\r\nCl\xE9=\xE9t\xE9\r\n[Registre OpenTrack]\r\nPath=C:/a/\r\n");
  TIniFile ini(FPath);
  ini.WriteString(kSection, L"Path", folder);
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), folder);
  EXPECT_EQ(ini.ReadString(L"Autre", L"Cl\u00E9", L""), L"\u00E9t\u00E9");
  // Plain text keeps the file as the profile functions make it.
  TIniFile plain(FFolder.File(L"plain.ini"));
  plain.WriteString(kSection, L"Path", L"C:/b/");
  EXPECT_EQ(ReadFileBytes(FFolder.File(L"plain.ini")).substr(0, 1), "[");
}

TEST_F(IniFile, WriteIntoMissingFolderRaisesWithFullPath) {
  const std::wstring path = FFolder.File(L"absent\\Trelvane.ini");
  TIniFile ini(path);
  try {
    ini.WriteString(kSection, L"Path", L"x");
    FAIL() << "no error raised";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), L"Impossible d'écrire dans " + path);
  }
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), kDefault);
}

// Run by readonly_ini.sh in a process without CAP_DAC_OVERRIDE, on files it made
// read-only; asserts the error only where a raw write really fails.
bool RawWriteFails(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  CloseHandle(file);
  return false;
}

void ExpectWriteRefused(const std::wstring& path) {
  if (!RawWriteFails(path)) GTEST_SKIP() << "the system still lets us write " << path.c_str();
  TIniFile ini(path);
  const std::wstring before = ini.ReadString(kSection, L"Path", kDefault);
  try {
    ini.WriteString(kSection, L"Path", L"nouveau");
    FAIL() << "no error raised";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), L"Impossible d'écrire dans " + path);
  }
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), before);
}

TEST(IniFileReadOnly, ReadOnlyFileAndFolder) {
  const char* folder = std::getenv("TRELVANE_READONLY_DIR");
  if (!folder) GTEST_SKIP() << "run by readonly_ini.sh";
  const std::string dir(folder);
  const std::wstring base(dir.begin(), dir.end());
  ExpectWriteRefused(base + L"\\file\\Trelvane.ini");    // read-only file
  ExpectWriteRefused(base + L"\\folder\\Trelvane.ini");  // no file yet, read-only folder
}

}  // namespace

#include <gtest/gtest.h>
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "base/unique_handle.h"
#include "settings_file.h"
#include "support/child_process.h"
#include "support/error_of.h"
#include "support/temp_folder.h"
#include "support/text.h"
#include "unicode_ini.h"

namespace {

const std::wstring kSection = L"Registre OpenTrack";
const std::wstring kDefault = L"C:/Program Files (x86)/opentrack/modules/";
// A folder the ANSI code page cannot spell.
const std::wstring kDmitri = L"C:\\Users\\\u0414\u043C\u0438\u0442\u0440\u0438\u0439\\modules\\";

// Western European text (code page 1252) as UTF-16 bytes, little- or big-endian.
std::string Utf16(const std::string& text, bool bigEndian = false) {
  return Utf16Bytes(Widen(text, 1252), bigEndian);
}

void ExpectWriteRaises(TIniFile& ini, const std::wstring& value) {
  EXPECT_EQ(ErrorOf<EIniFileException>([&] { ini.WriteString(kSection, L"Path", value); }),
            L"Impossible d'écrire dans " + ini.FileName());
}

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

// However long, a value comes back whole, quoted or not (Wine cuts a quoted
// value that just fills the buffer one character short).
TEST_F(IniFile, LongValueComesBackWhole) {
  for (const std::size_t length : {2046, 2047, 2048, 3000}) {
    std::string value;
    for (std::size_t i = 0; i < length; ++i)
      value += static_cast<char>('a' + i % 26);
    for (const std::string& stored : {value, '"' + value + '"'}) {
      SCOPED_TRACE(stored.size());
      WriteFileBytes(FPath, "[Registre OpenTrack]\r\nPath=" + stored + "\r\n");
      TIniFile ini(FPath);
      ini.UpdateFile();
      EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), Widen(value));
    }
  }
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

// Whatever the encoding of the file, a folder outside the code page makes it
// UTF-16 LE, with every entry as it was and still one section.
TEST_F(IniFile, EveryEncodingKeepsItsEntriesWhenGoingUnicode) {
  const std::string latin1 = "[Registre OpenTrack]\r\nPath=C:/a/\r\n[Other]\r\nName=Zo\xEB\r\n";
  const std::pair<const char*, std::string> files[] = {
      {"UTF-16 LE", "\xFF\xFE" + Utf16(latin1)},
      {"UTF-16 BE", "\xFE\xFF" + Utf16(latin1, true)},
      {"UTF-8", "\xEF\xBB\xBF[Registre OpenTrack]\r\nPath=C:/a/\r\n[Other]\r\nName=Zo\xC3\xAB\r\n"},
      {"ANSI", latin1}};
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    WriteFileBytes(FPath, bytes);
    TIniFile ini(FPath);
    ini.WriteString(kSection, L"Path", kDmitri);
    EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), kDmitri);
    EXPECT_EQ(ini.ReadString(L"Other", L"Name", L""), L"Zo\u00EB");
    const std::string after = ReadFileBytes(FPath);
    const std::string section = Utf16("[Registre OpenTrack]");
    EXPECT_EQ(after.rfind("\xFF\xFE", 0), 0u);
    EXPECT_NE(after.find(section), std::string::npos);
    EXPECT_EQ(after.find(section), after.rfind(section));
  }
}

// Another program has the file open for writing, sharing it or not: its
// change would be lost, or the text stored as '?'. Nothing is written.
TEST_F(IniFile, FileInUseByAnotherProgramRaisesAndStaysAsItWas) {
  const std::string before = "[Registre OpenTrack]\r\nPath=C:/a/\r\n";
  WriteFileBytes(FPath, before);
  for (const DWORD share :
       {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}}) {
    SCOPED_TRACE(share);
    {
      const ForeignLock lock(FPath, share);
      ASSERT_TRUE(lock.Held());
      TIniFile ini(FPath);
      ExpectWriteRaises(ini, kDmitri);
    }
    EXPECT_EQ(ReadFileBytes(FPath), before);
    EXPECT_EQ(FFolder.FileNames(), std::vector<std::wstring>{L"Trelvane.ini"});
  }
}

// The name beside the file that a conversion writes first is ours alone:
// whatever else holds it (a link to another file, a file another program
// holds, a file of the user's, the name in another case, a FIFO), also beside
// the file a settings link leads to, makes the conversion fail with nothing
// touched. Only a left-over of our own gives way: a run killed mid-way leaves
// it empty or starting with the mark.
TEST(IniFileTemporaryName, OnlyALeftOverOfOursGivesWay) {
  const std::string ansi = "[Registre OpenTrack]\r\nPath=C:/a/\r\n";
  const std::string theirs = "[Autre]\r\nCle=la leur\r\n";
  const char* const holders[] = {"symbolic link", "hard link",  "held with delete sharing",
                                 "user's file",   "other case", "beside a link's target",
                                 "FIFO",          "left-over",  "empty left-over"};
  for (const std::string holder : holders) {
    SCOPED_TRACE(holder);
    TempFolder folder;
    std::wstring path = folder.File(L"Trelvane.ini");
    std::wstring temporary = path + L".tmp";
    const std::wstring other = folder.File(L"autre.ini");
    WriteFileBytes(path, ansi);
    WriteFileBytes(other, theirs);
    std::string held = theirs;
    std::optional<ForeignLock> lock;
    if (holder == "symbolic link") {
      ASSERT_TRUE(folder.MakeSymbolicLink(L"Trelvane.ini.tmp", L"autre.ini"));
    } else if (holder == "hard link") {
      ASSERT_TRUE(CreateHardLinkW(temporary.c_str(), other.c_str(), nullptr));
    } else if (holder == "user's file") {
      WriteFileBytes(temporary, theirs);
    } else if (holder == "held with delete sharing") {
      WriteFileBytes(temporary, theirs);
      lock.emplace(temporary, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
      ASSERT_TRUE(lock->Held());
    } else if (holder == "other case") {  // marked, but a name of ours never has this case
      temporary = folder.File(L"TRELVANE.INI.TMP");
      held = "\xFF\xFE" + Utf16(theirs);
      WriteFileBytes(temporary, held);
    } else if (holder == "beside a link's target") {
      ASSERT_TRUE(folder.MakeSymbolicLink(L"lien.ini", L"Trelvane.ini"));
      path = folder.File(L"lien.ini");
      WriteFileBytes(temporary, theirs);
    } else if (holder == "FIFO") {
      ASSERT_TRUE(folder.MakeFifo(L"Trelvane.ini.tmp"));
      held.clear();
    } else {
      WriteFileBytes(temporary, holder == "left-over" ? "\xFF\xFE[Regis" : "");
    }
    TIniFile ini(path);
    if (holder.find("left-over") != std::string::npos) {
      ini.WriteString(kSection, L"Path", kDmitri);
      EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), kDmitri);
      EXPECT_EQ(folder.FileNames(), (std::vector<std::wstring>{L"Trelvane.ini", L"autre.ini"}));
      continue;
    }
    ExpectWriteRaises(ini, kDmitri);
    lock.reset();
    EXPECT_EQ(ReadFileBytes(folder.File(L"Trelvane.ini")), ansi);
    EXPECT_EQ(ReadFileBytes(other), theirs);
    EXPECT_EQ(ReadFileBytes(temporary), held);
    EXPECT_TRUE(IsListed(temporary));
  }
}

// A settings file with a second name would be split by the conversion (only
// this name would change), and one that is a FIFO would hold it in its first
// read: both are refused, with nothing changed.
TEST_F(IniFile, HardLinkedOrFifoSettingsFileIsRefused) {
  const std::string ansi = "[Registre OpenTrack]\r\nPath=C:/a/\r\n";
  WriteFileBytes(FPath, ansi);
  const std::wstring second = FFolder.File(L"second nom.ini");
  ASSERT_TRUE(CreateHardLinkW(second.c_str(), FPath.c_str(), nullptr));
  TIniFile linked(FPath);
  ExpectWriteRaises(linked, kDmitri);
  EXPECT_EQ(ReadFileBytes(FPath), ansi);
  EXPECT_EQ(ReadFileBytes(second), ansi);

  ASSERT_TRUE(FFolder.MakeFifo(L"fifo.ini"));
  TIniFile fifo(FFolder.File(L"fifo.ini"));
  ExpectWriteRaises(fifo, kDmitri);
  EXPECT_EQ(fifo.ReadString(kSection, L"Path", kDefault), kDefault);
  EXPECT_EQ(FFolder.FileNames(),
            (std::vector<std::wstring>{L"Trelvane.ini", L"fifo.ini", L"second nom.ini"}));
}

// The file's own DACL in SDDL form, or "" when it has none to read.
std::wstring DaclOf(const std::wstring& path) {
  UniqueLocalMemory descriptor;
  UniqueLocalMemory text;
  if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, nullptr, nullptr, descriptor.put()) != ERROR_SUCCESS ||
      !ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor.get(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
          reinterpret_cast<wchar_t**>(text.put()), nullptr))
    return L"";
  return static_cast<const wchar_t*>(text.get());
}

// Converted, the file is still what it was: its attributes (hidden, system)
// and its DACL; and a link stays a link, the file it leads to holding the
// conversion.
TEST_F(IniFile, ConversionKeepsWhatTheFileIs) {
  const std::string ansi = "[Registre OpenTrack]\r\nPath=C:/a/\r\n";
  WriteFileBytes(FPath, ansi);
  // Protected, read and write for everyone and the system alone: no file gets it by default.
  const wchar_t* const restricted = L"D:P(A;;FRFW;;;WD)(A;;FA;;;SY)";
  UniqueLocalMemory descriptor;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(restricted, SDDL_REVISION_1,
                                                                   descriptor.put(), nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted);
  ASSERT_EQ(SetNamedSecurityInfoW(FPath.data(), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, dacl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  const std::wstring permissions = DaclOf(FPath);
  ASSERT_TRUE(SetFileAttributesW(FPath.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  const DWORD attributes = GetFileAttributesW(FPath.c_str());
  const std::wstring target = FFolder.File(L"cible.ini");
  WriteFileBytes(target, ansi);
  ASSERT_TRUE(FFolder.MakeSymbolicLink(L"lien.ini", L"cible.ini"));
  for (const std::wstring& path : {FPath, FFolder.File(L"lien.ini")}) {
    TIniFile ini(path);
    ini.WriteString(kSection, L"Path", kDmitri);
    EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), kDmitri);
  }
  EXPECT_EQ(GetFileAttributesW(FPath.c_str()), attributes);
  EXPECT_EQ(DaclOf(FPath), permissions);
  EXPECT_EQ(ReadFileBytes(target).rfind("\xFF\xFE", 0), 0u);
  EXPECT_EQ(FFolder.FileNames(),
            (std::vector<std::wstring>{L"Trelvane.ini", L"cible.ini", L"lien.ini"}));
}

// A file already UTF-16 LE needs no conversion, and its size is no reason to refuse it.
TEST_F(IniFile, LargeUnicodeFileIsLeftAsItIs) {
  const std::string content = "\xFF\xFE" + std::string(65 << 20, '\0');
  WriteFileBytes(FPath, content);
  EXPECT_TRUE(MakeUnicodeIniFile(FPath));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(FPath.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, content.size());
  EXPECT_EQ(FFolder.FileNames(), std::vector<std::wstring>{L"Trelvane.ini"});
}

TEST_F(IniFile, WriteIntoMissingFolderRaisesWithFullPath) {
  TIniFile ini(FFolder.File(L"absent\\Trelvane.ini"));
  for (const std::wstring& value : {std::wstring(L"x"), kDmitri})
    ExpectWriteRaises(ini, value);
  EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), kDefault);
}

// Another writer (a thread: the race is the file system's) writes entries
// through the profile functions, trying again at once whenever refused, while
// the file is converted: every entry it was told it wrote is still there.
TEST_F(IniFile, ConcurrentWriterLosesNoEntry) {
  struct Writer {
    explicit Writer(std::wstring path) : Path(std::move(path)) {}
    std::wstring Path;
    std::atomic<bool> Stop{false};
    std::atomic<int> Written{0};
    std::vector<std::wstring> Acknowledged;
    static DWORD WINAPI Run(void* self) {
      auto& writer = *static_cast<Writer*>(self);
      for (int i = 0; !writer.Stop; ++i) {
        const std::wstring key = L"k" + std::to_wstring(i);
        if (!WritePrivateProfileStringW(L"Autre", key.c_str(), L"v", writer.Path.c_str())) continue;
        writer.Acknowledged.push_back(key);
        ++writer.Written;
      }
      return 0;
    }
  };
  int lost = 0;
  for (int round = 0; round < 5; ++round) {
    WriteFileBytes(FPath, "[Registre OpenTrack]\r\nPath=C:/a/\r\n");
    Writer writer(FPath);
    const UniqueKernelHandle thread(CreateThread(nullptr, 0, Writer::Run, &writer, 0, nullptr));
    while (writer.Written == 0) {
    }
    int refused = 0;
    while (!MakeUnicodeIniFile(FPath) && refused < 1000)  // refused while the writer writes
      ++refused;
    const int after = writer.Written + 3;
    while (writer.Written < after) {
    }
    writer.Stop = true;
    WaitForSingleObject(thread.get(), INFINITE);
    ASSERT_LT(refused, 1000);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, FPath.c_str());
    for (const std::wstring& key : writer.Acknowledged) {
      wchar_t value[8] = {};
      GetPrivateProfileStringW(L"Autre", key.c_str(), L"", value, 8, FPath.c_str());
      lost += std::wstring(value) != L"v";
    }
  }
  EXPECT_EQ(lost, 0);
}

// What real volumes refuse and Wine never does, injected into the conversion.
struct FileRefusals {
  static inline int Renames = 0;  // the next that many renames are refused
  static inline bool FullPaths = false;
  static inline bool OpenedPaths = false;
  static inline bool WriteDac = false;

  static HANDLE WINAPI Create(LPCWSTR name, DWORD access, DWORD share,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                              HANDLE model) {
    if (WriteDac && (access & WRITE_DAC) != 0) return Refuse(INVALID_HANDLE_VALUE);
    return CreateFileW(name, access, share, security, disposition, flags, model);
  }
  static BOOL WINAPI SetInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                                    DWORD size) {
    const bool rename = kind == FileRenameInfo || kind == 22;  // FileRenameInfoEx
    if (rename && Renames > 0 && Renames--) return Refuse(FALSE, ERROR_SHARING_VIOLATION);
    return SetFileInformationByHandle(file, kind, info, size);
  }
  static DWORD WINAPI FinalPath(HANDLE file, LPWSTR path, DWORD size, DWORD flags) {
    if ((flags & FILE_NAME_OPENED) != 0 ? OpenedPaths : FullPaths) return Refuse(DWORD{0});
    return GetFinalPathNameByHandleW(file, path, size, flags);
  }
  template <typename T>
  static T Refuse(T result, DWORD error = ERROR_ACCESS_DENIED) {
    SetLastError(error);
    return result;
  }
};

// The rename refused while others hold the file, then accepted or never; the
// file's full path, or any path, refused (some shares, RAM disks, volumes
// without a letter); the create refused for asking WRITE_DAC. Each time a
// left-over of ours waits at the temporary name.
TEST_F(IniFile, RefusalsWineNeverGives) {
  const std::string ansi = "[Registre OpenTrack]\r\nPath=C:/a/\r\n";
  const IniFileFunctions refusing = {FileRefusals::Create, FileRefusals::SetInformation,
                                     FileRefusals::FinalPath};
  const struct {
    const char* Name;
    int Renames;
    bool FullPaths, OpenedPaths, WriteDac, Converted;
  } cases[] = {{"rename refused 3 times", 3, false, false, false, true},
               {"rename always refused", 1000, false, false, false, false},
               {"full path refused", 0, true, false, false, true},
               {"every path refused", 0, true, true, false, true},
               {"WRITE_DAC refused", 0, false, false, true, true}};
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.Name);
    WriteFileBytes(FPath, ansi);
    WriteFileBytes(FPath + L".tmp", "\xFF\xFE");
    FileRefusals::Renames = refused.Renames;
    FileRefusals::FullPaths = refused.FullPaths;
    FileRefusals::OpenedPaths = refused.OpenedPaths;
    FileRefusals::WriteDac = refused.WriteDac;
    {
      const ScopedIniFileFunctions scope(refusing);
      TIniFile ini(FPath);
      if (refused.Converted)
        ini.WriteString(kSection, L"Path", kDmitri);
      else
        ExpectWriteRaises(ini, kDmitri);
    }
    TIniFile ini(FPath);
    EXPECT_EQ(ini.ReadString(kSection, L"Path", kDefault), refused.Converted ? kDmitri : L"C:/a/");
    EXPECT_EQ(FFolder.FileNames(), std::vector<std::wstring>{L"Trelvane.ini"});
  }
}

// Only keep a hung child from stopping the run; emulated 32-bit code is slow.
constexpr DWORD kHangLimitMs = 300000;
constexpr std::chrono::milliseconds kHangLimit{kHangLimitMs};

// Killed at any moment while converting a large file, the conversion leaves
// the old file or the converted one, whole, and at most one temporary file.
TEST(IniFileCrash, KillDuringConversionLeavesOldOrNewFile) {
  TempFolder folder;
  const std::wstring path = folder.File(L"Trelvane.ini");
  std::string ansi;
  for (int i = 0; i < 100000; ++i)
    ansi += "[Section " + std::to_string(i) + "]\r\nNom=Zo\xEB " + std::to_string(i) + "\r\n";
  const std::string unicode = "\xFF\xFE" + Utf16(ansi);
  const std::wstring readyName = L"TrelvaneConvertReady" + std::to_wstring(GetCurrentProcessId());
  const UniqueKernelHandle ready(CreateEventW(nullptr, FALSE, FALSE, readyName.c_str()));

  // Runs the conversion in a child, kills it `killAfter` after its start
  // signal (unless it has ended), and gives the time it ran.
  using Clock = std::chrono::steady_clock;
  const auto convert = [&](Clock::duration killAfter) {
    const ChildProcess child(HelperProgram(L"ini_convert_child.exe"),
                             L"\"" + path + L"\" " + readyName, kInheritingHandles);
    EXPECT_TRUE(child.Started());
    EXPECT_EQ(WaitForSingleObject(ready.get(), kHangLimitMs), WAIT_OBJECT_0);
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start < killAfter && !child.HasExited()) {
    }
    child.End(9);
    return Clock::now() - start;
  };

  // The quickest of three whole runs: one slow run would put every kill after the end.
  Clock::duration whole = Clock::duration::max();
  Clock::duration child = Clock::duration::max();
  for (int run = 0; run < 3; ++run) {
    WriteFileBytes(path, ansi);
    const Clock::time_point started = Clock::now();
    whole = std::min(whole, convert(kHangLimit));
    child = std::min(child, Clock::now() - started);
    ASSERT_EQ(ReadFileBytes(path), unicode);
  }
  // Forty kill instants, fewer where a child takes long just to start (32-bit
  // code emulated): the case stays within a few minutes.
  const int kills = std::clamp(static_cast<int>(std::chrono::minutes(2) / child), 8, 40);
  int old = 0, converted = 0, temporary = 0;
  for (int i = 0; i < kills; ++i) {
    WriteFileBytes(path, ansi);
    convert(whole * 2 * i / (kills - 1));  // from the start to well past the end
    const std::string after = ReadFileBytes(path);
    ASSERT_TRUE(after == ansi || after == unicode)
        << "kill " << i << ": " << after.size() << " bytes";
    (after == ansi ? old : converted)++;
    const std::vector<std::wstring> names = folder.FileNames();
    temporary += names.size() > 1;
    EXPECT_LE(names.size(), 2u);
  }
  WriteFileBytes(path, ansi);
  convert(kHangLimit);
  EXPECT_EQ(ReadFileBytes(path), unicode);
  EXPECT_EQ(folder.FileNames(), std::vector<std::wstring>{L"Trelvane.ini"});
  std::printf(
      "conversion of %zu bytes: %lld ms; %d kills left the old file, %d the new, %d a "
      "temporary file\n",
      ansi.size(),
      static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(whole).count()),
      old, converted, temporary);
  // Some kills must land before the replacement, in the middle of writing.
  EXPECT_GT(old, 0);
  EXPECT_GT(temporary, 0);
}

// Run by readonly_ini.sh in a process without CAP_DAC_OVERRIDE, on files it made
// read-only; asserts the error only where a raw write really fails.
bool RawWriteFails(const std::wstring& path) {
  return !UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
}

void ExpectWriteRefused(const std::wstring& path) {
  if (!RawWriteFails(path)) GTEST_SKIP() << "the system still lets us write " << path.c_str();
  TIniFile ini(path);
  const std::wstring before = ini.ReadString(kSection, L"Path", kDefault);
  for (const std::wstring& value : {std::wstring(L"nouveau"), kDmitri})
    ExpectWriteRaises(ini, value);
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

#include "unicode_ini.h"

#include <windows.h>

#include <aclapi.h>
#include <winioctl.h>

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/unique_handle.h"

const IniFileFunctions kSystemIniFileFunctions = {::CreateFileW, ::SetFileInformationByHandle,
                                                  ::GetFinalPathNameByHandleW};

namespace {

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr wchar_t kMark = L'\xFEFF';
// Far beyond any settings file; a larger or nonsense size is refused before
// anything is allocated for it.
constexpr LONGLONG kLargestFile = 64 << 20;
// Windows 10 1607's class; mingw-w64 declares it only for a _WIN32_WINNT that
// no SDK defines.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
// About a second: the moment an indexer, virus scanner, backup or sync client
// holds the file open.
constexpr int kRenameAttempts = 10;
constexpr DWORD kRenamePauseMs = 100;

const IniFileFunctions& Files() noexcept { return IniFileFunctionTable::Active(); }

bool StartsWith(std::string_view Bytes, std::string_view Mark) {
  return Bytes.substr(0, Mark.size()) == Mark;
}

UniqueFileHandle OpenFile(const std::wstring& Name, DWORD Access, DWORD Share, DWORD Disposition,
                          DWORD Flags = FILE_ATTRIBUTE_NORMAL) {
  return UniqueFileHandle(
      Files().Open(Name.c_str(), Access, Share, nullptr, Disposition, Flags, nullptr));
}

// Only a file on a disk answers a read at once: a FIFO or a device at the name
// would hold the program in its first read.
bool IsDiskFile(HANDLE File) { return GetFileType(File) == FILE_TYPE_DISK; }

// The file's first bytes, as many as the mark has, fewer in a shorter file.
std::optional<std::string_view> FirstBytes(HANDLE File, char (&Room)[2]) {
  DWORD read = 0;
  if (!ReadFile(File, Room, sizeof Room, &read, nullptr)) return std::nullopt;
  return std::string_view(Room, read);
}

// A vector, not a std::string: the narrow string would link in all of
// libstdc++'s compiled std::string, some 33 KB, for this one buffer.
std::optional<std::vector<char>> ReadWholeFile(HANDLE File) {
  LARGE_INTEGER size{};
  if (!SetFilePointerEx(File, LARGE_INTEGER{}, nullptr, FILE_BEGIN) ||
      !GetFileSizeEx(File, &size) || size.QuadPart < 0 || size.QuadPart > kLargestFile)
    return std::nullopt;
  std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(File, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
      read != bytes.size())
    return std::nullopt;
  return bytes;
}

// The mark followed by the bytes read in a code page. No code page gives more
// UTF-16 units than it has bytes.
std::optional<std::wstring> MarkedFromCodePage(UINT CodePage, std::string_view Bytes) {
  std::wstring text(Bytes.size() + 1, kMark);
  if (Bytes.empty()) return text;
  const int size = static_cast<int>(Bytes.size());
  const int length = MultiByteToWideChar(CodePage, 0, Bytes.data(), size, &text[1], size);
  if (length == 0) return std::nullopt;
  text.resize(1 + static_cast<size_t>(length));
  return text;
}

// The content as a UTF-16 LE file with its mark, read as the profile functions
// read it: UTF-16 BE and UTF-8 after their marks, anything else in the ANSI
// code page (a UTF-8 file without the mark included). A lone last byte of a
// UTF-16 file is half a character and no part of any entry.
std::optional<std::wstring> AsUnicodeFile(std::string_view Bytes) {
  if (StartsWith(Bytes, kUtf8Mark)) return MarkedFromCodePage(CP_UTF8, Bytes.substr(3));
  if (!StartsWith(Bytes, kUtf16BeMark)) return MarkedFromCodePage(CP_ACP, Bytes);
  std::wstring text(1, kMark);
  for (size_t at = 2; at + 1 < Bytes.size(); at += 2)
    text += static_cast<wchar_t>((static_cast<unsigned char>(Bytes[at]) << 8) |
                                 static_cast<unsigned char>(Bytes[at + 1]));
  return text;
}

// The path of the file the handle is open on, every link resolved
// ("\\?\C:\..."). Wine shows a Unix symbolic link as the file it points to, and
// only this tells the two apart.
std::optional<std::wstring> FinalPathOf(HANDLE File, DWORD Kind) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        Files().GetFinalPath(File, path.data(), static_cast<DWORD>(path.size()), Kind);
    if (length == 0) return std::nullopt;
    const bool whole = length < path.size();  // else the room it needs
    path.resize(length);
    if (whole) return path;
  }
}

// Where the file opened as Name lives. Some volumes cannot name a file in full
// (shares whose parent folder the user may not list, volumes without a drive
// letter, RAM disks, user-mode file systems) but give the name as opened; and
// a name that is no link is the file's own path.
std::optional<std::wstring> ResolvedPath(HANDLE File, const std::wstring& Name) {
  if (auto path = FinalPathOf(File, FILE_NAME_NORMALIZED)) return path;
  if (auto path = FinalPathOf(File, FILE_NAME_OPENED)) return path;
  const DWORD attributes = GetFileAttributesW(Name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return std::nullopt;
  return Name;
}

bool DeleteThrough(HANDLE File) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return Files().SetInformation(File, FileDispositionInfo, &disposition, sizeof disposition) !=
         FALSE;
}

// One step in which the file takes Name, and whatever had that name is gone.
bool RenameThrough(HANDLE File, const std::wstring& Name, FILE_INFO_BY_HANDLE_CLASS Class,
                   DWORD Flags) {
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + Name.size() * sizeof(wchar_t));
  auto* const rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->Flags = Flags;  // FileRenameInfo reads the first byte alone: ReplaceIfExists
  rename->FileNameLength = static_cast<DWORD>(Name.size() * sizeof(wchar_t));
  Name.copy(rename->FileName, Name.size());
  return Files().SetInformation(File, Class, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

// What another program holding the file for a moment answers: worth a retry.
bool IsPassingRefusal(DWORD Error) {
  return Error == ERROR_ACCESS_DENIED || Error == ERROR_SHARING_VIOLATION ||
         Error == ERROR_LOCK_VIOLATION;
}

// What a write by another program changes: the time of the last write, and
// the size, which a write within the same tick of the clock may alone change.
struct WriteStamp {
  ULONGLONG LastWriteTime;
  ULONGLONG Size;
};

bool IsUnchanged(const std::wstring& Name, const WriteStamp& Before) {
  WIN32_FILE_ATTRIBUTE_DATA now{};
  const auto join = [](DWORD High, DWORD Low) { return (ULONGLONG{High} << 32) | Low; };
  return GetFileAttributesExW(Name.c_str(), GetFileExInfoStandard, &now) &&
         join(now.ftLastWriteTime.dwHighDateTime, now.ftLastWriteTime.dwLowDateTime) ==
             Before.LastWriteTime &&
         join(now.nFileSizeHigh, now.nFileSizeLow) == Before.Size;
}

// Who may read and change a file: its DACL, and whether it is protected from
// the folder's inheritance.
struct Permissions {
  UniqueLocalMemory Descriptor;
  PACL Dacl = nullptr;
  SECURITY_INFORMATION Kind = DACL_SECURITY_INFORMATION;
};

std::optional<Permissions> PermissionsOf(HANDLE File) {
  Permissions permissions;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (GetSecurityInfo(File, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      &permissions.Dacl, nullptr, permissions.Descriptor.put()) != ERROR_SUCCESS ||
      !GetSecurityDescriptorControl(permissions.Descriptor.get(), &control, &revision))
    return std::nullopt;
  permissions.Kind |= (control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                         : UNPROTECTED_DACL_SECURITY_INFORMATION;
  return permissions;
}

// Opens Name alone (no other program has it open) for removing it, when it is
// a left-over of our own run: a plain file on a disk under that one name (not
// a link to another file, not one of several names of a file), empty or
// starting with the mark, as our run writes it. It is then removed through this
// handle, so nothing can take the name's place in between.
UniqueFileHandle OpenLeftOver(const std::wstring& Name) {
  UniqueFileHandle file =
      OpenFile(Name, GENERIC_READ | DELETE, 0, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  FILE_STANDARD_INFO standard{};
  FILE_BASIC_INFO basic{};
  if (!file || !IsDiskFile(file.get()) ||
      !GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard, sizeof standard) ||
      !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
      standard.NumberOfLinks != 1 || standard.Directory ||
      (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return {};
  char room[2];
  const std::optional<std::string_view> start = FirstBytes(file.get(), room);
  // The name compared case for case: where names have case, another spelling
  // is another file, never ours.
  if (!start || kUtf16LeMark.substr(0, start->size()) != *start ||
      ResolvedPath(file.get(), Name) != Name)
    return {};
  return file;
}

// A missing file becomes one holding the mark alone. Created new, so that
// nothing which appeared meanwhile is overwritten; an empty file left by a
// kill holds no entries either, and is converted at the next write.
bool CreateMarkedFile(const std::wstring& Name) {
  const UniqueFileHandle file = OpenFile(Name, GENERIC_WRITE, 0, CREATE_NEW);
  DWORD written = 0;
  return file && WriteFile(file.get(), kUtf16LeMark.data(), 2, &written, nullptr) && written == 2;
}

// A file of our own beside the file it will replace, under one fixed name: a
// kill can leave at most this one behind, and a unique name per run would pile
// up. It is always created new, so whatever else holds that name (a link to
// another file, a file another program has open) is never opened, written or
// removed; only a left-over of our own gives way. Until it has taken the
// original's place it is removed again through a handle proved to be on it,
// never by name. It takes that place by a rename that replaces in one step:
// ReplaceFileW would carry the original's attributes and permissions itself,
// but is not one step everywhere (Wine's moves the original aside first, and a
// kill between leaves no settings file), so this file carries them instead.
class ReplacementFile {
 public:
  ReplacementFile(std::wstring Name, DWORD OriginalAttributes)
      : FName(std::move(Name)),
        FAttributes(OriginalAttributes &
                    (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_ENCRYPTED |
                     FILE_ATTRIBUTE_COMPRESSED)) {
    FFile = CreateNew();
    if (!FFile && GetLastError() == ERROR_FILE_EXISTS) {
      UniqueFileHandle leftOver = OpenLeftOver(FName);
      const bool removed = leftOver && DeleteThrough(leftOver.get());
      leftOver.reset();  // the name is free only once the file is closed
      if (removed) FFile = CreateNew();
    }
  }
  ~ReplacementFile() {
    if (FFile && !FPlaced) DeleteThrough(FFile.get());
  }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Encrypted and compressed as the original is, then written and flushed to
  // the disk before it may take the original's place.
  [[nodiscard]] bool Write(const std::wstring& Text) const {
    const auto size = static_cast<DWORD>(Text.size() * sizeof(wchar_t));
    DWORD written = 0;
    return FFile && IsStoredAsTheOriginal() &&
           WriteFile(FFile.get(), Text.data(), size, &written, nullptr) && written == size &&
           FlushFileBuffers(FFile.get());
  }

  // Given the original, still open, and what it was when read; takes its
  // permissions, where they could be read, then its name.
  [[nodiscard]] bool Replace(const std::wstring& Target, UniqueFileHandle Original,
                             const WriteStamp& Read,
                             const std::optional<Permissions>& OriginalPermissions) {
    // A file system without permissions refuses them; the file is no less whole.
    if (OriginalPermissions && FCarriesPermissions)
      SetSecurityInfo(FFile.get(), SE_FILE_OBJECT, OriginalPermissions->Kind, nullptr, nullptr,
                      OriginalPermissions->Dacl, nullptr);
    FPlaced = TakeName(Target, Original, Read);
    return FPlaced;
  }

 private:
  // WRITE_DAC lets the file take the original's permissions. A folder that
  // denies it to the files' owners (an OWNER RIGHTS entry) still lets the file
  // be created without it, and it then has the folder's permissions.
  [[nodiscard]] UniqueFileHandle CreateNew() {
    const DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
    const DWORD attributes = FAttributes & ~FILE_ATTRIBUTE_COMPRESSED;
    const DWORD flags = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    UniqueFileHandle file = OpenFile(FName, access | WRITE_DAC, 0, CREATE_NEW, flags);
    FCarriesPermissions = static_cast<bool>(file);
    if (!file && GetLastError() == ERROR_ACCESS_DENIED)
      file = OpenFile(FName, access, 0, CREATE_NEW, flags);
    return file;
  }

  // A copy in the clear, or uncompressed, would undo what the user chose for
  // the file. Encryption is asked at creation; compression is set before any
  // data is written.
  [[nodiscard]] bool IsStoredAsTheOriginal() const {
    if ((FAttributes & FILE_ATTRIBUTE_COMPRESSED) != 0) {
      USHORT format = COMPRESSION_FORMAT_DEFAULT;
      DWORD returned = 0;
      if (!DeviceIoControl(FFile.get(), FSCTL_SET_COMPRESSION, &format, sizeof format, nullptr, 0,
                           &returned, nullptr))
        return false;
    }
    FILE_BASIC_INFO basic{};
    return (FAttributes & FILE_ATTRIBUTE_ENCRYPTED) == 0 ||
           (GetFileInformationByHandleEx(FFile.get(), FileBasicInfo, &basic, sizeof basic) &&
            (basic.FileAttributes & FILE_ATTRIBUTE_ENCRYPTED) != 0);
  }

  // With POSIX semantics (Windows 10 1607 and later, on NTFS) the rename
  // replaces a file that others have open, the original included: that keeps
  // refusing writers until this file has its name. Elsewhere (older systems,
  // other file systems, Wine) a file still open cannot be replaced: the
  // original is closed first, and replaced only if nobody wrote to it
  // meanwhile. A refusal is tried again for about a second, the last time
  // without POSIX semantics should they be what is refused.
  [[nodiscard]] bool TakeName(const std::wstring& Target, UniqueFileHandle& Original,
                              const WriteStamp& Read) const {
    bool posix = true;
    for (int attempt = 1;; ++attempt) {
      const bool last = attempt == kRenameAttempts;
      if (posix) {
        if (RenameThrough(FFile.get(), Target, kFileRenameInfoEx,
                          FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS))
          return true;
        posix = IsPassingRefusal(GetLastError());  // else the flags are not supported here
      }
      if (!posix || last) {
        Original.reset();
        if (!IsUnchanged(Target, Read)) return false;
        if (RenameThrough(FFile.get(), Target, FileRenameInfo, TRUE)) return true;
        if (last || !IsPassingRefusal(GetLastError())) return false;
      }
      Sleep(kRenamePauseMs);
    }
  }

  std::wstring FName;
  DWORD FAttributes;
  UniqueFileHandle FFile;
  bool FCarriesPermissions = false;
  bool FPlaced = false;
};

}  // namespace

bool MakeUnicodeIniFile(const std::wstring& FileName) {
  // Asking for write access and letting others only read makes the open fail
  // when another program has the file open for writing, whatever sharing it
  // allows (its change would be lost), or when the file is read-only. Letting
  // them delete is what lets a POSIX rename replace it while it is open.
  UniqueFileHandle original = OpenFile(FileName, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (!original) return GetLastError() == ERROR_FILE_NOT_FOUND && CreateMarkedFile(FileName);
  if (!IsDiskFile(original.get())) return false;
  char room[2];
  const std::optional<std::string_view> start = FirstBytes(original.get(), room);
  if (start == kUtf16LeMark) return true;
  // A settings file that is a link keeps being one: the file it leads to is
  // replaced. A file with several names is refused: only this one would change.
  const std::optional<std::wstring> target = ResolvedPath(original.get(), FileName);
  FILE_BASIC_INFO basic{};
  FILE_STANDARD_INFO standard{};
  const std::optional<std::vector<char>> bytes = ReadWholeFile(original.get());
  if (!start || !target || !bytes ||
      !GetFileInformationByHandleEx(original.get(), FileBasicInfo, &basic, sizeof basic) ||
      !GetFileInformationByHandleEx(original.get(), FileStandardInfo, &standard, sizeof standard) ||
      standard.NumberOfLinks != 1)
    return false;
  const std::optional<std::wstring> text =
      AsUnicodeFile(std::string_view(bytes->data(), bytes->size()));
  if (!text) return false;
  const std::optional<Permissions> permissions = PermissionsOf(original.get());
  ReplacementFile replacement(*target + L".tmp", basic.FileAttributes);
  return replacement.Write(*text) &&
         replacement.Replace(*target, std::move(original),
                             {static_cast<ULONGLONG>(basic.LastWriteTime.QuadPart), bytes->size()},
                             permissions);
}

#include "unicode_ini.h"

#include <windows.h>

#include <aclapi.h>

#include <optional>
#include <string_view>
#include <vector>

#include "base/unique_handle.h"

namespace {

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr wchar_t kMark = L'\xFEFF';
// Far beyond any settings file; a larger or nonsense size is refused before
// anything is allocated for it.
constexpr LONGLONG kLargestFile = 64 << 20;

bool StartsWith(std::string_view Bytes, std::string_view Mark) {
  return Bytes.substr(0, Mark.size()) == Mark;
}

UniqueFileHandle OpenFile(const std::wstring& Name, DWORD Access, DWORD Share, DWORD Disposition,
                          DWORD Flags = FILE_ATTRIBUTE_NORMAL) {
  return UniqueFileHandle(
      CreateFileW(Name.c_str(), Access, Share, nullptr, Disposition, Flags, nullptr));
}

// A file already UTF-16 LE needs nothing, whatever its size.
bool HasUtf16LeMark(HANDLE File) {
  char mark[2] = {};
  DWORD read = 0;
  return ReadFile(File, mark, sizeof mark, &read, nullptr) &&
         std::string_view(mark, read) == kUtf16LeMark;
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
std::optional<std::wstring> FinalPath(HANDLE File) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(File, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return std::nullopt;
    const bool whole = length < path.size();  // else the room it needs
    path.resize(length);
    if (whole) return path;
  }
}

bool DeleteThrough(HANDLE File) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(File, FileDispositionInfo, &disposition, sizeof disposition) !=
         FALSE;
}

// One step in which the file takes Name, and whatever had that name is gone.
bool RenameThrough(HANDLE File, const std::wstring& Name) {
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + Name.size() * sizeof(wchar_t));
  auto* const rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->FileNameLength = static_cast<DWORD>(Name.size() * sizeof(wchar_t));
  Name.copy(rename->FileName, Name.size());
  return SetFileInformationByHandle(File, FileRenameInfo, rename,
                                    static_cast<DWORD>(buffer.size())) != FALSE;
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

// Opens Name alone (no other program has it open) for removing or renaming,
// when it is a plain file under that one name: not a link to another file,
// not one of several names of a file. Whatever is done then goes through this
// handle, so nothing can take the name's place in between.
UniqueFileHandle OpenPlainFile(const std::wstring& Name) {
  UniqueFileHandle file =
      OpenFile(Name, DELETE | FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  FILE_STANDARD_INFO standard{};
  FILE_BASIC_INFO basic{};
  if (!file ||
      !GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard, sizeof standard) ||
      !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
      standard.NumberOfLinks != 1 || standard.Directory ||
      (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return {};
  const std::optional<std::wstring> path = FinalPath(file.get());
  if (!path || CompareStringOrdinal(path->c_str(), -1, Name.c_str(), -1, TRUE) != CSTR_EQUAL)
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
  ReplacementFile(std::wstring Name, DWORD Attributes) : FName(std::move(Name)) {
    Attributes &= FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FFile = Create(Attributes);
    if (!FFile && GetLastError() == ERROR_FILE_EXISTS) {
      UniqueFileHandle leftOver = OpenPlainFile(FName);
      const bool removed = leftOver && DeleteThrough(leftOver.get());
      leftOver.reset();  // the name is free only once the file is closed
      if (removed) FFile = Create(Attributes);
    }
  }
  ~ReplacementFile() {
    if (FFile && !FPlaced) DeleteThrough(FFile.get());
  }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Written and flushed to the disk before it may take the original's place.
  [[nodiscard]] bool Write(const std::wstring& Text) const {
    const auto size = static_cast<DWORD>(Text.size() * sizeof(wchar_t));
    DWORD written = 0;
    return FFile && WriteFile(FFile.get(), Text.data(), size, &written, nullptr) &&
           written == size && FlushFileBuffers(FFile.get());
  }

  // Given the original's permissions, where they could be read, then its name.
  [[nodiscard]] bool Replace(const std::wstring& Target,
                             const std::optional<Permissions>& OriginalPermissions) {
    // A file system without permissions refuses them; the file is no less whole.
    if (OriginalPermissions)
      SetSecurityInfo(FFile.get(), SE_FILE_OBJECT, OriginalPermissions->Kind, nullptr, nullptr,
                      OriginalPermissions->Dacl, nullptr);
    FPlaced = RenameThrough(FFile.get(), Target);
    return FPlaced;
  }

 private:
  [[nodiscard]] UniqueFileHandle Create(DWORD Attributes) const {
    return OpenFile(FName, GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | WRITE_DAC, 0, CREATE_NEW,
                    Attributes != 0 ? Attributes : FILE_ATTRIBUTE_NORMAL);
  }

  std::wstring FName;
  UniqueFileHandle FFile;
  bool FPlaced = false;
};

}  // namespace

bool MakeUnicodeIniFile(const std::wstring& FileName) {
  // Asking for write access and letting others only read makes the open fail
  // when another program has the file open for writing, whatever sharing it
  // allows (its change would be lost), or when the file is read-only.
  UniqueFileHandle original =
      OpenFile(FileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (!original) return GetLastError() == ERROR_FILE_NOT_FOUND && CreateMarkedFile(FileName);
  if (HasUtf16LeMark(original.get())) return true;
  // A settings file that is a link keeps being one: the file it leads to is replaced.
  const std::optional<std::wstring> target = FinalPath(original.get());
  FILE_BASIC_INFO info{};
  const std::optional<std::vector<char>> bytes = ReadWholeFile(original.get());
  if (!target || !bytes ||
      !GetFileInformationByHandleEx(original.get(), FileBasicInfo, &info, sizeof info))
    return false;
  const std::optional<std::wstring> text =
      AsUnicodeFile(std::string_view(bytes->data(), bytes->size()));
  if (!text) return false;
  const std::optional<Permissions> permissions = PermissionsOf(original.get());
  ReplacementFile replacement(*target + L".tmp", info.FileAttributes);
  if (!replacement.Write(*text)) return false;
  original.reset();  // a file still open cannot be replaced
  return replacement.Replace(*target, permissions);
}

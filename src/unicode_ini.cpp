#include "unicode_ini.h"

#include <windows.h>

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

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.substr(0, mark.size()) == mark;
}

// CreateFileW reports failure as INVALID_HANDLE_VALUE; the owner knows only null.
UniqueKernelHandle OpenFile(const std::wstring& name, DWORD access, DWORD share,
                            DWORD disposition) {
  const HANDLE file = CreateFileW(name.c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  return UniqueKernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// A vector, not a std::string: the narrow string would link in all of
// libstdc++'s compiled std::string, some 33 KB, for this one buffer.
std::optional<std::vector<char>> ReadWholeFile(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > kLargestFile)
    return std::nullopt;
  std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
      read != bytes.size())
    return std::nullopt;
  return bytes;
}

// The mark followed by the bytes read in a code page. No code page gives more
// UTF-16 units than it has bytes.
std::optional<std::wstring> MarkedFromCodePage(UINT codePage, std::string_view bytes) {
  std::wstring text(bytes.size() + 1, kMark);
  if (bytes.empty()) return text;
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, &text[1], size);
  if (length == 0) return std::nullopt;
  text.resize(1 + static_cast<size_t>(length));
  return text;
}

// The content as a UTF-16 LE file with its mark, read as the profile functions
// read it: UTF-16 BE and UTF-8 after their marks, anything else in the ANSI
// code page (a UTF-8 file without the mark included). A lone last byte of a
// UTF-16 file is half a character and no part of any entry.
std::optional<std::wstring> AsUnicodeFile(std::string_view bytes) {
  if (StartsWith(bytes, kUtf8Mark)) return MarkedFromCodePage(CP_UTF8, bytes.substr(3));
  if (!StartsWith(bytes, kUtf16BeMark)) return MarkedFromCodePage(CP_ACP, bytes);
  std::wstring text(1, kMark);
  for (size_t at = 2; at + 1 < bytes.size(); at += 2)
    text += static_cast<wchar_t>((static_cast<unsigned char>(bytes[at]) << 8) |
                                 static_cast<unsigned char>(bytes[at + 1]));
  return text;
}

// A file of our own beside the settings file under one fixed name: a kill can
// leave at most this one behind, and the next conversion overwrites it. A
// unique name per run would pile up, and sweeping them by pattern could remove
// files that are not ours. Removed again unless it has replaced the original.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::wstring& target) : FName(target + L".tmp") {}
  ~ReplacementFile() {
    if (!FMoved) DeleteFileW(FName.c_str());
  }
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Written and flushed to the disk before it may take the original's place.
  [[nodiscard]] bool Write(const std::wstring& text) const {
    const UniqueKernelHandle file = OpenFile(FName, GENERIC_WRITE, 0, CREATE_ALWAYS);
    const auto size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), size, &written, nullptr) && written == size &&
           FlushFileBuffers(file.get());
  }

  // One rename: whoever looks sees either the old file or this one, whole.
  [[nodiscard]] bool Replace(const std::wstring& target) {
    FMoved = MoveFileExW(FName.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    return FMoved;
  }

 private:
  std::wstring FName;
  bool FMoved = false;
};

}  // namespace

bool MakeUnicodeIniFile(const std::wstring& fileName) {
  // Asking for write access and letting others only read makes the open fail
  // when another program has the file open for writing, whatever sharing it
  // allows (its change would be lost), or when the file is read-only.
  UniqueKernelHandle original =
      OpenFile(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  std::optional<std::vector<char>> bytes;
  if (original) {
    bytes = ReadWholeFile(original.get());
  } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
    bytes.emplace();
  }
  if (!bytes) return false;
  const std::string_view content(bytes->data(), bytes->size());
  if (StartsWith(content, kUtf16LeMark)) return true;

  const std::optional<std::wstring> text = AsUnicodeFile(content);
  ReplacementFile replacement(fileName);
  if (!text || !replacement.Write(*text)) return false;
  original.reset();  // an open file cannot be replaced
  return replacement.Replace(fileName);
}

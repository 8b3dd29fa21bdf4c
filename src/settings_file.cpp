#include "settings_file.h"

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "base/unique_handle.h"

namespace {

constexpr char kUtf16Mark[] = {'\xFF', '\xFE'};

// Whether the ANSI code page can hold the text: the profile functions write a
// file without a byte-order mark in that code page, replacing the rest by '?'.
bool FitsAnsiCodePage(const std::wstring& text) {
  if (text.empty()) return true;
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                      nullptr, 0, nullptr, &lossy);
  return !lossy;
}

std::vector<char> ReadWholeFile(HANDLE file) {
  std::vector<char> bytes(GetFileSize(file, nullptr));
  DWORD read = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return {};
  bytes.resize(read);
  return bytes;
}

// The profile functions keep a file that starts with the UTF-16 mark in UTF-16.
// An existing ANSI file is converted whole, so none of its entries is lost.
void MakeUnicodeFile(const std::wstring& fileName) {
  HANDLE opened = CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return;  // the write that follows reports the failure
  const UniqueKernelHandle file(opened);
  const std::vector<char> ansi = ReadWholeFile(file.get());
  if (ansi.size() >= 2 && ansi[0] == kUtf16Mark[0] && ansi[1] == kUtf16Mark[1]) return;
  // The mark, then the same text in UTF-16.
  std::wstring content(ansi.size() + 1, L'\xFEFF');
  content.resize(1 + MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                         &content[1], static_cast<int>(ansi.size())));
  DWORD written = 0;
  SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
  WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size() * sizeof(wchar_t)),
            &written, nullptr);
  SetEndOfFile(file.get());
}

}  // namespace

TIniFile::~TIniFile() { UpdateFile(); }

std::wstring TIniFile::ReadString(const std::wstring& Section, const std::wstring& Ident,
                                  const std::wstring& Default) {
  std::array<wchar_t, 2048> buffer{};
  const DWORD copied =
      GetPrivateProfileStringW(Section.c_str(), Ident.c_str(), Default.c_str(), buffer.data(),
                               static_cast<DWORD>(buffer.size()), FFileName.c_str());
  return std::wstring(buffer.data(), copied);
}

void TIniFile::WriteString(const std::wstring& Section, const std::wstring& Ident,
                           const std::wstring& Value) {
  // A folder such as C:\Users\Дмитрий\ would come back as C:\Users\???????\.
  if (!FitsAnsiCodePage(Section + Ident + Value)) {
    UpdateFile();  // the profile functions must not write back a stale cached copy
    MakeUnicodeFile(FFileName);
  }
  // An empty value is written as an empty entry; a null pointer would delete it.
  if (!WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), Value.c_str(), FFileName.c_str()))
    throw EIniFileException(FormatMessageText(L"Impossible d'écrire dans %s", FFileName));
}

void TIniFile::UpdateFile() noexcept {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, FFileName.c_str());
}

#include "settings_file.h"

#include <windows.h>

#include <array>
#include <string>

#include "unicode_ini.h"

namespace {

// Whether the ANSI code page can hold the text: the profile functions write a
// file without a byte-order mark in that code page, replacing the rest by '?'.
bool FitsAnsiCodePage(const std::wstring& Text) {
  if (Text.empty()) return true;
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Text.c_str(), static_cast<int>(Text.size()),
                      nullptr, 0, nullptr, &lossy);
  return !lossy;
}

}  // namespace

bool FitsOnOneIniLine(const std::wstring& Text) {
  return Text.find_first_of(L"\r\n") == std::wstring::npos;
}

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
  const auto writeError = [this] {
    return EIniFileException(FormatMessageText(L"Impossible d'écrire dans %s", FFileName));
  };
  // A folder such as C:\Users\Дмитрий\ would come back as C:\Users\???????\: such
  // text goes only into a Unicode file, and nothing is written when the file
  // cannot become one.
  if (!FitsAnsiCodePage(Section + Ident + Value)) {
    UpdateFile();  // the profile functions must not write back a stale cached copy
    if (!MakeUnicodeIniFile(FFileName)) throw writeError();
  }
  // An empty value is written as an empty entry; a null pointer would delete it.
  if (!WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), Value.c_str(), FFileName.c_str()))
    throw writeError();
}

void TIniFile::UpdateFile() noexcept {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, FFileName.c_str());
}

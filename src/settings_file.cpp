#include "settings_file.h"

#include <windows.h>

#include <array>

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
  // An empty value is written as an empty entry; a null pointer would delete it.
  if (!WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), Value.c_str(), FFileName.c_str()))
    throw EIniFileException(FormatMessageText(L"Impossible d'écrire dans %s", FFileName));
}

void TIniFile::UpdateFile() noexcept {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, FFileName.c_str());
}

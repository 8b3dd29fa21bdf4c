#include "settings_file.h"

#include <windows.h>

#include <cwctype>
#include <string>

#include "unicode_ini.h"

namespace {

// Whether the ANSI code page can hold the text: the profile functions write a
// file without a byte-order mark in that code page, replacing the rest by '?'.
// UTF-8 as that code page (Windows 10's "Use Unicode UTF-8") holds any text
// but a lone surrogate; it takes no flags that would report a loss.
bool FitsAnsiCodePage(const std::wstring& Text) {
  if (Text.empty()) return true;
  const int size = static_cast<int>(Text.size());
  if (GetACP() == CP_UTF8)
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, Text.c_str(), size, nullptr, 0,
                               nullptr, nullptr) != 0;
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Text.c_str(), size, nullptr, 0, nullptr,
                      &lossy);
  return !lossy;
}

// The profile functions give a value back without the blanks around it, and
// without one pair of quotes around it. A value they would change is stored
// inside double quotes, which come off on reading and leave it whole.
std::wstring AsStored(const std::wstring& Value) {
  const auto isLost = [](wchar_t End) {
    return End == L'"' || End == L'\'' || End == L'\x1A' || std::iswspace(End);
  };
  if (Value.empty() || (!isLost(Value.front()) && !isLost(Value.back()))) return Value;
  return L'"' + Value + L'"';
}

}  // namespace

bool FitsOnOneIniLine(const std::wstring& Text) {
  return Text.find_first_of(L"\r\n") == std::wstring::npos;
}

TIniFile::~TIniFile() { UpdateFile(); }

EIniFileException TIniFile::WriteError() const {
  return EIniFileException(FormatMessageText(L"Impossible d'écrire dans %s", FFileName));
}

std::wstring TIniFile::ReadString(const std::wstring& Section, const std::wstring& Ident,
                                  const std::wstring& Default) {
  // Whole once two characters of the buffer are left over: a longer value
  // comes back cut to the size less one, and Wine cuts a quoted one a
  // character shorter still.
  std::wstring buffer(2048, L'\0');
  for (;;) {
    const DWORD copied =
        GetPrivateProfileStringW(Section.c_str(), Ident.c_str(), Default.c_str(), buffer.data(),
                                 static_cast<DWORD>(buffer.size()), FFileName.c_str());
    if (copied + 2 < buffer.size()) {
      buffer.resize(copied);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void TIniFile::WriteString(const std::wstring& Section, const std::wstring& Ident,
                           const std::wstring& Value) {
  const std::wstring stored = AsStored(Value);
  // A folder such as C:\Users\Дмитрий\ would come back as C:\Users\???????\: such
  // text goes only into a Unicode file, and nothing is written when the file
  // cannot become one.
  if (!FitsAnsiCodePage(Section + Ident + stored)) {
    UpdateFile();  // the profile functions must not write back a stale cached copy
    if (!MakeUnicodeIniFile(FFileName)) throw WriteError();
  }
  // An empty value is written as an empty entry; a null pointer would delete it.
  if (!WritePrivateProfileStringW(Section.c_str(), Ident.c_str(), stored.c_str(),
                                  FFileName.c_str()))
    throw WriteError();
}

void TIniFile::UpdateFile() noexcept {
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, FFileName.c_str());
}

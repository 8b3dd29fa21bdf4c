#pragma once

#include <windows.h>

#include <string>

// Text between UTF-16 and the bytes of a code page (UTF-8 unless named),
// whole: NULs included, no terminator added.
[[nodiscard]] inline std::wstring Widen(const std::string& bytes, UINT codePage = CP_UTF8) {
  if (bytes.empty()) return {};
  const int count = static_cast<int>(bytes.size());
  std::wstring text(MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), count, text.data(), static_cast<int>(text.size()));
  return text;
}

[[nodiscard]] inline std::string Narrow(const std::wstring& text, UINT codePage = CP_UTF8) {
  if (text.empty()) return {};
  const int count = static_cast<int>(text.size());
  std::string bytes(
      WideCharToMultiByte(codePage, 0, text.data(), count, nullptr, 0, nullptr, nullptr), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), count, bytes.data(), static_cast<int>(bytes.size()),
                      nullptr, nullptr);
  return bytes;
}

// UTF-16 as a file holds it, little- or big-endian, without a byte-order mark.
[[nodiscard]] inline std::string Utf16Bytes(const std::wstring& text, bool bigEndian = false) {
  std::string bytes;
  for (const wchar_t c : text) {
    const char low = static_cast<char>(c & 0xFF);
    const char high = static_cast<char>(c >> 8);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

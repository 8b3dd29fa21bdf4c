#pragma once

#include <string>

#include "base/exception.h"

class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

// Whether a value can be written as it is: a line break would spill into new
// lines, sections or keys of the file.
[[nodiscard]] bool FitsOnOneIniLine(const std::wstring& Text);

// Reads and writes sections and keys of an INI file.
class TCustomIniFile {
 public:
  virtual ~TCustomIniFile() = default;
  [[nodiscard]] virtual std::wstring ReadString(const std::wstring& Section,
                                                const std::wstring& Ident,
                                                const std::wstring& Default) = 0;
  virtual void WriteString(const std::wstring& Section, const std::wstring& Ident,
                           const std::wstring& Value) = 0;
};

// An INI file reached only through the Windows profile-string functions; it
// keeps no copy of the content, so every read sees the file as it is now.
// A value is read whole, whatever its length, and is written so that it reads
// back unchanged (a line break aside, which the caller keeps out).
class TIniFile final : public TCustomIniFile {
 public:
  explicit TIniFile(std::wstring FileName) : FFileName(std::move(FileName)) {}
  ~TIniFile() override;
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  [[nodiscard]] const std::wstring& FileName() const noexcept { return FFileName; }
  // "Impossible d'écrire dans" the file: what every failed write raises.
  [[nodiscard]] EIniFileException WriteError() const;

  [[nodiscard]] std::wstring ReadString(const std::wstring& Section, const std::wstring& Ident,
                                        const std::wstring& Default) override;
  void WriteString(const std::wstring& Section, const std::wstring& Ident,
                   const std::wstring& Value) override;
  // Asks Windows to write out its cached copy of the file; best effort.
  void UpdateFile() noexcept;

 private:
  std::wstring FFileName;
};

#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh, empty folder under the Wine user's temp folder, removed afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  [[nodiscard]] const std::wstring& Path() const { return FPath; }
  [[nodiscard]] std::wstring File(const std::wstring& name) const { return FPath + L"\\" + name; }
  // The names of the files in it, sorted.
  [[nodiscard]] std::vector<std::wstring> FileNames() const;

 private:
  std::wstring FPath;
};

// Whole-file helpers, bytes as they are on disk.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
[[nodiscard]] std::string ReadFileBytes(const std::wstring& path);
[[nodiscard]] bool FileExists(const std::wstring& path);

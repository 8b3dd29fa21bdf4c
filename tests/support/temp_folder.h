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
  // Makes NAME a Unix symbolic link to TARGET, a name in the same folder. Wine
  // makes none itself and shows one as the file it leads to: removing it by
  // name would remove that file, so the folder removes its links with ln's
  // sibling, rm, first.
  [[nodiscard]] bool MakeSymbolicLink(const std::wstring& name, const std::wstring& target);
  // Makes NAME a FIFO, removed the same way.
  [[nodiscard]] bool MakeFifo(const std::wstring& name);

 private:
  std::wstring FPath;
  std::vector<std::wstring> FLinks;
};

// Makes PATH a FIFO with mkfifo, and removes whatever is at PATH with rm: Wine
// can do neither. It sees a FIFO only by listing its folder.
[[nodiscard]] bool MakeFifo(const std::wstring& path);
void RemoveWithRm(const std::wstring& path);
[[nodiscard]] bool IsListed(const std::wstring& path);

// Whole-file helpers, bytes as they are on disk.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
[[nodiscard]] std::string ReadFileBytes(const std::wstring& path);
[[nodiscard]] bool FileExists(const std::wstring& path);

#include "support/temp_folder.h"

#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "base/unique_handle.h"
#include "support/child_process.h"

TempFolder::TempFolder() {
  wchar_t base[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, base);
  static unsigned counter = 0;
  FPath = std::wstring(base) + L"trelvane-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter);
  CreateDirectoryW(FPath.c_str(), nullptr);
}

TempFolder::~TempFolder() {
  for (const std::wstring& link : FLinks)
    RemoveWithRm(File(link));
  std::wstring from = FPath + L'\0';  // double-NUL terminated list
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

std::vector<std::wstring> TempFolder::FileNames() const {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const UniqueFindHandle search(FindFirstFileW(File(L"*").c_str(), &found));
  if (!search) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileW(search.get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// Wine starts a Unix program as it starts a Windows one, in the folder given,
// but gives no handle to wait for its end or read its exit code: its effect is
// awaited.
bool RunUnixTool(const std::wstring& command, const std::wstring& folder,
                 const std::function<bool()>& done) {
  const std::size_t space = command.find(L' ');
  const ChildProcess tool(L"Z:" + command.substr(0, space), command.substr(space + 1),
                          {false, folder.c_str(), {}});
  if (!tool.Started()) return false;
  for (int wait = 0; wait < 300 && !done(); ++wait)
    Sleep(100);
  return done();
}

// Runs TOOL with the name in the folder of PATH.
bool RunOnName(const std::wstring& tool, const std::wstring& path,
               const std::function<bool()>& done) {
  const std::size_t slash = path.rfind(L'\\');
  return RunUnixTool(tool + L" \"" + path.substr(slash + 1) + L"\"", path.substr(0, slash), done);
}

}  // namespace

bool TempFolder::MakeSymbolicLink(const std::wstring& name, const std::wstring& target) {
  FLinks.push_back(name);
  return RunUnixTool(L"/bin/ln -s \"" + target + L"\" \"" + name + L"\"", FPath,
                     [&] { return FileExists(File(name)); });
}

bool TempFolder::MakeFifo(const std::wstring& name) {
  FLinks.push_back(name);
  return ::MakeFifo(File(name));
}

bool MakeFifo(const std::wstring& path) {
  return RunOnName(L"/usr/bin/mkfifo", path, [&] { return IsListed(path); });
}

void RemoveWithRm(const std::wstring& path) {
  RunOnName(L"/bin/rm -f", path, [&] { return !IsListed(path); });
}

bool IsListed(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  return static_cast<bool>(UniqueFindHandle(FindFirstFileW(path.c_str(), &found)));
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file)
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileBytes(const std::wstring& path) {
  const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes(GetFileSize(file.get(), nullptr), '\0');
  DWORD read = 0;
  ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

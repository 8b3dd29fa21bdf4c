#include "support/temp_folder.h"

#include "support/child_process.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

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
    RunUnixTool(L"/bin/rm -f \"" + link + L"\"", [&] { return !FileExists(File(link)); });
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
  const HANDLE search = FindFirstFileW(File(L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool TempFolder::MakeSymbolicLink(const std::wstring& name, const std::wstring& target) {
  FLinks.push_back(name);
  return RunUnixTool(L"/bin/ln -s \"" + target + L"\" \"" + name + L"\"",
                     [&] { return FileExists(File(name)); });
}

// Wine starts a Unix program as it starts a Windows one, in the folder given,
// but neither waits for its end nor reports its exit code: its effect is awaited.
bool TempFolder::RunUnixTool(const std::wstring& command, const std::function<bool()>& done) const {
  const std::wstring program = L"Z:" + command.substr(0, command.find(L' '));
  std::wstring line = command;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ProcessHandles process;
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      FPath.c_str(), &startup, &process.Info))
    return false;
  for (int wait = 0; wait < 300 && !done(); ++wait)
    Sleep(100);
  return done();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

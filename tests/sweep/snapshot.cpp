#include "sweep/snapshot.h"

#include <cstdint>
#include <cstdio>

namespace sweep {
namespace {

std::string Describe(DWORD type, const BYTE* data, std::size_t size) {
  std::uint64_t hash = 0xCBF29CE484222325;  // FNV-1a
  for (std::size_t i = 0; i < size; ++i)
    hash = (hash ^ data[i]) * 0x100000001B3;
  char text[64];
  std::snprintf(text, sizeof text, "type %lu, %zu bytes, %016llX", static_cast<unsigned long>(type),
                size, static_cast<unsigned long long>(hash));
  return text;
}

void SnapshotKey(HKEY key, const std::wstring& path, Snapshot& out) {
  out[L"key " + path] = "";
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                       &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
    out[L"key " + path] = "unreadable";
    return;
  }
  std::vector<wchar_t> name(maxName + 2);
  std::vector<BYTE> data(maxData + 2);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS)
      continue;
    out[L"value " + path + L"\\" + std::wstring(name.data(), nameLength)] =
        Describe(type, data.data(), size);
  }
  std::vector<wchar_t> child(maxSubKey + 2);
  for (DWORD i = 0; i < subKeys; ++i) {
    DWORD length = static_cast<DWORD>(child.size());
    if (RegEnumKeyExW(key, i, child.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      continue;
    const std::wstring childName(child.data(), length);
    HKEY opened = nullptr;
    if (RegOpenKeyExW(key, childName.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      out[L"key " + path + L"\\" + childName] = "unopenable";
      continue;
    }
    SnapshotKey(opened, path + L"\\" + childName, out);
    RegCloseKey(opened);
  }
}

std::string FileDescription(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "unreadable";
  std::vector<BYTE> bytes(GetFileSize(file, nullptr));
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return Describe(0, bytes.data(), read);
}

void SnapshotTree(const std::wstring& folder, const std::wstring& relative, Snapshot& out) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring full = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[relative + name + L"\\"] = "folder";
      SnapshotTree(full, relative + name + L"\\", out);
    } else {
      out[relative + name] = FileDescription(full);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool IsAllowed(const std::wstring& entry, const std::vector<std::wstring>& allowed) {
  for (const std::wstring& name : allowed)
    if (CompareStringOrdinal(entry.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
  return false;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

Snapshot SnapshotRegistry(HKEY root) {
  Snapshot out;
  SnapshotKey(root, L"", out);
  return out;
}

Snapshot SnapshotFolder(const std::wstring& folder) {
  Snapshot out;
  SnapshotTree(folder, L"", out);
  return out;
}

std::vector<std::wstring> Differences(const Snapshot& before, const Snapshot& after,
                                      const std::vector<std::wstring>& allowed) {
  std::vector<std::wstring> changes;
  for (const auto& [entry, content] : before) {
    const auto now = after.find(entry);
    if (IsAllowed(entry, allowed)) continue;
    if (now == after.end())
      changes.push_back(L"removed: " + entry);
    else if (now->second != content)
      changes.push_back(L"changed: " + entry + L" (" + Widen(content) + L" -> " +
                        Widen(now->second) + L")");
  }
  for (const auto& [entry, content] : after)
    if (!before.count(entry) && !IsAllowed(entry, allowed)) changes.push_back(L"added: " + entry);
  return changes;
}

}  // namespace sweep

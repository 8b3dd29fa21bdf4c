#include "support/snapshot.h"

#include <cstdint>
#include <cstdio>

#include "base/unique_handle.h"

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
  out[path + L"\\"] = "";
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                       &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
    out[path + L"\\"] = "unreadable";
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
    out[path + L"|" + std::wstring(name.data(), nameLength)] = Describe(type, data.data(), size);
  }
  std::vector<wchar_t> child(maxSubKey + 2);
  for (DWORD i = 0; i < subKeys; ++i) {
    DWORD length = static_cast<DWORD>(child.size());
    if (RegEnumKeyExW(key, i, child.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      continue;
    const std::wstring childPath = path + L"\\" + std::wstring(child.data(), length);
    UniqueRawHKey opened;
    if (RegOpenKeyExW(key, child.data(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) {
      out[childPath + L"\\"] = "unopenable";
      continue;
    }
    SnapshotKey(opened.get(), childPath, out);
  }
}

std::string FileDescription(const std::wstring& path) {
  const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "unreadable";
  std::vector<BYTE> bytes(GetFileSize(file.get(), nullptr));
  DWORD read = 0;
  ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  return Describe(0, bytes.data(), read);
}

void SnapshotTree(const std::wstring& folder, const std::wstring& relative, Snapshot& out) {
  WIN32_FIND_DATAW found;
  const UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!search) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out[relative + name + L"\\"] = "folder";
      SnapshotTree(folder + L"\\" + name, relative + name + L"\\", out);
    } else {
      out[relative + name] = FileDescription(folder + L"\\" + name);
    }
  } while (FindNextFileW(search.get(), &found));
}

bool IsAllowed(const std::wstring& entry, const std::vector<std::wstring>& allowed) {
  for (const std::wstring& name : allowed)
    if (CompareStringOrdinal(entry.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
  return false;
}

}  // namespace

Snapshot SnapshotRegistry(HKEY root, const std::wstring& rootName) {
  Snapshot out;
  SnapshotKey(root, rootName, out);
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
    if (IsAllowed(entry, allowed)) continue;
    const auto now = after.find(entry);
    if (now == after.end())
      changes.push_back(L"- " + entry);
    else if (now->second != content)
      changes.push_back(L"~ " + entry);
  }
  for (const auto& [entry, content] : after)
    if (!before.count(entry) && !IsAllowed(entry, allowed)) changes.push_back(L"+ " + entry);
  return changes;
}

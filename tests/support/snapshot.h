#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

// Everything below a registry key or in a folder, as entry -> what it holds
// (type, size and a hash of the content), so that two snapshots compare entry
// by entry and prove that nothing else was written. Keys are "ROOT\path\",
// values "ROOT\path|name", files and folders their path below the folder.
using Snapshot = std::map<std::wstring, std::string>;

[[nodiscard]] Snapshot SnapshotRegistry(HKEY root, const std::wstring& rootName);
[[nodiscard]] Snapshot SnapshotFolder(const std::wstring& folder);

// One line per entry added ("+ entry"), removed ("- ") or changed ("~ "), apart
// from those named in `allowed` (compared without regard to case).
[[nodiscard]] std::vector<std::wstring> Differences(const Snapshot& before, const Snapshot& after,
                                                    const std::vector<std::wstring>& allowed = {});

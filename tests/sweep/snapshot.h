#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace sweep {

// Everything below a registry key or in a folder, as "path" -> "what it
// holds" (type, size and a hash of the content), so two snapshots compare
// entry by entry.
using Snapshot = std::map<std::wstring, std::string>;

[[nodiscard]] Snapshot SnapshotRegistry(HKEY root);
[[nodiscard]] Snapshot SnapshotFolder(const std::wstring& folder);

// Entries added, removed or changed, apart from those named in `allowed`
// (compared without regard to case).
[[nodiscard]] std::vector<std::wstring> Differences(const Snapshot& before, const Snapshot& after,
                                                    const std::vector<std::wstring>& allowed);

}  // namespace sweep

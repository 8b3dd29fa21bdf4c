#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "registry_access.h"

// Records every registry call TRegistry makes, forwarding it to the real
// registry, and can inject the faults Wine cannot produce. Handles are named
// "HKCU", "0" or "key1", "key2"... in the order the calls returned them.
class RecordingRegistry {
 public:
  RecordingRegistry();
  ~RecordingRegistry();
  RecordingRegistry(const RecordingRegistry&) = delete;
  RecordingRegistry& operator=(const RecordingRegistry&) = delete;

  [[nodiscard]] const std::vector<std::wstring>& Calls() const { return FCalls; }
  void Clear() { FCalls.clear(); }

  // The second (data) query reports that the value has grown meanwhile.
  bool GrowBetweenQueries = false;
  // RegSetValueExW fails with this code when non-zero.
  LONG SetValueResult = ERROR_SUCCESS;
  // RegOpenKeyExW and RegCreateKeyExW fail with this code for full access when non-zero.
  LONG FullAccessResult = ERROR_SUCCESS;

 private:
  friend struct RecordingThunks;
  std::wstring NameOf(HKEY key);
  void Record(std::wstring call) { FCalls.push_back(std::move(call)); }

  std::vector<std::wstring> FCalls;
  std::vector<HKEY> FHandles;
  ScopedRegistryFunctions FScope;
};

// The calls of a first evaluation of an existing "Path" under SUBKEY: the
// probe, the open for all access, then the value's size twice and its data.
[[nodiscard]] inline std::vector<std::wstring> FirstEvaluationCalls(const std::wstring& subKey) {
  return {L"RegOpenKeyExW(HKCU, \"" + subKey + L"\", 0x20009) = 0",
          L"RegCloseKey(key1)",
          L"RegOpenKeyExW(HKCU, \"" + subKey + L"\", 0xF003F) = 0",
          L"RegQueryValueExW(key2, \"Path\", size) = 0",
          L"RegQueryValueExW(key2, \"Path\", size) = 0",
          L"RegQueryValueExW(key2, \"Path\", data) = 0"};
}

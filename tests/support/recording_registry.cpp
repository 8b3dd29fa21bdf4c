#include "support/recording_registry.h"

#include <algorithm>
#include <cstdio>

namespace {
RecordingRegistry* gRecorder = nullptr;

std::wstring Hex(REGSAM mask) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%lX", static_cast<unsigned long>(mask));
  return text;
}
}  // namespace

struct RecordingThunks {
  // Opening and creating share the recording, the handle naming and the injected refusal.
  template <typename Open>
  static LONG RecordOpening(const wchar_t* function, HKEY base, LPCWSTR sub, REGSAM access,
                            PHKEY result, Open open) {
    RecordingRegistry& r = *gRecorder;
    const std::wstring call = std::wstring(function) + L"(" + r.NameOf(base) + L", \"" + sub +
                              L"\", " + Hex(access) + L")";
    const bool refused = r.FullAccessResult != ERROR_SUCCESS && access == KEY_ALL_ACCESS;
    const LONG code = refused ? r.FullAccessResult : open();
    r.Record(call + L" = " + std::to_wstring(code));
    if (code == ERROR_SUCCESS) r.FHandles.push_back(*result);
    return code;
  }

  static LONG WINAPI OpenKeyEx(HKEY base, LPCWSTR sub, DWORD options, REGSAM access, PHKEY result) {
    return RecordOpening(L"RegOpenKeyExW", base, sub, access, result,
                         [&] { return RegOpenKeyExW(base, sub, options, access, result); });
  }

  static LONG WINAPI CreateKeyEx(HKEY base, LPCWSTR sub, DWORD reserved, LPWSTR cls, DWORD options,
                                 REGSAM access, LPSECURITY_ATTRIBUTES sa, PHKEY result,
                                 LPDWORD disposition) {
    return RecordOpening(L"RegCreateKeyExW", base, sub, access, result, [&] {
      return RegCreateKeyExW(base, sub, reserved, cls, options, access, sa, result, disposition);
    });
  }

  static LONG WINAPI QueryValueEx(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type,
                                  LPBYTE data, LPDWORD size) {
    RecordingRegistry& r = *gRecorder;
    std::wstring call = L"RegQueryValueExW(" + r.NameOf(key) + L", \"" + name + L"\", " +
                        (data ? L"data" : L"size") + L")";
    LONG code = RegQueryValueExW(key, name, reserved, type, data, size);
    if (data && r.GrowBetweenQueries) code = ERROR_MORE_DATA;
    r.Record(call + L" = " + std::to_wstring(code));
    return code;
  }

  static LONG WINAPI SetValueEx(HKEY key, LPCWSTR name, DWORD reserved, DWORD type,
                                const BYTE* data, DWORD bytes) {
    RecordingRegistry& r = *gRecorder;
    const std::wstring call = L"RegSetValueExW(" + r.NameOf(key) + L", \"" + name + L"\", " +
                              std::to_wstring(type) + L", " + std::to_wstring(bytes) + L")";
    const LONG code = r.SetValueResult != ERROR_SUCCESS
                          ? r.SetValueResult
                          : RegSetValueExW(key, name, reserved, type, data, bytes);
    r.Record(call + L" = " + std::to_wstring(code));
    return code;
  }

  static LONG WINAPI CloseKey(HKEY key) {
    RecordingRegistry& r = *gRecorder;
    r.Record(L"RegCloseKey(" + r.NameOf(key) + L")");
    return RegCloseKey(key);
  }

  static LONG WINAPI FlushKey(HKEY key) {
    RecordingRegistry& r = *gRecorder;
    r.Record(L"RegFlushKey(" + r.NameOf(key) + L")");
    return RegFlushKey(key);
  }
};

namespace {
const RegistryFunctions kRecordingFunctions = {
    RecordingThunks::OpenKeyEx,  RecordingThunks::CreateKeyEx, RecordingThunks::QueryValueEx,
    RecordingThunks::SetValueEx, RecordingThunks::CloseKey,    RecordingThunks::FlushKey,
};
}  // namespace

RecordingRegistry::RecordingRegistry() : FScope(kRecordingFunctions) { gRecorder = this; }

RecordingRegistry::~RecordingRegistry() { gRecorder = nullptr; }

std::wstring RecordingRegistry::NameOf(HKEY key) {
  if (key == HKEY_CURRENT_USER) return L"HKCU";
  if (key == nullptr) return L"0";
  // The newest handle with this value: Windows reuses closed handle values.
  const auto found = std::find(FHandles.rbegin(), FHandles.rend(), key);
  if (found == FHandles.rend()) return L"?";
  return L"key" + std::to_wstring(FHandles.rend() - found);
}

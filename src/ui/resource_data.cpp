#include "ui/resource_data.h"

#include <windows.h>

#include "base/exception.h"

namespace ui {

std::string_view ResourceData(const std::wstring& Name) {
  const HRSRC found = FindResourceW(nullptr, Name.c_str(), RT_RCDATA);
  const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) throw Exception(FormatMessageText(L"Ressource introuvable : %s", Name));
  return {static_cast<const char*>(bytes), SizeofResource(nullptr, found)};
}

}  // namespace ui

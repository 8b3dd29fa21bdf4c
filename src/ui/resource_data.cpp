#include "ui/resource_data.h"

#include <windows.h>

#include "base/exception.h"

namespace ui {

std::string_view ResourceData(const std::wstring& name) {
  const HRSRC found = FindResourceW(nullptr, name.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
  const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) throw Exception(FormatMessageText(L"Ressource introuvable : %s", name));
  return {static_cast<const char*>(bytes), SizeofResource(nullptr, found)};
}

}  // namespace ui

#pragma once

#include <string>
#include <string_view>

namespace ui {

// The bytes of an RCDATA resource of the executable; they live as long as the
// process. Throws Exception when the resource is missing.
[[nodiscard]] std::string_view ResourceData(const std::wstring& Name);

}  // namespace ui

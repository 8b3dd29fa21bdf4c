#pragma once

#include <windows.h>

#include <cstddef>

#include "base/unique_handle.h"

namespace ui {

struct TPictureSize {
  int Width = 0;
  int Height = 0;
};

// Reads only the JPEG header. Throws Exception when it cannot be read.
[[nodiscard]] TPictureSize ReadJpegSize(const void* data, std::size_t size);

// Decodes the whole picture at full scale into a top-down 24-bit DIB section;
// an empty handle when the data cannot be decoded.
[[nodiscard]] UniqueHBitmap DecodeJpeg(const void* data, std::size_t size) noexcept;

}  // namespace ui

#pragma once

#include <cstddef>

#include "ui/picture_codec.h"

namespace ui {

// Reads only the JPEG header. Throws Exception when it cannot be read.
[[nodiscard]] TPictureSize ReadJpegSize(const void* Data, std::size_t Size);

// Decodes the whole picture at full scale into a top-down 24-bit DIB section;
// an empty handle when the data cannot be decoded.
[[nodiscard]] UniqueHBitmap DecodeJpeg(const void* Data, std::size_t Size) noexcept;

}  // namespace ui

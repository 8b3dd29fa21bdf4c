#pragma once

#include <windows.h>

#include <cstddef>

#include "base/unique_handle.h"

namespace ui {

struct TPictureSize {
  int Width = 0;
  int Height = 0;
};

// How one picture format is read: the header alone, or the whole picture.
// ReadSize throws Exception when the header cannot be read; Decode gives a
// top-down 24-bit DIB section at full scale, or an empty handle.
struct TPictureCodec {
  TPictureSize (*ReadSize)(const void* Data, std::size_t Size);
  UniqueHBitmap (*Decode)(const void* Data, std::size_t Size) noexcept;
};

}  // namespace ui

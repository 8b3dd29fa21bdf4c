#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "base/unique_handle.h"
#include "ui/jpeg_image.h"

namespace ui {

// How one picture format is read: the header alone, or the whole picture.
struct TPictureCodec {
  TPictureSize (*ReadSize)(const void* data, std::size_t size);
  UniqueHBitmap (*Decode)(const void* data, std::size_t size) noexcept;
};

// The program's own table of picture formats, by file extension. Kept in
// memory only: nothing is written to the Windows registry.
void RegisterFileFormat(const std::wstring& Extension, const std::wstring& Description,
                        const TPictureCodec& Codec);
struct TFileFormat {
  std::wstring Extension;
  std::wstring Description;
  TPictureCodec Codec;
};
// Nullptr for an extension nobody registered (compared without case).
[[nodiscard]] const TFileFormat* FindFileFormat(const std::wstring& Extension) noexcept;
void RegisterStandardFileFormats();

// Where a w x h picture is drawn in a cw x ch box: at its own size when it
// fits, else shrunk keeping its aspect; always from the top-left corner.
[[nodiscard]] RECT PicturePlacement(int w, int h, int cw, int ch) noexcept;

// Compressed bytes held from the layout; decoded on the first draw and kept.
class TPicture {
 public:
  // Reads the header only. Throws Exception for an unknown format or bad header.
  void Load(std::string_view Data, const std::wstring& Extension);

  [[nodiscard]] bool Empty() const noexcept { return FData.empty(); }
  [[nodiscard]] TPictureSize Size() const noexcept { return FSize; }
  void Draw(HDC dc, int cw, int ch);

 private:
  [[nodiscard]] HBITMAP Bitmap();

  std::string_view FData;
  TPictureCodec FCodec{};
  TPictureSize FSize;
  UniqueHBitmap FBitmap;
  bool FDecodeTried = false;
};

}  // namespace ui

#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "base/unique_handle.h"
#include "ui/picture_codec.h"

namespace ui {

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

// Where a picture is drawn in a box: at its own size when it fits, else
// shrunk keeping its aspect; always from the top-left corner.
[[nodiscard]] RECT PicturePlacement(int PictureWidth, int PictureHeight, int BoxWidth,
                                    int BoxHeight) noexcept;

// Compressed bytes held from the layout; decoded on the first draw and kept.
class TPicture {
 public:
  // Reads the header only. Throws Exception for an unknown format or bad header.
  void Load(std::string_view Data, const std::wstring& Extension);

  [[nodiscard]] bool Empty() const noexcept { return FData.empty(); }
  [[nodiscard]] TPictureSize Size() const noexcept { return FSize; }
  void Draw(HDC Dc, int BoxWidth, int BoxHeight);

 private:
  [[nodiscard]] HBITMAP Bitmap();

  std::string_view FData;
  TPictureCodec FCodec{};
  TPictureSize FSize;
  UniqueHBitmap FBitmap;
  bool FDecodeTried = false;
};

}  // namespace ui

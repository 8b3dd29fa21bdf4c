#include "ui/picture.h"

#include <vector>

#include "base/exception.h"
#include "ui/jpeg_image.h"

namespace ui {

namespace {

std::vector<TFileFormat>& FileFormats() {
  static std::vector<TFileFormat> formats;
  return formats;
}

bool SameText(const std::wstring& First, const std::wstring& Second) noexcept {
  return CompareStringOrdinal(First.c_str(), static_cast<int>(First.size()), Second.c_str(),
                              static_cast<int>(Second.size()), TRUE) == CSTR_EQUAL;
}

bool IsPaletteDisplay(HDC Dc) noexcept {
  return GetDeviceCaps(Dc, BITSPIXEL) * GetDeviceCaps(Dc, PLANES) <= 8;
}

}  // namespace

void RegisterFileFormat(const std::wstring& Extension, const std::wstring& Description,
                        const TPictureCodec& Codec) {
  FileFormats().push_back({Extension, Description, Codec});
}

const TFileFormat* FindFileFormat(const std::wstring& Extension) noexcept {
  for (const auto& format : FileFormats())
    if (SameText(format.Extension, Extension)) return &format;
  return nullptr;
}

void RegisterStandardFileFormats() {
  if (FindFileFormat(L"jpeg")) return;
  const TPictureCodec jpeg{ReadJpegSize, DecodeJpeg};
  RegisterFileFormat(L"jpeg", L"Fichier image JPEG", jpeg);
  RegisterFileFormat(L"jpg", L"Fichier image JPEG", jpeg);
}

RECT PicturePlacement(int PictureWidth, int PictureHeight, int BoxWidth, int BoxHeight) noexcept {
  if (PictureWidth <= 0 || PictureHeight <= 0) return {0, 0, 0, 0};
  if (PictureWidth <= BoxWidth && PictureHeight <= BoxHeight)
    return {0, 0, PictureWidth, PictureHeight};
  const double aspect = static_cast<double>(PictureWidth) / PictureHeight;
  int width = 0;
  int height = 0;
  if (PictureWidth > PictureHeight) {
    width = BoxWidth;
    height = static_cast<int>(BoxWidth / aspect);
    if (height > BoxHeight) {
      height = BoxHeight;
      width = static_cast<int>(BoxHeight * aspect);
    }
  } else {
    height = BoxHeight;
    width = static_cast<int>(BoxHeight * aspect);
    if (width > BoxWidth) {
      width = BoxWidth;
      height = static_cast<int>(BoxWidth / aspect);
    }
  }
  return {0, 0, width, height};
}

void TPicture::Load(std::string_view Data, const std::wstring& Extension) {
  const TFileFormat* format = FindFileFormat(Extension);
  if (!format) throw Exception(FormatMessageText(L"Format d'image inconnu : %s", Extension));
  FSize = format->Codec.ReadSize(Data.data(), Data.size());
  FData = Data;
  FCodec = format->Codec;
  FBitmap.reset();
  FDecodeTried = false;
}

HBITMAP TPicture::Bitmap() {
  if (!FDecodeTried) {
    FDecodeTried = true;
    FBitmap = FCodec.Decode(FData.data(), FData.size());
  }
  return FBitmap.get();
}

void TPicture::Draw(HDC Dc, int BoxWidth, int BoxHeight) {
  if (Empty()) return;
  const HBITMAP bitmap = Bitmap();
  if (!bitmap) return;
  const RECT target = PicturePlacement(FSize.Width, FSize.Height, BoxWidth, BoxHeight);
  const UniqueMemoryDc source(CreateCompatibleDC(Dc));
  const SelectedObject selected(source.get(), bitmap);
  const bool halftone = IsPaletteDisplay(Dc);
  const int oldMode = SetStretchBltMode(Dc, halftone ? HALFTONE : COLORONCOLOR);
  if (halftone) SetBrushOrgEx(Dc, 0, 0, nullptr);
  StretchBlt(Dc, target.left, target.top, target.right, target.bottom, source.get(), 0, 0,
             FSize.Width, FSize.Height, SRCCOPY);
  SetStretchBltMode(Dc, oldMode);
}

}  // namespace ui

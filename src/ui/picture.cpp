#include "ui/picture.h"

#include <vector>

#include "base/exception.h"

namespace ui {

namespace {

std::vector<TFileFormat>& FileFormats() {
  static std::vector<TFileFormat> formats;
  return formats;
}

bool SameText(const std::wstring& a, const std::wstring& b) noexcept {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsPaletteDisplay(HDC dc) noexcept {
  return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) <= 8;
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

RECT PicturePlacement(int w, int h, int cw, int ch) noexcept {
  if (w <= 0 || h <= 0) return {0, 0, 0, 0};
  if (w <= cw && h <= ch) return {0, 0, w, h};
  const double aspect = static_cast<double>(w) / h;
  int width = 0;
  int height = 0;
  if (w > h) {
    width = cw;
    height = static_cast<int>(cw / aspect);
    if (height > ch) {
      height = ch;
      width = static_cast<int>(ch * aspect);
    }
  } else {
    height = ch;
    width = static_cast<int>(ch * aspect);
    if (width > cw) {
      width = cw;
      height = static_cast<int>(cw / aspect);
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

void TPicture::Draw(HDC dc, int cw, int ch) {
  if (Empty()) return;
  const HBITMAP bitmap = Bitmap();
  if (!bitmap) return;
  const RECT target = PicturePlacement(FSize.Width, FSize.Height, cw, ch);
  const UniqueMemoryDc source(CreateCompatibleDC(dc));
  const SelectedObject selected(source.get(), bitmap);
  const bool halftone = IsPaletteDisplay(dc);
  const int oldMode = SetStretchBltMode(dc, halftone ? HALFTONE : COLORONCOLOR);
  if (halftone) SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, target.left, target.top, target.right, target.bottom, source.get(), 0, 0,
             FSize.Width, FSize.Height, SRCCOPY);
  SetStretchBltMode(dc, oldMode);
}

}  // namespace ui

#include "ui/jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <utility>

#include <jpeglib.h>

#include "base/exception.h"

namespace ui {

namespace {

// libjpeg's default error handler ends the process; ours jumps back instead.
struct JpegErrors {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

[[noreturn]] void JumpBack(j_common_ptr Info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(Info->err)->Jump, 1);
}
void IgnoreMessage(j_common_ptr /*info*/) {}

// One decompressor set up on a memory source, destroyed whatever happens.
class JpegSource {
 public:
  JpegSource(const void* Data, std::size_t Size) noexcept {
    FInfo.err = jpeg_std_error(&FErrors.Manager);
    FErrors.Manager.error_exit = JumpBack;
    FErrors.Manager.output_message = IgnoreMessage;
    jpeg_create_decompress(&FInfo);
    jpeg_mem_src(&FInfo, static_cast<const unsigned char*>(Data), static_cast<unsigned long>(Size));
  }
  ~JpegSource() { jpeg_destroy_decompress(&FInfo); }
  JpegSource(const JpegSource&) = delete;
  JpegSource& operator=(const JpegSource&) = delete;

  jpeg_decompress_struct FInfo{};
  JpegErrors FErrors{};
};

// The frames libjpeg jumps out of hold no C++ object, and none of this
// function's locals is changed after setjmp, so the jump is well defined.
bool ReadHeader(JpegSource* Source) noexcept {
  if (setjmp(Source->FErrors.Jump)) return false;
  return jpeg_read_header(&Source->FInfo, TRUE) == JPEG_HEADER_OK;
}

HBITMAP CreateTopDownDib(int Width, int Height, void** Bits) noexcept {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = -Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, Bits, nullptr, 0);
}

// Writes the rows straight into the DIB, which stores blue, green, red: what
// libjpeg-turbo's extended colour space gives, or plain RGB swapped in place.
bool DecodeRows(JpegSource* Source, HBITMAP* Bitmap) noexcept {
  if (setjmp(Source->FErrors.Jump)) return false;
  jpeg_decompress_struct* info = &Source->FInfo;
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) return false;
#ifdef JCS_EXTENSIONS
  info->out_color_space = JCS_EXT_BGR;
#else
  info->out_color_space = JCS_RGB;
#endif
  jpeg_start_decompress(info);
  void* bits = nullptr;
  *Bitmap = CreateTopDownDib(static_cast<int>(info->output_width),
                             static_cast<int>(info->output_height), &bits);
  if (!*Bitmap) return false;
  const std::size_t stride = (info->output_width * 3 + 3) & ~std::size_t{3};
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = static_cast<JSAMPLE*>(bits) + info->output_scanline * stride;
    jpeg_read_scanlines(info, &row, 1);
#ifndef JCS_EXTENSIONS
    for (JDIMENSION x = 0; x < info->output_width; ++x)
      std::swap(row[3 * x], row[3 * x + 2]);
#endif
  }
  jpeg_finish_decompress(info);
  return true;
}

}  // namespace

TPictureSize ReadJpegSize(const void* Data, std::size_t Size) {
  JpegSource source(Data, Size);
  if (!ReadHeader(&source)) throw Exception(L"En-tête d'image JPEG illisible");
  return {static_cast<int>(source.FInfo.image_width), static_cast<int>(source.FInfo.image_height)};
}

UniqueHBitmap DecodeJpeg(const void* Data, std::size_t Size) noexcept {
  JpegSource source(Data, Size);
  HBITMAP bitmap = nullptr;
  const bool decoded = DecodeRows(&source, &bitmap);
  UniqueHBitmap owner(bitmap);
  if (!decoded) owner.reset();
  return owner;
}

}  // namespace ui

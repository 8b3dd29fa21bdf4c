// Times the logo's first draw with the main window's own picture code: the
// JPEG decoded at full scale into a 24-bit bitmap, then reduced to 113 x 113
// into a memory DC. Median of many runs; run once with JSIMD_FORCENONE=1 to
// time libjpeg without its SIMD code. One JSON line on stdout.
//
//   trelvane_bench_logo LOGO_JPG [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/unique_handle.h"
#include "clock.h"
#include "ui/jpeg_image.h"
#include "ui/picture.h"

namespace {

// Image1's box at 96 DPI; the logo is drawn 113 x 113 in it.
constexpr int kBoxWidth = 114;
constexpr int kBoxHeight = 113;
constexpr int kDrawnSize = 113;

struct Timings {
  std::vector<double> decode, draw, total;
};

[[nodiscard]] double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A fresh picture per run, loaded as the layout loads it (header only): its
// first Draw decodes and stretches, its second only stretches.
[[nodiscard]] Timings Measure(const std::string& jpeg, int runs, HDC target) {
  const Clock clock;
  Timings timings;
  for (int run = 0; run < runs; ++run) {
    ui::TPicture picture;
    picture.Load(jpeg, L"jpg");
    const LONGLONG start = clock.Now();
    picture.Draw(target, kBoxWidth, kBoxHeight);
    GdiFlush();
    const LONGLONG firstDrawn = clock.Now();
    picture.Draw(target, kBoxWidth, kBoxHeight);
    GdiFlush();
    const LONGLONG drawnAgain = clock.Now();
    const UniqueHBitmap decoded = ui::DecodeJpeg(jpeg.data(), jpeg.size());
    const LONGLONG decodedAlone = clock.Now();
    if (!decoded) throw std::runtime_error("the logo does not decode");
    timings.total.push_back(clock.Ms(start, firstDrawn));
    timings.draw.push_back(clock.Ms(firstDrawn, drawnAgain));
    timings.decode.push_back(clock.Ms(drawnAgain, decodedAlone));
  }
  return timings;
}

[[nodiscard]] std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: trelvane_bench_logo LOGO_JPG [RUNS]\n");
    return 2;
  }
  try {
    const std::string jpeg = ReadFile(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    if (jpeg.empty()) throw std::runtime_error("cannot read the logo");

    const WindowDc screen(nullptr);
    const UniqueMemoryDc target(CreateCompatibleDC(screen.get()));
    const UniqueHBitmap canvas(CreateCompatibleBitmap(screen.get(), kDrawnSize, kDrawnSize));
    const SelectedObject selected(target.get(), canvas.get());

    ui::RegisterStandardFileFormats();
    const Timings timings = Measure(jpeg, runs, target.get());
    // The logo's centre, to show that something was drawn (the canvas starts black).
    const COLORREF centre = GetPixel(target.get(), kDrawnSize / 2, kDrawnSize / 2);
    const char* forceNone = std::getenv("JSIMD_FORCENONE");
    std::printf(
        "{\"jsimd_forcenone\":%s,\"runs\":%d,\"decode_ms_median\":%.3f,\"draw_ms_median\":%.3f,"
        "\"decode_draw_ms_median\":%.3f,\"decode_draw_ms_min\":%.3f,\"decode_draw_ms_max\":%.3f,"
        "\"centre_pixel\":\"%06lX\"}\n",
        forceNone && std::string(forceNone) == "1" ? "true" : "false", runs, Median(timings.decode),
        Median(timings.draw), Median(timings.total),
        *std::min_element(timings.total.begin(), timings.total.end()),
        *std::max_element(timings.total.begin(), timings.total.end()),
        static_cast<unsigned long>(centre));
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "logo bench: %s\n", error.what());
    return 1;
  }
}

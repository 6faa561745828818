// Drawing cost of a typical chart beside the cost of encoding it as JPEG.
// A chart should cost well under a quarter of its encoding.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "draw/raster_surface.h"

namespace {

using namespace tessaloom;

constexpr int kWidth = 500;
constexpr int kHeight = 350;

Canvas NewCanvas() {
  Canvas canvas;
  std::string error;
  if (!Canvas::Create(kWidth, kHeight, canvas, error)) std::abort();
  return canvas;
}

// The primitive mix of a bar chart: background and border, 12 filled and
// outlined bars, 40 short lines (axes, ticks, grid), 30 short labels of
// 12-pixel height and 2 titles turned upright.
void DrawTypicalChart(RasterSurface& s) {
  s.FillSolidRect(0, 0, kWidth, kHeight, 0xFFFFFF);
  s.Rectangle(0, 0, kWidth, kHeight);
  const Brush oldBrush = s.CurrentBrush();
  for (int i = 0; i < 12; ++i) {
    s.SelectBrush(Brush{0x562C87u + static_cast<COLORREF>(i) * 0x0A0A0Au});
    s.Rectangle(60 + i * 35, 300 - 20 * i, 85 + i * 35, 300);
  }
  s.SelectBrush(oldBrush);
  for (int i = 0; i < 40; ++i) {
    s.MoveTo(50, 40 + i * 6);
    s.LineTo(i % 2 ? 450 : 56, 40 + i * 6);
  }
  const Font oldFont = s.SelectFont(Font::Chart(12));
  for (int i = 0; i < 30; ++i)
    s.TextOut(10 + (i % 10) * 45, 310 + (i / 10) * 12, std::string("Q").append(std::to_string(i)));
  s.SelectFont(Font::Chart(16, 900));
  s.TextOut(8, 250, "Units sold");
  s.TextOut(470, 250, "Revenue");
  s.SelectFont(oldFont);
}

void BM_DrawTypicalChart(benchmark::State& state) {
  Canvas canvas = NewCanvas();
  for (auto _ : state) {
    RasterSurface surface(canvas);
    DrawTypicalChart(surface);
    benchmark::DoNotOptimize(canvas.Pixels().data());
  }
}
BENCHMARK(BM_DrawTypicalChart);

// Baseline JPEG, quality 75, from the canvas rows converted to RGB, into memory.
void BM_EncodeJpeg(benchmark::State& state) {
  Canvas canvas = NewCanvas();
  {
    RasterSurface surface(canvas);
    DrawTypicalChart(surface);
  }
  std::vector<unsigned char> row(kWidth * 3);
  for (auto _ : state) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < kHeight; ++y) {
      const auto pixels = canvas.Row(y);
      for (int x = 0; x < kWidth; ++x) {
        const std::uint32_t p = pixels[static_cast<std::size_t>(x)];
        row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>(p >> 16);
        row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>(p >> 8);
        row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>(p);
      }
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    benchmark::DoNotOptimize(outSize);
    std::free(out);
  }
}
BENCHMARK(BM_EncodeJpeg);

}  // namespace

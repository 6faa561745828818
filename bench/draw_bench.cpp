// End to end as a page does it: a new GraphGenerator per chart, 12 points
// with title, axis labels and grid, 500 x 350, drawn and written to a tmpfs
// folder as JPEG and as BMP; beside them the floor, a bare libjpeg encode of
// a same-sized canvas written to the same folder.
// Run: tools/bench (or build with -DTESSALOOM_BUILD_BENCHMARKS=ON and run
// build/bench/draw_bench).
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "draw/raster_surface.h"
#include "platform/text.h"
#include "tessaloom/tessaloom.h"

namespace {

using namespace tessaloom;

std::string BenchFolder() {
  const char* shm = "/dev/shm";
  std::string base = std::filesystem::is_directory(shm) ? shm : "/tmp";
  std::string folder = base + "/tessaloom-bench";
  std::filesystem::create_directories(folder);
  return folder;
}

DISPID Id(IDispatch* object, const char16_t* name) {
  std::u16string copy(name);
  OLECHAR* names[] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  object->GetIDsOfNames(GUID_NULL, names, 1, 0, &id);
  return id;
}

void Put(IDispatch* object, const char16_t* name, Variant value) {
  DISPID put = DISPID_PROPERTYPUT;
  VARIANT raw = *value.get();
  DISPPARAMS params{&raw, &put, 1, 1};
  object->Invoke(Id(object, name), GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                 nullptr);
}

void Call(IDispatch* object, const char16_t* name, std::vector<Variant> args = {}) {
  std::vector<VARIANT> raw;
  for (auto it = args.rbegin(); it != args.rend(); ++it) raw.push_back(*it->get());
  DISPPARAMS params{raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
  object->Invoke(Id(object, name), GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
}

void DrawChart(const std::string& folder, const char16_t* file) {
  ComPtr<IClassFactory> factory;
  DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out());
  ComPtr<IDispatch> g;
  factory->CreateInstance(nullptr, IID_IDispatch, g.out());
  const std::u16string wide_folder = Utf8ToUtf16(folder);
  Put(g.get(), u"FilePath", Variant(std::u16string_view(wide_folder)));
  Put(g.get(), u"FileName", Variant(std::u16string_view(file)));
  Put(g.get(), u"ChartTitle", Variant(std::u16string_view(u"Monthly sales")));
  Put(g.get(), u"XAxisLabel", Variant(std::u16string_view(u"Month")));
  Put(g.get(), u"YAxisLabel", Variant(std::u16string_view(u"Units")));
  std::vector<Variant> on;
  on.emplace_back(std::int32_t{1});
  Call(g.get(), u"HasGridLines", std::move(on));
  const char16_t* months[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                              u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  for (int i = 0; i < 12; ++i) {
    std::vector<Variant> args;
    args.emplace_back(std::u16string_view(months[i]));
    args.emplace_back(10.0 + (i * 37) % 50);
    Call(g.get(), u"AddData", std::move(args));
  }
  Call(g.get(), u"DrawBarGraph");
}

void BM_DrawBarGraphToJpeg(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) DrawChart(folder, u"bench.jpg");
}
BENCHMARK(BM_DrawBarGraphToJpeg);

void BM_DrawBarGraphToBmp(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) DrawChart(folder, u"bench.bmp");
}
BENCHMARK(BM_DrawBarGraphToBmp);

// The floor: libjpeg alone encoding a 500 x 350 chart-like canvas to a file
// in the same folder, quality 75.
void BM_BareJpegEncodeToFile(benchmark::State& state) {
  const std::string path = BenchFolder() + "/floor.jpg";
  Canvas canvas;
  std::string error;
  if (!Canvas::Create(500, 350, canvas, error)) std::abort();
  {
    RasterSurface s(canvas);
    s.FillSolidRect(0, 0, 500, 350, 0xFFFFFF);
    s.Rectangle(0, 0, 500, 350);
    s.SelectFont(Font::Chart(22));
    s.TextOut(180, 10, "Monthly sales");
  }
  std::vector<unsigned char> row(500 * 3);
  for (auto _ : state) {
    FILE* out = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = 500;
    cinfo.image_height = 350;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < 350; ++y) {
      const auto pixels = canvas.Row(y);
      for (std::size_t x = 0; x < 500; ++x) {
        row[x * 3] = static_cast<unsigned char>(pixels[x] >> 16);
        row[x * 3 + 1] = static_cast<unsigned char>(pixels[x] >> 8);
        row[x * 3 + 2] = static_cast<unsigned char>(pixels[x]);
      }
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
  }
}
BENCHMARK(BM_BareJpegEncodeToFile);

}  // namespace

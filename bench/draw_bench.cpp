// End to end as a page does it: a new GraphGenerator per chart, 12 points
// with title, axis labels and grid, 500 x 350 (chart A), drawn and written to
// a tmpfs folder as JPEG, BMP and PNG, or kept in memory as JPEG and PNG;
// beside them the floors, a bare libjpeg encode of a same-sized canvas and of
// chart A's own pixels written to the same folder, and the two encoders alone
// on chart A's pixels (time, and the image's size as the "bytes" counter).
// Chart A drawn to the SVG surface and, the same way (direct calls, in
// memory), to PNG, with each document's size as "bytes".
// One chart label measured and drawn by the classic text engine, in Latin,
// Arabic (shaped and ordered right to left) and Devanagari (shaped).
// bench/python_path.py compares the Python host's whole path with the floor.
// Run: tools/bench (or build with -DTESSALOOM_BUILD_BENCHMARKS=ON and run
// build/bench/draw_bench).
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "component/graph_generator.h"
#include "draw/canvas.h"
#include "draw/font_engine.h"
#include "draw/raster_surface.h"
#include "draw/svg_surface.h"
#include "image/bitmap_file.h"
#include "image/save_image.h"
#include "platform/com_object.h"
#include "platform/text.h"
#include "tessaloom/bstr.h"
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

// Chart A through late binding; with an empty `folder` the image is kept in
// memory in `format` and its bytes are returned. `style`, `scale` and
// `theme` set RenderStyle, Scale and Theme when given.
std::vector<std::uint8_t> DrawChart(const std::string& folder, const char16_t* file,
                                    const char16_t* format = u"", const char16_t* style = u"",
                                    std::int32_t scale = 0,
                                    std::u16string_view title = u"Monthly sales",
                                    const char16_t* theme = u"") {
  ComPtr<IClassFactory> factory;
  DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out());
  ComPtr<IDispatch> g;
  factory->CreateInstance(nullptr, IID_IDispatch, g.out());
  const std::u16string wideFolder = Utf8ToUtf16(folder);
  if (folder.empty()) {
    Put(g.get(), u"OutputTarget", Variant(std::u16string_view(u"memory")));
  } else {
    Put(g.get(), u"FilePath", Variant(std::u16string_view(wideFolder)));
  }
  if (*format != u'\0') Put(g.get(), u"OutputFormat", Variant(std::u16string_view(format)));
  if (*style != u'\0') Put(g.get(), u"RenderStyle", Variant(std::u16string_view(style)));
  if (scale != 0) Put(g.get(), u"Scale", Variant(scale));
  if (*theme != u'\0') Put(g.get(), u"Theme", Variant(std::u16string_view(theme)));
  Put(g.get(), u"FileName", Variant(std::u16string_view(file)));
  Put(g.get(), u"ChartTitle", Variant(title));
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
  if (!folder.empty()) return {};
  Variant data;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  g->Invoke(Id(g.get(), u"ImageData"), GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, data.get(),
            nullptr, nullptr);
  if (data->vt != (VT_ARRAY | VT_UI1)) std::abort();
  const std::uint8_t* bytes = data->parray->pvData;
  return {bytes, bytes + data->parray->cElements};
}

// Chart A's pixels on a canvas, drawn once through the component.
Canvas ChartACanvas() {
  const std::vector<std::uint8_t> bmp = DrawChart("", u"a.bmp", u"bmp");
  PackedBitmap bitmap;
  Canvas canvas;
  std::string error;
  if (!ReadBmp(bmp, bitmap, error) || !Canvas::Create(500, 350, canvas, error)) std::abort();
  for (std::int32_t y = 0; y < 350; ++y) {
    const std::uint8_t* row = bitmap.Row(y).data();
    for (std::int32_t x = 0; x < 500; ++x) {
      const std::uint8_t* p = row + 3 * x;
      canvas.SetPixel(x, y, RGB(p[2], p[1], p[0]));
    }
  }
  return canvas;
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

void BM_DrawBarGraphToPng(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) DrawChart(folder, u"bench.png", u"png");
}
BENCHMARK(BM_DrawBarGraphToPng);

// The smooth style and the documents, beside the classic PNG above: the
// smooth PNG is meant to cost at most twice the classic PNG, the SVG at most
// as much as the classic PNG.
void BM_DrawBarGraphSmoothToPng(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) DrawChart(folder, u"bench-smooth.png", u"png", u"smooth");
}
BENCHMARK(BM_DrawBarGraphSmoothToPng);

// The modern theme's layout (measured text, nice ticks) through the same
// smooth surface: meant to cost at most 1.3 times the smooth PNG.
void BM_DrawBarGraphModernToPng(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) {
    DrawChart(folder, u"bench-modern.png", u"png", u"", 0, u"Monthly sales", u"modern");
  }
}
BENCHMARK(BM_DrawBarGraphModernToPng);

// The same with a title never drawn before, so it is shaped and rendered
// anew each time (the labels repeat, as they do from chart to chart).
void BM_DrawBarGraphSmoothNewTitleToPng(benchmark::State& state) {
  const std::string folder = BenchFolder();
  std::uint64_t n = 0;
  for (auto _ : state) {
    const std::u16string title = u"Monthly sales " + Utf8ToUtf16(std::to_string(++n));
    DrawChart(folder, u"bench-smooth.png", u"png", u"smooth", 0, title);
  }
}
BENCHMARK(BM_DrawBarGraphSmoothNewTitleToPng);

void BM_DrawBarGraphSmoothScale2ToPng(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) DrawChart(folder, u"bench-smooth2.png", u"png", u"smooth", 2);
}
BENCHMARK(BM_DrawBarGraphSmoothScale2ToPng);

void BM_DrawBarGraphToSvg(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) DrawChart(folder, u"bench.svg", u"svg");
}
BENCHMARK(BM_DrawBarGraphToSvg);

void BM_DrawBarGraphToPdf(benchmark::State& state) {
  const std::string folder = BenchFolder();
  for (auto _ : state) DrawChart(folder, u"bench.pdf", u"pdf");
}
BENCHMARK(BM_DrawBarGraphToPdf);

void DrawToMemory(benchmark::State& state, const char16_t* format) {
  std::size_t size = 0;
  for (auto _ : state) size = DrawChart("", u"", format).size();
  state.counters["bytes"] = static_cast<double>(size);
}
void BM_DrawBarGraphToMemoryJpeg(benchmark::State& state) { DrawToMemory(state, u"jpeg"); }
void BM_DrawBarGraphToMemoryPng(benchmark::State& state) { DrawToMemory(state, u"png"); }
BENCHMARK(BM_DrawBarGraphToMemoryJpeg);
BENCHMARK(BM_DrawBarGraphToMemoryPng);

// The encoders alone on chart A's pixels, into memory.
void EncodeChartA(benchmark::State& state, ImageFormat format) {
  const Canvas canvas = ChartACanvas();
  std::vector<std::uint8_t> bytes;
  bytes.reserve(1 << 20);
  std::string error;
  for (auto _ : state) {
    bytes.clear();
    MemorySink sink(bytes);
    if (!EncodeCanvas(canvas, format, kJpegQuality, sink, error)) std::abort();
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
void BM_EncodeChartAJpeg(benchmark::State& state) { EncodeChartA(state, ImageFormat::kJpeg); }
void BM_EncodeChartAPng(benchmark::State& state) { EncodeChartA(state, ImageFormat::kPng); }
BENCHMARK(BM_EncodeChartAJpeg);
BENCHMARK(BM_EncodeChartAPng);

// The JPEG encoder on chart A's pixels after 4 MiB of other memory has pushed
// them out of the core's caches, as after drawing a chart. Equal to the warm
// run above, the encoder does not wait on the canvas: replaying the drawing
// band by band into the encoder, to keep the pixels in cache, would not pay.
void BM_EncodeChartAJpegCold(benchmark::State& state) {
  const Canvas canvas = ChartACanvas();
  std::vector<std::uint8_t> bytes;
  std::vector<char> other(std::size_t{4} << 20);
  std::string error;
  for (auto _ : state) {
    state.PauseTiming();
    for (std::size_t i = 0; i < other.size(); i += 64) other[i] = static_cast<char>(other[i] + 1);
    benchmark::ClobberMemory();
    state.ResumeTiming();
    bytes.clear();
    MemorySink sink(bytes);
    if (!EncodeCanvas(canvas, ImageFormat::kJpeg, kJpegQuality, sink, error)) std::abort();
  }
}
BENCHMARK(BM_EncodeChartAJpegCold);

// The floor: libjpeg alone encoding a 500 x 350 canvas to a file in the same
// folder, quality 75; the rows converted to R, G, B first, or (`inPlace`)
// read as they are in libjpeg-turbo's B, G, R, X layout.
void BareJpegEncodeToFile(benchmark::State& state, const Canvas& canvas, bool inPlace = false) {
  const std::string path = BenchFolder() + "/floor.jpg";
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
    cinfo.input_components = inPlace ? 4 : 3;
    cinfo.in_color_space = inPlace ? JCS_EXT_BGRX : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < 350; ++y) {
      const auto pixels = canvas.Row(y);
      if (inPlace) {
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(pixels.data()))};
        jpeg_write_scanlines(&cinfo, rows, 1);
        continue;
      }
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

// A chart-like canvas: white, a border and a title.
void BM_BareJpegEncodeToFile(benchmark::State& state) {
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
  BareJpegEncodeToFile(state, canvas);
}
BENCHMARK(BM_BareJpegEncodeToFile);

// Chart A's own pixels read in place: the floor of the whole path.
void BM_BareJpegEncodeChartAToFile(benchmark::State& state) {
  BareJpegEncodeToFile(state, ChartACanvas(), true);
}
BENCHMARK(BM_BareJpegEncodeChartAToFile);

// Chart A's model, as DrawBarGraph builds it, drawn on an SvgSurface and
// finished with its title; the document is kept in `svg`.
class SvgRenderer final : public ChartRenderer {
 public:
  void Render(CGraph& graph) override {
    graph.LoadDefaultPalette();
    SvgSurface surface(graph.graphWidth, graph.graphHeight, 1);
    if (!graph.DrawGraph(surface) || !surface.Finish(graph.chartTitle, "", svg, error))
      std::abort();
  }
  std::string svg, error;
};

// Chart A by direct calls on the object: to `renderer` when given, else
// to a PNG in memory. Returns the size of what was made.
std::size_t DrawChartADirect(SvgRenderer* renderer) {
  ComObject<CGraphGenerator> g;
  g.graph.renderer = renderer;
  g.put_OutputTarget(Bstr(u"memory").get());
  g.put_OutputFormat(Bstr(u"png").get());
  g.put_ChartTitle(Bstr(u"Monthly sales").get());
  g.put_XAxisLabel(Bstr(u"Month").get());
  g.put_YAxisLabel(Bstr(u"Units").get());
  g.HasGridLines(1);
  const char16_t* months[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                              u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  for (int i = 0; i < 12; ++i) {
    g.AddData(Bstr(months[i]).get(), static_cast<float>(10 + (i * 37) % 50));
  }
  if (g.DrawBarGraph() != S_OK) std::abort();
  return renderer != nullptr ? renderer->svg.size() : g.graph.imageBytes.size();
}

void BM_ChartAToSvg(benchmark::State& state) {
  SvgRenderer renderer;
  std::size_t size = 0;
  for (auto _ : state) size = DrawChartADirect(&renderer);
  state.counters["bytes"] = static_cast<double>(size);
  // Left beside the other outputs for a look in a browser.
  if (FILE* out = std::fopen((BenchFolder() + "/chart-a.svg").c_str(), "wb")) {
    std::fwrite(renderer.svg.data(), 1, renderer.svg.size(), out);
    std::fclose(out);
  }
}
BENCHMARK(BM_ChartAToSvg);

void BM_ChartAToPngDirect(benchmark::State& state) {
  std::size_t size = 0;
  for (auto _ : state) size = DrawChartADirect(nullptr);
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_ChartAToPngDirect);

// A label's TextWidth and DrawText, as the layout and the raster surface
// call them; glyphs are cached after the first round, as in a warm process.
void ChartLabel(benchmark::State& state, const char* text) {
  Canvas canvas;
  std::string error;
  if (!Canvas::Create(500, 40, canvas, error)) std::abort();
  const Font font = Font::Chart(16);
  for (auto _ : state) {
    benchmark::DoNotOptimize(TextWidth(font, text));
    DrawText(canvas, 10, 10, text, font, RGB(0, 0, 0), RGB(255, 255, 255));
  }
}
void BM_LabelLatin(benchmark::State& state) { ChartLabel(state, "Monthly sales 2026"); }
void BM_LabelArabic(benchmark::State& state) {
  ChartLabel(state, "\u0627\u0644\u0645\u0628\u064A\u0639\u0627\u062A 2026");
}
void BM_LabelDevanagari(benchmark::State& state) {
  ChartLabel(state, "\u092E\u093E\u0938\u093F\u0915 \u092C\u093F\u0915\u094D\u0930\u0940");
}
BENCHMARK(BM_LabelLatin);
BENCHMARK(BM_LabelArabic);
BENCHMARK(BM_LabelDevanagari);

}  // namespace

// The chart model's own rules (scale, colours, statistics, label spreading,
// sign classes) and what every drawer does with nothing or extreme figures.
#include <png.h>

#include <climits>
#include <cmath>
#include <limits>
#include <set>

#include "chart/modern_theme.h"
#include "chart_test_support.h"
#include "draw/raster_surface.h"
#include "tests/support/canvas.h"

namespace tessaloom {
namespace {

using enum GraphType;
using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

constexpr GraphType kAllKinds[] = {kBar,   kPie,    kLine,  kBoxWhisker,  kStackedBar,
                                   k3DBar, k3DLine, k3DPie, k3DStackedBar};

TEST(CGraphTest, SetTickLimitsCoversTheRangeWithoutOverflow) {
  // min, max, step given; then minTick, maxTick, tickValueStep, tickCount.
  const std::array<std::int32_t, 7> cases[] = {
      {0, 0, 0, 0, 1, 1, 1},       // an empty scale still gets one interval
      {0, 95, 10, 0, 95, 10, 10},  // nine steps fall short, so ten
      {0, 100, 0, 0, 100, 1, 100},
      {-7, -7, 3, -7, -7, 3, 0},  // only 0..0 is widened
      {10, 0, 5, 10, 0, 5, -2},
      {INT_MIN, INT_MAX, 1, INT_MIN, INT_MAX, 1, INT_MAX},
      {INT_MAX, INT_MIN, 1, INT_MAX, INT_MIN, 1, INT_MIN},
      {INT_MIN, INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0},
  };
  for (const auto& c : cases) {
    CGraph g;
    g.SetTickLimits(c[0], c[1], c[2]);
    EXPECT_EQ((std::array{g.minTick, g.maxTick, g.tickValueStep, g.tickCount}),
              (std::array{c[3], c[4], c[5], c[6]}))
        << c[1];
  }
}

TEST(CGraphTest, ScriptColoursComeBeforeThePaletteAndColoursPastItAreMadeUp) {
  CGraph g;
  EXPECT_EQ(g.GetColor(0), kFallbackColor);
  g.AddDataColor(0, 0x000001);
  g.AddDataColor(1, 0x000002);
  g.LoadDefaultPalette();
  EXPECT_EQ(
      (std::array{g.GetColor(0), g.GetColor(1), g.GetColor(2), g.GetColor(25), g.GetColor(-1)}),
      (std::array<COLORREF, 5>{1, 2, 0x562C87, 0xB1E2FF, 1}));
  // Past the two script colours, 256 colours all different and none white; the first 72 stand
  // as far apart as the palette's closest pair (0xAAF3F3 and 0xB1E2FF, 21.95).
  std::set<COLORREF> colours{0xFFFFFF};
  double closest = 1e9;
  const auto channel = [&](int k, int s) { return double((g.GetColor(k + 2) >> s) & 0xFF); };
  for (int i = 0; i < 256; ++i) {
    colours.insert(g.GetColor(i + 2));
    for (int j = 0; j < i && i < 72; ++j) {
      closest =
          std::min(closest, std::hypot(channel(i, 0) - channel(j, 0), channel(i, 8) - channel(j, 8),
                                       channel(i, 16) - channel(j, 16)));
    }
  }
  EXPECT_EQ(std::pair(colours.size(), closest >= 21.95), std::pair(std::size_t{257}, true));
  EXPECT_NE(g.GetColor(INT_MAX), 0xFFFFFFu);
}

// Every default colour of a modern theme has the 3:1 contrast a graphic needs on its background.
TEST(CGraphTest, ModernDefaultColoursStandOutFromTheirBackground) {
  const auto luminance = [](COLORREF c) {
    double sum = 0.0;
    for (const auto& [shift, weight] : {std::pair{0, 0.2126}, {8, 0.7152}, {16, 0.0722}}) {
      const double v = double((c >> shift) & 0xFF) / 255.0;
      sum += weight * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return sum;
  };
  for (const Theme theme : {Theme::kModern, Theme::kDark}) {
    CGraph g;
    g.options.theme = theme;
    g.LoadThemePalette();
    const double back = luminance(modern::ColorsOf(theme).background);
    for (int i = 0; i < 7; ++i) {
      const double fore = luminance(g.GetColor(i));
      EXPECT_GE((std::max(fore, back) + 0.05) / (std::min(fore, back) + 0.05), 3.0) << i;
    }
  }
}

// The chart as RGBA pixels, decoded by libpng itself; empty when it is no PNG.
std::vector<std::uint8_t> RenderRgba(CGraph& g) {
  g.imageToMemory = true;
  g.imageOptions.format = ImageFormat::kPng;
  if (!g.RenderToFile()) return {};
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, g.imageBytes.data(), g.imageBytes.size()) == 0) {
    return {};
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) return {};
  return pixels;
}

// A transparent background: laid over the background colour the PNG is the opaque chart again,
// a point near its corner is see-through and much is not, in every theme, style and palette size.
TEST(CGraphTest, ATransparentBackgroundOverItsColourIsTheOpaqueChart) {
  // The last row's 24 slices, smoothed, hold too many colours for a palette.
  const std::vector<std::vector<float>> slices{std::vector<float>(24, 1.0f)};
  const std::tuple<Theme, RenderStyle, std::int32_t, GraphType> cases[] = {
      {Theme::kClassic, RenderStyle::kClassic, 1, kBar},
      {Theme::kClassic, RenderStyle::kClassic, 2, kBar},
      {Theme::kModern, RenderStyle::kSmooth, 1, kBar},
      {Theme::kDark, RenderStyle::kSmooth, 3, kLine},
      {Theme::kClassic, RenderStyle::kSmooth, 1, kPie}};
  for (const auto& [theme, style, scale, kind] : cases) {
    Chart chart{.kind = kind,
                .series = kind == kPie ? slices : std::vector<std::vector<float>>{{12}, {30}, {-8}},
                .title = "Sales"};
    chart.stage = Stage::kWhole;
    CGraph opaque = Model(chart);
    opaque.options.theme = theme;
    opaque.renderStyle = style;
    opaque.imageScale = scale;
    CGraph clear = Model(chart);
    clear.options = opaque.options;
    clear.options.transparentBackground = true;
    clear.renderStyle = style;
    clear.imageScale = scale;
    const std::vector<std::uint8_t> a = RenderRgba(opaque);
    const std::vector<std::uint8_t> b = RenderRgba(clear);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_FALSE(a.empty()) << opaque.errorText << int(kind);
    const COLORREF back = opaque.BackgroundColor();
    int worst = 0;
    std::size_t seeThrough = 0;
    for (std::size_t i = 0; i < a.size(); i += 4) {
      EXPECT_EQ(a[i + 3], 255);
      seeThrough += b[i + 3] == 0 ? 1u : 0u;
      for (std::size_t c = 0; c < 3; ++c) {
        const int under = int((back >> (8 * c)) & 0xFF);
        const int over = (b[i + c] * b[i + 3] + under * (255 - b[i + 3]) + 127) / 255;
        worst = std::max(worst, std::abs(over - int{a[i + c]}));
      }
    }
    EXPECT_LE(worst, 2) << int(theme) << int(style) << scale;
    EXPECT_EQ(b[std::size_t(5 * 500 * scale + 5) * 4 + 3], 0);  // inside the classic frame
    EXPECT_GT(seeThrough, a.size() / 12) << "a third of the chart or more is background";
    EXPECT_LT(seeThrough, a.size() / 4);
  }
}

// An SVG with a transparent background leaves out every paint in the background colour, and no
// more: the texts stay.
TEST(CGraphTest, ATransparentSvgHasNoBackgroundPaint) {
  for (const Theme theme : {Theme::kClassic, Theme::kModern, Theme::kDark}) {
    std::string svg[2];
    for (const bool clear : {false, true}) {
      Chart chart{.series = {{12}, {30}, {-8}}, .title = "Sales"};
      chart.stage = Stage::kWhole;
      CGraph g = Model(chart);
      g.options.theme = theme;
      g.options.transparentBackground = clear;
      g.imageToMemory = true;
      g.imageOptions.format = ImageFormat::kSvg;
      ASSERT_TRUE(g.RenderToFile()) << g.errorText;
      svg[clear ? 1 : 0].assign(g.imageBytes.begin(), g.imageBytes.end());
    }
    const std::string background = theme == Theme::kDark ? "#1e1e1e" : "#ffffff";
    const auto count = [](const std::string& text, const std::string& what) {
      std::size_t n = 0;
      for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
      return n;
    };
    EXPECT_GT(count(svg[0], background), 0u);
    EXPECT_EQ(count(svg[1], background), 0u) << svg[1];
    EXPECT_EQ(count(svg[1], "<text"), count(svg[0], "<text"));
  }
}

// Minimum, quartiles, median and maximum as a vertical box at one pixel a
// unit above y 1000 shows them: the caps, the stem, the box and the median line.
std::array<int, 5> DrawnStatistics(const std::vector<float>& values) {
  CGraph g;
  std::tie(g.plotBaseY, g.plotWidth, g.plotHeight) = std::tuple{1000, 100, 1010};
  g.SetTickLimits(0, 1000, 100);
  AddSeries(g, values);
  RecordingSurface s;
  g.DrawBoxWhiskers(s);
  const auto c = s.Calls({"Rectangle", "MoveTo"});
  if (c.size() != 5) return {};
  return {1000 - c[1].cell.t, 1000 - c[3].cell.b, 1000 - c[4].n[1], 1000 - c[3].cell.t,
          1000 - c[0].cell.t};
}

TEST(BoxWhiskerTest, StatisticsAreWholeNumbersOfTheSortedValues) {
  const std::pair<std::vector<float>, std::array<int, 5>> cases[] = {
      // Even counts split in halves; the middle of a pair rounds down.
      {{8, 1, 7, 2, 6, 3, 5, 4}, {1, 2, 4, 6, 8}},
      {{10, 1}, {1, 1, 5, 10, 10}},
      {{4, 4, 1, 4}, {1, 2, 4, 4, 4}},
      // Odd counts leave the median out of both halves.
      {{1, 2, 3, 4, 5}, {1, 1, 3, 4, 5}},
      {{7, 3, 9}, {3, 3, 7, 9, 9}},
      // Truncated toward zero, negative values too.
      {{-0.99f, 3.99f, 9.5f}, {0, 0, 3, 9, 9}},
      {{-3, 5}, {-3, -3, 1, 5, 5}},
      {{42}, {42, 42, 42, 42, 42}},
  };
  for (const auto& [values, five] : cases) EXPECT_EQ(DrawnStatistics(values), five);
}

// Each draw classifies its own points: only upright bar and line charts with a value below zero
// (even just) move the base line, to the plot's middle for an empty range; an unknown kind is told.
TEST(FrameTest, SignScanLooksAtEveryPointOfThisDraw) {
  // Kind, upright, series, maximum from -50; the quadrant and base line drawn.
  const std::tuple<GraphType, std::uint32_t, std::vector<std::vector<float>>, int, int, int>
      cases[] = {{kBar, 1, {{5, -40}, {10}}, 50, 3, 170},
                 {kBar, 0, {{-5}, {10}}, 50, 3, 309},
                 {kLine, 1, {{-0.5f}}, -50, 3, 170},
                 {kBoxWhisker, 1, {{-5, 1}}, 50, 1, 300},
                 {kStackedBar, 1, {{1}}, 50, 1, 300}};
  Chart chart{.minTick = -50, .stage = Stage::kWhole};
  for (const auto& [kind, vertical, series, max, quadrant, baseY] : cases) {
    std::tie(chart.kind, chart.series, chart.maxTick, chart.vertical) =
        std::tie(kind, series, max, vertical);
    CGraph g = Model(chart);
    g.quadrant = 3;
    RecordingSurface s;
    EXPECT_TRUE(g.DrawGraph(s));
    EXPECT_EQ((std::array{g.quadrant, g.plotBaseY}), (std::array{quadrant, baseY}))
        << static_cast<int>(kind);
  }
  const Drawn unknown = DrawWhole({.kind = static_cast<GraphType>(3)});
  EXPECT_EQ(std::pair(unknown.drew, unknown.g.errorText),
            std::pair(true, std::string("No Graph type to display")));
}

TEST(DrawersTest, NothingIsDrawnWithoutSeriesOrWithoutPoints) {
  for (GraphType kind : kAllKinds) {
    CGraph none = Model({.kind = kind});
    none.seriesSize = 3;  // slots but no series
    CGraph hollow = Model({.kind = kind, .series = {{}}});
    for (CGraph* g : {&none, &hollow}) {
      RecordingSurface s;
      g->DrawByKind(s);
      std::vector<Call> drawn = s.Calls();  // what leaves a mark, not state changes
      std::erase_if(drawn, [](const Call& c) { return c.op.starts_with("Select"); });
      // A pie of an empty series still shows its label.
      const bool label = g == &hollow && (kind == kPie || kind == k3DPie);
      EXPECT_EQ(drawn.size(), label ? 1u : 0u) << static_cast<int>(kind) << s.Lines();
    }
  }
}

constexpr float kInf = std::numeric_limits<float>::infinity();
const std::vector<float> kExtreme = {kInf, -kInf, std::nanf(""), 3.4e38f, -3.4e38f, 1e-30f, -0.5f};
// Ordinary and extreme figures with every decoration.
const Chart kBusy{.series = {{-20, 10, 3}, {30, 0.01f, 7}, kExtreme, {3.4e38f, 3.4e38f, 1e-30f}},
                  .minTick = -30,
                  .maxTick = 40,
                  .grid = 1,
                  .back = true,
                  .xLabel = "Month",
                  .title = "Sales",
                  .legend = {"a", "b", "c"},
                  .stage = Stage::kWhole};

// For the sanitizer build: every kind with extreme figures, on canvases of 1 to INT_MAX a side and
// plot layouts at the ends of their ranges, finishes drawing.
TEST(UnderSanitizersTest, EveryKindFinishesOnAnyCanvasAndLayout) {
  constexpr std::int32_t kMax = INT_MAX, kMin = INT_MIN;
  // Left, base, width, height, minTick, maxTick, step, depth.
  const std::array<std::int32_t, 8> layouts[] = {
      {kMax, kMax, kMax, kMax, kMin, kMax, kMax, kMax},
      {kMin, kMin, kMin, kMin, kMax, kMin, kMin, kMin},
      {kMax, kMin, kMax, kMin, 0, 1, 1, kMin},
      {0, 0, 0, 0, kMin, kMin + 1, 0, 0},
      {50, 250, 19, 19, 7, 7, 1, 10},
  };
  Chart c = kBusy;
  for (GraphType kind : kAllKinds) {
    for (c.vertical = 0; c.vertical < 2; ++c.vertical) {
      c.kind = kind;
      for (const auto& [width, height] : {std::pair{500, 350}, std::pair{3, 2}}) {
        std::tie(c.width, c.height) = std::pair{width, height};
        Canvas canvas = MakeCanvas(width, height);
        RasterSurface surface(canvas);
        Model(c).DrawGraph(surface);
        EXPECT_TRUE(width < 500 || canvas.GetPixel(499, 349) == 0x000000u)
            << static_cast<int>(kind);  // the border
      }
      for (const auto& [left, base, width, height, minTick, maxTick, step, depth] : layouts) {
        for (std::int32_t quadrant : {1, 3}) {
          CGraph g = Model(c);
          std::tie(g.quadrant, g.plotLeftX, g.plotBaseY, g.plotWidth, g.plotHeight, g.minTick,
                   g.maxTick, g.tickValueStep, g.depth3D) =
              std::tie(quadrant, left, base, width, height, minTick, maxTick, step, depth);
          g.canvasWidth = g.canvasHeight = width;
          g.tickCount = step == 0 ? 0 : 3;
          RecordingSurface s;
          g.DrawAxes(s);
          g.DrawByKind(s);
          g.DrawLegend(s);
          EXPECT_FALSE(s.Calls().empty());
        }
      }
    }
  }
  for (std::int32_t side : {1, 2, 5, INT_MAX}) {
    c = kBusy;
    c.width = c.height = side;
    RecordingSurface s;
    EXPECT_TRUE(Model(c).DrawGraph(s)) << side;
  }
}

}  // namespace
}  // namespace tessaloom

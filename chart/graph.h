// The chart model: kind, orientation, texts, value-axis scale, series, legend,
// colours, output file place and the layout figures the drawers share.
// CGraph owns its series, colours and legend; its owning component owns it.
// Not thread-safe: one object is used by one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chart/graph_data.h"
#include "image/save_image.h"
#include "platform/gdi_types.h"

namespace tessaloom {

// The chart kinds, by the codes the draw methods store in CGraph::graphType.
enum class GraphType : std::uint32_t {
  kBar = 0,
  kPie = 1,
  kLine = 2,
  kBoxWhisker = 4,
  kStackedBar = 20,
  k3DBar = 30,
  k3DLine = 31,
  k3DPie = 32,
  k3DStackedBar = 320,
};

// The colour of every position when the colour list is empty (pure blue).
inline constexpr COLORREF kFallbackColor = 0xFF0000;

// Appended after the script's own colours at the start of every draw.
inline constexpr std::array<COLORREF, 24> kDefaultPalette = {
    0x562C87, 0xAAF3F3, 0xFF9898, 0xFFFF87, 0x870056, 0x8787FF, 0xC08700, 0xFFC0C0,
    0x800000, 0xFF4BFF, 0x7DFFFF, 0x800080, 0x808000, 0x00C000, 0x003250, 0xC0C000,
    0x0000FF, 0x808080, 0xC0C0C0, 0x6BC6FF, 0x3399FF, 0x00FF00, 0x6B8FFF, 0xB1E2FF,
};

// The modern themes' default colours (0x00BBGGRR), appended after the
// script's own. On white every one has at least the 3:1 contrast a graphic
// needs (the lowest, the reddish purple, 3.06:1), and any two stay apart by
// a CIELAB distance of at least 12.5 in normal sight and in simulated
// deuteranopia, protanopia and tritanopia: the Okabe-Ito blue, vermillion,
// bluish green and reddish purple, then a violet, a crimson and a grey in
// place of its orange, sky blue and yellow, which fall below 2.4:1. On the
// dark background the Okabe-Ito set keeps its light colours first; all have
// at least 3.2:1 on it.
inline constexpr std::array<COLORREF, 7> kModernPalette = {
    0xB27200, 0x005ED5, 0x739E00, 0xA779CC, 0xC94F7B, 0x2E10C8, 0x666666,
};
inline constexpr std::array<COLORREF, 7> kDarkPalette = {
    0xE9B456, 0x009FE6, 0x739E00, 0xA779CC, 0x42E4F0, 0x005ED5, 0xB27200,
};

class CGraph;
class DrawingSurface;
struct Font;
class SmoothSurface;
class ValueFormat;

// How a chart is drawn: the classic pixel rules (the default, byte for byte
// what it always was), or anti-aliased shapes and shaped grey-scale text on
// the same layout.
enum class RenderStyle : std::uint8_t { kClassic, kSmooth };

// The look of a chart: the classic layout and colours (byte for byte what it
// always was), or the modern one on a light or a dark background.
enum class Theme : std::uint8_t { kClassic, kModern, kDark };

// Where the legend goes; kAuto lets the theme decide.
enum class LegendPosition : std::uint8_t { kAuto, kRight, kTop, kBottom, kNone };

// The chart options a script sets beside the data. Left at their defaults,
// a classic chart is byte for byte what it always was.
struct ChartOptions {
  Theme theme = Theme::kClassic;
  bool showValues = false;  // value labels on bars, line points and slices
  // The value axis's fixed ends; NaN: automatic (from the data).
  double valueAxisMin = std::numeric_limits<double>::quiet_NaN();
  double valueAxisMax = std::numeric_limits<double>::quiet_NaN();
  std::string valueFormat;  // a number format code; "": automatic
  LegendPosition legendPosition = LegendPosition::kAuto;
  bool transparentBackground = false;  // PNG with alpha, SVG without a background
};

// Turns a loaded model into its image. RenderToFile uses the frame, the
// raster surface and the image writer unless a renderer is installed (tests
// install one to look at the model a Draw method produced).
class ChartRenderer {
 public:
  virtual ~ChartRenderer() = default;
  virtual void Render(CGraph& graph) = 0;
};

class CGraph {
 public:
  CGraph() = default;
  CGraph(const CGraph&) = delete;
  CGraph& operator=(const CGraph&) = delete;
  CGraph(CGraph&&) noexcept = default;
  CGraph& operator=(CGraph&&) noexcept = default;
  ~CGraph() = default;

  void SetGraphType(GraphType kind) noexcept { graphType = kind; }
  // Stores the request; DrawsVertically() says how the next draw lays out.
  void SetOrientation(bool vertical) noexcept { isVertical = vertical; }
  // The 3D line chart is drawn vertically whatever orientation is stored.
  [[nodiscard]] bool DrawsVertically() const noexcept {
    return isVertical || graphType == GraphType::k3DLine;
  }
  void SetGridLines(bool shown) noexcept { hasGridLines = shown; }
  void SetBackColorFlag(bool shown) noexcept { hasBackColor = shown; }
  void SetGraphWidth(std::int32_t width) noexcept { graphWidth = width; }
  void SetGraphHeight(std::int32_t height) noexcept { graphHeight = height; }
  void SetChartTitle(std::string text) noexcept { chartTitle = std::move(text); }
  void SetXAxisLabel(std::string text) noexcept;
  void SetYAxisLabel(std::string text) noexcept { yAxisLabel = std::move(text); }
  void SetFilePath(std::string path) noexcept { filePath = std::move(path); }
  void SetFileName(std::string name) noexcept { fileName = std::move(name); }
  void SetErrorText(std::string text) noexcept {
    errorText = std::move(text);
    errorDetail.clear();
    ++errorsSet;
  }
  [[nodiscard]] std::string GetErrorText() const { return errorText; }

  // Characters reserved left of a horizontal chart for its category labels:
  // as many as the X-axis label has, or without one, the longest label's.
  [[nodiscard]] std::int32_t CategoryLabelChars() const noexcept;
  // The font of the category labels of horizontal charts.
  [[nodiscard]] Font CategoryLabelFont() const noexcept;
  // Pixels the category labels of a horizontal chart take: the widest label
  // in its font, at least CategoryLabelChars() at `aveCharWidth`, at most
  // the text share of canvasWidth (labels then are cut to it).
  std::int64_t CategoryLabelRoom(DrawingSurface& surface, std::int64_t aveCharWidth) const;

  // Value-axis scale from min to max in steps of step (0 means 1). An empty
  // 0..0 range becomes 0..1 so the axis always has one interval; tickCount
  // rounds up so the ticks cover the range, saturated to 32 bits.
  void SetTickLimits(std::int32_t min, std::int32_t max, std::int32_t step) noexcept;

  // Takes the series; a null pointer is ignored.
  void AddGraphSeries(std::unique_ptr<CGraphSeries> series);
  void SetLegendText(std::uint32_t index, std::string text);
  void AddDataColor(std::uint32_t index, COLORREF color);
  void LoadDefaultPalette();
  // The default palette of the chart's theme.
  void LoadThemePalette();
  // Whether the chart is drawn through the smooth surface: the smooth style
  // or a modern theme.
  [[nodiscard]] bool DrawsSmooth() const noexcept {
    return renderStyle == RenderStyle::kSmooth || options.theme != Theme::kClassic;
  }
  // Whether the modern layout draws the chart: a modern theme's vertical
  // flat bar or line chart, or pie, flat or 3D. Other kinds keep the classic layout.
  [[nodiscard]] bool DrawsModern() const noexcept;
  // The modern layout's whole chart; false with the reason in errorText
  // when the canvas has no room for it.
  bool DrawModern(DrawingSurface& surface);
  // The modern pies, flat or 3D (chart/modern_pie.cpp), as DrawModern.
  bool DrawModernPie(DrawingSurface& surface);

  // Colour at list position i; a negative i means the first entry. Past the
  // end of the list, colours of their own: hues spread round the circle in
  // varied depths, none too pale for a white background.
  [[nodiscard]] COLORREF GetColor(int i) const noexcept;

  // Draws the chart on a canvas of graphWidth x graphHeight and writes it to
  // filePath/fileName, or with imageToMemory keeps it in imageBytes. The file
  // is opened first, so a folder that cannot take it fails before any
  // drawing. False when no image was written, with the reason in errorText
  // (running out of memory included).
  bool RenderToFile() noexcept;
  // The drawing sequence on `surface`: background and border, title, plot
  // layout, legend, sign scan and origin shift, axes, the kind's drawer.
  // False when the chart could not be drawn (the reason is in errorText)
  // and no image should be written.
  bool DrawGraph(DrawingSurface& surface);
  // The colour the chart stands on: the classic white, or its theme's.
  [[nodiscard]] COLORREF BackgroundColor() const noexcept;
  // Dispatch on graphType; an unknown kind leaves "No Graph type to display"
  // and still counts as drawn.
  bool DrawByKind(DrawingSurface& surface);
  // Legend box at the right edge; returns its left x. Sets legendTextsFit.
  std::int32_t DrawLegend(DrawingSurface& surface);
  // The legend as rows across the canvas (LegendPosition top or bottom):
  // their box's height, 0 without entries, and the box drawn from `top`.
  std::int32_t LegendRowsHeight(DrawingSurface& surface);
  void DrawLegendRows(DrawingSurface& surface, std::int32_t top);
  // Axes, ticks, labels, grid and titles (the box frame for the 3D kinds).
  void DrawAxes(DrawingSurface& surface);
  // The box frame of the 3D kinds: depth, reduced plot extents, walls, ticks.
  void Draw3DAxes(DrawingSurface& surface);
  void DrawBars(DrawingSurface& surface);
  void DrawStackedBars(DrawingSurface& surface);
  void Draw3DBars(DrawingSurface& surface);
  void Draw3DStackedBars(DrawingSurface& surface);
  void DrawLines(DrawingSurface& surface);
  void Draw3DLines(DrawingSurface& surface);
  // False, with the reason in errorText, when the pies have no room.
  bool DrawPies(DrawingSurface& surface);
  bool Draw3DPies(DrawingSurface& surface);
  void DrawBoxWhiskers(DrawingSurface& surface);

  // The classic drawers' reading of the options, taken at the start of each
  // classic draw: fixed value-axis ends (whole numbers, the axis split into
  // at most ten whole steps that meet both ends) and the number format.
  void ApplyClassicOptions();
  // Whether the legend is drawn: it has texts and LegendPosition is not none.
  [[nodiscard]] bool DrawsLegend() const noexcept {
    return hasLegend && options.legendPosition != LegendPosition::kNone;
  }
  // A value-axis tick's text: "%d" as always, or in the script's format.
  [[nodiscard]] std::string TickText(std::int64_t value) const;
  // A value label's text, in the script's format or the automatic one.
  [[nodiscard]] std::string ValueLabelText(double value) const;

  // Drops the data of one draw (series, colours, legend texts) and keeps the
  // settings (texts, scale, orientation, flags, sizes, file place).
  void ClearAll() noexcept;

  // The layout fields (canvas*, plot*, axisEnd*, depth3D) are written by the
  // frame and the axes during each draw and are 0 before the first one.
  std::int32_t tickValueStep = 10;
  std::vector<std::unique_ptr<CGraphSeries>> seriesList;
  GraphType graphType = GraphType::kBar;
  bool isVertical = true;  // values grow upward; false: to the right
  std::int32_t canvasHeight = 0;
  std::int32_t canvasWidth = 0;  // bitmap width minus 5
  std::vector<CGraphDataColor> colorList;
  std::string yAxisLabel;
  std::string xAxisLabel;
  std::int32_t plotBaseY = 0;  // y of the category axis
  std::int32_t plotLeftX = 0;  // x of the value axis
  std::int32_t plotHeight = 0;
  std::int32_t plotWidth = 0;
  std::int32_t valueFontHeight = 12;
  std::int32_t categoryFontHeight = 12;
  std::int32_t legendFontHeight = 12;
  std::int32_t tickCount = 10;  // value intervals on the value axis
  std::int32_t minTick = 0;
  std::int32_t maxTick = 100;
  std::int32_t seriesSize = 0;  // most points in any series since the last ClearAll
  CGraphLegend legend;
  bool hasLegend = false;
  std::int32_t legendWidth = 0;       // pixels, written by the legend drawer
  bool legendTextsFit = true;         // false: the legend cut its texts to almost nothing
  std::int32_t xAxisLabelLength = 0;  // code points
  std::string chartTitle;
  bool hasGridLines = false;
  std::int32_t maxLegendLength = 0;  // code points of the longest legend text
  std::int32_t axisEndY = 0;
  std::int32_t axisEndX = 0;
  std::int32_t depth3D = 0;   // pixels of the 3D faces
  double depthRatio = 0.05;   // 3D depth as a fraction of plotHeight
  std::int32_t quadrant = 1;  // 1-4: sign class of positions and values
  std::string filePath;
  bool hasBackColor = false;
  std::string fileName = "Graph.jpg";
  OutputLimit outputLimit;  // set by the access check before each draw
  std::int32_t graphWidth = 500;
  std::int32_t graphHeight = 350;
  std::string errorText;
  // What the latest error concerns beyond errorText's fixed words (the path
  // a file could not be written to, and why), for LastError; may be empty.
  std::string errorDetail;
  std::uint32_t errorsSet = 0;  // SetErrorText calls so far; tells a new message from an old one
  ImageOptions imageOptions;    // format and JPEG quality of the image
  bool imageToMemory = false;   // keep the image in imageBytes instead of writing a file
  // The last image drawn to memory and its format (kByName before one); a
  // failed draw to memory empties it.
  std::vector<std::uint8_t> imageBytes;
  ImageFormat imageBytesFormat = ImageFormat::kByName;
  COLORREF backColor = 0xFFFFFF;  // white until the script picks a colour
  RenderStyle renderStyle = RenderStyle::kClassic;
  // 1 to kMaxScale: the image is graphWidth * scale x graphHeight * scale,
  // the layout unchanged and everything in it scaled.
  std::int32_t imageScale = 1;
  ChartOptions options;  // theme, value labels, axis ends, number format, legend place
  // options.valueFormat as ApplyClassicOptions read it; null before.
  std::shared_ptr<const ValueFormat> numberFormat;
  bool fixedValueAxis = false;  // an end of the value axis is the script's, not the data's
  // The chart in words (the component's AltText), a document's description.
  std::string description;

  ChartRenderer* renderer = nullptr;  // not owned; null: draw and write the file
  FileSystem* files = nullptr;        // not owned; null: the system's files

 private:
  // RenderToFile's work; may throw std::bad_alloc.
  bool Render();
  // An SVG or PDF: the document's surface, then the bytes to file or memory.
  bool RenderDocument(ImageFormat format, OutputFile& file);
  // The raster image on `canvas` (graphWidth * scale x graphHeight * scale);
  // a PNG with a transparent background gets its transparency.
  bool DrawRaster(Canvas& canvas);
  // One drawing of the raster image, with the background colour exchanged
  // for `matte` when that is set.
  bool DrawRasterPass(Canvas& canvas, std::optional<COLORREF> matte);
  // DrawGraph, through a RecolorSurface when `matte` is set.
  bool DrawGraphOn(DrawingSurface& surface, std::optional<COLORREF> matte);
  // Draws the chart on a smooth surface and finishes it; null: the surface
  // could not be made, for the reason in `error`.
  bool DrawSmooth(SmoothSurface* surface, std::optional<COLORREF> matte, std::string& error);
  // Writes `bytes` of `format` to the opened file or keeps them in imageBytes.
  bool Deliver(std::vector<std::uint8_t>&& bytes, ImageFormat format, OutputFile& file);
};

}  // namespace tessaloom

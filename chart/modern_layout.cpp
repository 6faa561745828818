// The modern look of vertical bar and line charts: a layout of its own from
// measured text, nice value ticks, light gridlines along the value axis, bars
// from zero without outlines, 2-pixel lines with round joins, a legend on top
// without heading or box, value labels where they fit. Every text box is kept
// clear of the others and inside the canvas; a text that does not fit is cut
// with an ellipsis, thinned out or left off.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "chart/layout.h"
#include "chart/modern_theme.h"
#include "chart/value_format.h"
#include "chart/value_ticks.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

using layout::FitText;

using modern::kLabelCell;
using modern::kMargin;
using modern::kNoRoom;
using modern::kTitleCell;
using modern::kTitleGap;
using modern::TextBox;
using modern::ThemeColors;

// The layout, in pixels.
constexpr std::int64_t kLegendGap = 10;       // legend rows to the plot (or to the edge)
constexpr std::int64_t kSwatchSide = 10;      // a bar legend's colour square
constexpr std::int64_t kSwatchLine = 16;      // a line legend's stroke
constexpr std::int64_t kSwatchGap = 6;        // swatch to its text
constexpr std::int64_t kLegendItemGap = 16;   // between legend items in a row
constexpr std::int64_t kLegendRowGap = 4;     // between legend rows
constexpr std::int64_t kTickLabelGap = 8;     // tick label's end to the plot
constexpr std::int64_t kCategoryGap = 6;      // plot bottom to the category labels
constexpr std::int64_t kAxisTitleGap = 8;     // axis title to the labels beside it
constexpr std::int64_t kLabelSpacing = 4;     // least room between neighbouring labels
constexpr std::int64_t kValueLabelGap = 3;    // value label to its bar end or marker
constexpr std::int64_t kMarkerRadius = 3;     // line markers
constexpr std::int64_t kMarkerMinPitch = 10;  // markers only where points are this far apart
constexpr std::int64_t kMinPlotSide = 16;     // a smaller plot fails the chart
constexpr double kSingleBarShare = 0.65;      // share of a category a lone bar covers
constexpr double kGroupBarShare = 0.8;        // share a group of bars covers
constexpr std::int64_t kGroupBarGap = 1;      // between bars of a group
constexpr std::int64_t kLegendHeightShare =
    4;  // a legend on top or below: at most 1/4 of the height
constexpr std::int64_t kLegendWidthShare = 4;  // a legend column: at most 1/4 of the width
constexpr std::int64_t kRotatedShare = 3;      // rotated labels take at most 1/3 of the height
constexpr Pen kLinePen{2, 0, true};            // the colour is the line's

std::int32_t I32(std::int64_t v) noexcept { return SaturateToInt32(v); }
std::int64_t Round(double v) noexcept { return std::llround(std::clamp(v, -1e15, 1e15)); }

class ModernChart {
 public:
  ModernChart(CGraph& graph, DrawingSurface& surface) noexcept
      : g_(graph),
        s_(surface),
        colors_(modern::ColorsOf(graph.options.theme)),
        bars_(graph.graphType == GraphType::kBar),
        width_(graph.graphWidth),
        height_(graph.graphHeight) {}

  bool Draw() {
    const ScopedBkColor background(s_, colors_.background);
    s_.FillSolidRect(0, 0, I32(width_), I32(height_), colors_.background);
    s_.SetBkColor(colors_.background);
    g_.canvasWidth = I32(width_);
    g_.canvasHeight = I32(height_);
    categories_ = static_cast<std::int64_t>(g_.seriesList.size());
    sets_ = std::max<std::int64_t>(g_.seriesSize, 1);
    std::string error;
    if (!format_.Parse(g_.options.valueFormat, error)) format_ = ValueFormat();
    ticks_ = NiceValueTicks(Range());

    std::int64_t top = kMargin;
    std::int64_t bottom = height_ - kMargin;
    if (!g_.chartTitle.empty()) {
      const ScopedFont font(s_, Font::Sans(kTitleCell, true));
      Text(kMargin, top, FitText(s_, g_.chartTitle, width_ - 2 * kMargin), colors_.title);
      top += kTitleCell + kTitleGap;
    }
    const LegendPosition where = g_.options.legendPosition;
    if (sets_ > 1 && where != LegendPosition::kNone) {
      const bool column = where == LegendPosition::kRight;
      const std::int64_t most =
          column ? (bottom - top + kLegendRowGap) / (kLabelCell + kLegendRowGap)
                 : (height_ / kLegendHeightShare + kLegendRowGap) / (kLabelCell + kLegendRowGap);
      const std::int64_t rows = LegendRows(column, std::max<std::int64_t>(most, 1));
      const std::int64_t extent = rows * kLabelCell + (rows - 1) * kLegendRowGap;
      if (column) {
        legendLeft_ = width_ - kMargin - legendWidth_;
        DrawLegend(legendLeft_, top);
      } else if (where == LegendPosition::kBottom) {
        bottom -= extent + kLegendGap;
        DrawLegend(kMargin, bottom + kLegendGap);
      } else {
        DrawLegend(kMargin, top);
        top += extent + kLegendGap;
      }
    }
    // The top tick's label stands half a cell above the plot; value labels
    // above the tallest bar need a cell more.
    plotTop_ = top + kLabelCell / 2;
    if (g_.options.showValues) plotTop_ += kLabelCell + kValueLabelGap;

    std::int64_t left = kMargin;
    if (!g_.yAxisLabel.empty()) left += kLabelCell + kAxisTitleGap;
    std::vector<std::string> tickTexts;
    std::int64_t widestTick = 0;
    {
      const ScopedFont font(s_, Font::Sans(kLabelCell));
      for (std::int32_t i = 0; i < ticks_.count; ++i) {
        tickTexts.push_back(format_.FormatTick(ticks_, i));
        widestTick = std::max<std::int64_t>(widestTick, s_.GetTextExtent(tickTexts.back()));
      }
    }
    plotLeft_ = left + widestTick + kTickLabelGap;
    plotRight_ = legendLeft_ < width_ ? legendLeft_ - kLegendGap : width_ - kMargin;
    if (!g_.xAxisLabel.empty()) bottom -= kLabelCell + kAxisTitleGap;
    const std::int64_t xTitleTop = bottom + kAxisTitleGap;
    if (plotRight_ - plotLeft_ < kMinPlotSide) return Fail();
    pitch_ = static_cast<double>(plotRight_ - plotLeft_) /
             static_cast<double>(std::max<std::int64_t>(categories_, 1));
    plotBottom_ = bottom - CategoryBand(bottom - plotTop_) - kCategoryGap;
    if (plotBottom_ - plotTop_ < kMinPlotSide) return Fail();
    g_.plotLeftX = I32(plotLeft_);
    g_.plotBaseY = I32(plotBottom_);
    g_.plotWidth = I32(plotRight_ - plotLeft_);
    g_.plotHeight = I32(plotBottom_ - plotTop_);

    DrawAxisTitles(left, xTitleTop);
    DrawGrid(tickTexts);
    DrawCategoryLabels();
    if (bars_) {
      DrawBars();
    } else {
      DrawLines();
    }
    DrawBaseLine();
    if (g_.options.showValues) DrawValueLabels();
    return true;
  }

 private:
  bool Fail() {
    g_.SetErrorText(kNoRoom);
    return false;
  }

  // The values drawn: slot j of every series, j below seriesSize.
  [[nodiscard]] ValueRange Range() const noexcept {
    ValueRange range;
    range.includeZero = bars_;
    bool any = false;
    for (const auto& series : g_.seriesList) {
      for (const CGraphDataSet& point : series->dataList) {
        const auto v = static_cast<double>(point.GetYValue());
        if (!std::isfinite(v)) continue;
        range.dataMin = any ? std::min(range.dataMin, v) : v;
        range.dataMax = any ? std::max(range.dataMax, v) : v;
        any = true;
      }
    }
    if (!std::isnan(g_.options.valueAxisMin)) range.fixedMin = g_.options.valueAxisMin;
    if (!std::isnan(g_.options.valueAxisMax)) range.fixedMax = g_.options.valueAxisMax;
    return range;
  }

  // Pixel row of `value`, clamped to the axis's ends.
  [[nodiscard]] double Y(double value) const noexcept {
    const double v = std::clamp(value, ticks_.low, ticks_.high);
    const double share = (v - ticks_.low) / (ticks_.high - ticks_.low);
    return static_cast<double>(plotBottom_) - share * static_cast<double>(plotBottom_ - plotTop_);
  }

  [[nodiscard]] double CategoryCentre(std::int64_t c) const noexcept {
    return static_cast<double>(plotLeft_) + (static_cast<double>(c) + 0.5) * pitch_;
  }

  [[nodiscard]] double Value(std::int64_t category, std::int64_t set) const noexcept {
    return static_cast<double>(g_.seriesList[static_cast<std::size_t>(category)]->GetDataValue(
        static_cast<std::uint32_t>(set)));
  }

  [[nodiscard]] std::string LegendText(std::int64_t set) const {
    std::string text = g_.legend.GetLegendText(static_cast<int>(set));
    return text.empty() ? "Series " + std::to_string(set + 1) : text;
  }

  // Draws `text` with its cell's top-left at (x, y) and keeps its box.
  void Text(std::int64_t x, std::int64_t y, const std::string& text, COLORREF color) {
    if (text.empty()) return;
    const std::int64_t w = s_.GetTextExtent(text);
    const std::int64_t h = s_.GetTextMetrics().height;
    const bool upward = s_.CurrentFont().escapement == kEscapementUpward;
    placed_.push_back(upward ? TextBox{x, y - w, x + h, y} : TextBox{x, y, x + w, y + h});
    s_.SetTextColor(color);
    s_.TextOut(I32(x), I32(y), text);
  }

  // Lays the legend's items into rows across the canvas, or one to a row in
  // a column of at most a quarter of the width; returns the rows kept (those
  // past `mostRows` are left off). Sets legendWidth_.
  std::int64_t LegendRows(bool column, std::int64_t mostRows) {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    const std::int64_t swatch = bars_ ? kSwatchSide : kSwatchLine;
    const std::int64_t room = column ? width_ / kLegendWidthShare : width_ - 2 * kMargin;
    std::int64_t x = 0;
    std::int64_t row = 0;
    for (std::int64_t j = 0; j < sets_; ++j) {
      std::string text = FitText(s_, LegendText(j), room - swatch - kSwatchGap);
      const std::int64_t w = swatch + kSwatchGap + s_.GetTextExtent(text);
      if (x > 0 && (column || x + w > room)) {
        x = 0;
        ++row;
      }
      if (row >= mostRows) return mostRows;
      legend_.push_back({x, row, std::move(text)});
      legendWidth_ = std::max(legendWidth_, x + w);
      x += w + kLegendItemGap;
    }
    return row + 1;
  }

  void DrawLegend(std::int64_t left, std::int64_t top) {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    for (std::size_t j = 0; j < legend_.size(); ++j) {
      const LegendItem& item = legend_[j];
      const COLORREF color = g_.GetColor(static_cast<int>(j));
      const std::int64_t x = left + item.x;
      const std::int64_t y = top + item.row * (kLabelCell + kLegendRowGap);
      const std::int64_t middle = y + kLabelCell / 2;
      if (bars_) {
        s_.FillSolidRect(I32(x), I32(middle - kSwatchSide / 2), I32(kSwatchSide), I32(kSwatchSide),
                         color);
      } else {
        const ScopedPen pen(s_, Pen{kLinePen.width, color, true});
        s_.MoveTo(I32(x + 1), I32(middle));
        s_.LineTo(I32(x + kSwatchLine - 1), I32(middle));
      }
      s_.SetBkColor(colors_.background);
      Text(x + (bars_ ? kSwatchSide : kSwatchLine) + kSwatchGap, y, item.text, colors_.title);
    }
  }

  // Chooses how the category labels go under a plot at most `room` pixels
  // tall with its labels: across when the widest fits its category, else
  // upward (every stride-th where even a cell is too wide); returns their band.
  std::int64_t CategoryBand(std::int64_t room) {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    std::int64_t widest = 0;
    for (const auto& series : g_.seriesList) {
      widest = std::max<std::int64_t>(widest, s_.GetTextExtent(series->seriesLabel));
    }
    if (widest == 0) return 0;
    if (static_cast<double>(widest + kLabelSpacing) <= pitch_) return kLabelCell;
    upward_ = true;
    stride_ = std::max<std::int64_t>(static_cast<std::int64_t>(std::ceil(
                                         static_cast<double>(kLabelCell + kLabelSpacing) / pitch_)),
                                     1);
    band_ = std::clamp<std::int64_t>(
        widest, 0, std::max<std::int64_t>(std::min(room / 2, height_ / kRotatedShare), 0));
    return band_;
  }

  void DrawCategoryLabels() {
    const std::int64_t top = plotBottom_ + kCategoryGap;
    const ScopedFont font(s_, Font::Sans(kLabelCell, false, upward_ ? kEscapementUpward : 0));
    for (std::int64_t c = 0; c < categories_; c += stride_) {
      const std::string& label = g_.seriesList[static_cast<std::size_t>(c)]->seriesLabel;
      const double centre = CategoryCentre(c);
      if (upward_) {
        const std::string text = FitText(s_, label, band_);
        Text(Round(centre) - kLabelCell / 2, top + s_.GetTextExtent(text), text, colors_.text);
      } else {
        const std::int64_t w = s_.GetTextExtent(label);
        Text(Round(centre - static_cast<double>(w) / 2), top, label, colors_.text);
      }
    }
  }

  void DrawAxisTitles(std::int64_t left, std::int64_t xTitleTop) {
    if (!g_.xAxisLabel.empty()) {
      const ScopedFont font(s_, Font::Sans(kLabelCell));
      const std::string text = FitText(s_, g_.xAxisLabel, plotRight_ - plotLeft_);
      const std::int64_t w = s_.GetTextExtent(text);
      Text((plotLeft_ + plotRight_ - w) / 2, xTitleTop, text, colors_.text);
    }
    if (!g_.yAxisLabel.empty()) {
      const ScopedFont font(s_, Font::Sans(kLabelCell, false, kEscapementUpward));
      const std::string text = FitText(s_, g_.yAxisLabel, plotBottom_ - plotTop_);
      const std::int64_t w = s_.GetTextExtent(text);
      Text(left - kLabelCell - kAxisTitleGap, (plotTop_ + plotBottom_ + w) / 2, text, colors_.text);
    }
  }

  // Gridlines at every tick, labels at every tick the height has room for
  // (the top one always).
  void DrawGrid(const std::vector<std::string>& texts) {
    const double distance =
        ticks_.step * static_cast<double>(plotBottom_ - plotTop_) / (ticks_.high - ticks_.low);
    const std::int64_t stride = std::max<std::int64_t>(
        static_cast<std::int64_t>(
            std::ceil(static_cast<double>(kLabelCell + 2) / std::max(distance, 1e-9))),
        1);
    {
      const ScopedPen pen(s_, Pen{1, colors_.grid});
      for (std::int32_t i = 0; i < ticks_.count; ++i) {
        const std::int64_t y = Round(Y(ticks_.Tick(i)));
        s_.MoveTo(I32(plotLeft_), I32(y));
        s_.LineTo(I32(plotRight_), I32(y));
      }
    }
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    for (std::int32_t i = ticks_.count - 1; i >= 0;
         i -= static_cast<std::int32_t>(std::min<std::int64_t>(stride, INT32_MAX))) {
      const std::int64_t y = Round(Y(ticks_.Tick(i)));
      const std::int64_t w = s_.GetTextExtent(texts[static_cast<std::size_t>(i)]);
      Text(plotLeft_ - kTickLabelGap - w, y - kLabelCell / 2, texts[static_cast<std::size_t>(i)],
           colors_.text);
    }
  }

  // The line the bars grow from: zero, or the axis end nearest it.
  void DrawBaseLine() {
    const ScopedPen pen(s_, Pen{1, colors_.axis});
    const std::int64_t y = Round(Y(0.0));
    s_.MoveTo(I32(plotLeft_), I32(y));
    s_.LineTo(I32(plotRight_), I32(y));
  }

  // A bar's left edge and width for set j of category c.
  void BarExtent(std::int64_t c, std::int64_t j, double& left, double& width) const noexcept {
    const double share = sets_ == 1 ? kSingleBarShare : kGroupBarShare;
    const double group = pitch_ * share;
    double gap = static_cast<double>(kGroupBarGap);
    width = (group - gap * static_cast<double>(sets_ - 1)) / static_cast<double>(sets_);
    if (width < 1.0) {
      gap = 0.0;
      width = group / static_cast<double>(sets_);
    }
    left = CategoryCentre(c) - group / 2 + static_cast<double>(j) * (width + gap);
  }

  void DrawBars() {
    const double base = Y(0.0);
    for (std::int64_t c = 0; c < categories_; ++c) {
      for (std::int64_t j = 0; j < sets_; ++j) {
        const double v = Value(c, j);
        if (!std::isfinite(v)) continue;
        double left = 0.0;
        double w = 0.0;
        BarExtent(c, j, left, w);
        const std::int64_t l = Round(left);
        const std::int64_t r = std::max(Round(left + w), l + 1);
        const std::int64_t y0 = Round(base);
        const std::int64_t y1 = Round(Y(v));
        if (y0 == y1) continue;
        s_.FillSolidRect(I32(l), I32(std::min(y0, y1)), I32(r - l), I32(std::abs(y1 - y0)),
                         g_.GetColor(static_cast<int>(j)));
      }
    }
    s_.SetBkColor(colors_.background);
  }

  void DrawLines() {
    const bool markers = pitch_ >= static_cast<double>(kMarkerMinPitch);
    for (std::int64_t j = 0; j < sets_; ++j) {
      const COLORREF color = g_.GetColor(static_cast<int>(j));
      {
        const ScopedPen pen(s_, Pen{kLinePen.width, color, true});
        bool drawing = false;
        for (std::int64_t c = 0; c < categories_; ++c) {
          const double v = Value(c, j);
          if (!std::isfinite(v)) {
            drawing = false;
            continue;
          }
          const std::int32_t x = I32(Round(CategoryCentre(c)));
          const std::int32_t y = I32(Round(Y(v)));
          if (drawing) {
            s_.LineTo(x, y);
          } else {
            s_.MoveTo(x, y);
          }
          drawing = true;
        }
      }
      if (!markers) continue;
      const FaceColor face(s_, color);
      for (std::int64_t c = 0; c < categories_; ++c) {
        const double v = Value(c, j);
        if (!std::isfinite(v)) continue;
        const std::int64_t x = Round(CategoryCentre(c));
        const std::int64_t y = Round(Y(v));
        s_.Ellipse(I32(x - kMarkerRadius), I32(y - kMarkerRadius), I32(x + kMarkerRadius + 1),
                   I32(y + kMarkerRadius + 1));
      }
    }
  }

  // A label over each bar end (under a negative one) or marker, where it
  // fits its bar's width and meets no other text; the rest are left off.
  void DrawValueLabels() {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    // A line's labels keep off every point's marker.
    std::vector<TextBox> points;
    for (std::int64_t c = 0; !bars_ && c < categories_; ++c) {
      for (std::int64_t j = 0; j < sets_; ++j) {
        const std::int64_t x = Round(CategoryCentre(c));
        const std::int64_t y = Round(Y(Value(c, j)));
        points.push_back(
            {x - kMarkerRadius, y - kMarkerRadius, x + kMarkerRadius + 1, y + kMarkerRadius + 1});
      }
    }
    for (std::int64_t c = 0; c < categories_; ++c) {
      for (std::int64_t j = 0; j < sets_; ++j) {
        const double v = Value(c, j);
        if (!std::isfinite(v)) continue;
        const std::string text = format_.Format(v);
        const std::int64_t w = s_.GetTextExtent(text);
        // A lone bar's or a point's label may take its category's width, a
        // grouped bar's its own.
        double x = CategoryCentre(c);
        double room = pitch_ - static_cast<double>(kLabelSpacing);
        if (bars_ && sets_ > 1) {
          double left = 0.0;
          BarExtent(c, j, left, room);
          room += static_cast<double>(kGroupBarGap);
          x = left + room / 2;
        }
        if (static_cast<double>(w) > room) continue;
        const std::int64_t end = Round(Y(v));
        const std::int64_t lift = bars_ ? kValueLabelGap : kValueLabelGap + kMarkerRadius;
        const std::int64_t left = Round(x - static_cast<double>(w) / 2);
        const auto clear = [&](const TextBox& box) {
          const auto meets = [&](const TextBox& o) { return o.Meets(box); };
          return box.l >= 0 && box.t >= 0 && box.r <= width_ && box.b <= height_ &&
                 std::none_of(placed_.begin(), placed_.end(), meets) &&
                 std::none_of(points.begin(), points.end(), meets);
        };
        // Above the value (below a negative bar's); a point's label goes
        // below it when above is taken.
        const bool under = bars_ && v < 0.0;
        TextBox box{left, under ? end + lift : end - lift - kLabelCell, left + w, 0};
        box.b = box.t + kLabelCell;
        if (!clear(box) && !bars_) box = {left, end + lift, left + w, end + lift + kLabelCell};
        if (!clear(box)) continue;
        Text(box.l, box.t, text, colors_.title);
      }
    }
  }

  struct LegendItem {
    std::int64_t x = 0;  // from the left margin
    std::int64_t row = 0;
    std::string text;
  };

  CGraph& g_;
  DrawingSurface& s_;
  ThemeColors colors_;
  bool bars_;
  std::int64_t width_;
  std::int64_t height_;
  std::int64_t categories_ = 0;
  std::int64_t sets_ = 1;
  ValueFormat format_;
  ValueTicks ticks_;
  std::vector<LegendItem> legend_;
  std::int64_t legendWidth_ = 0;         // the widest row of the legend
  std::int64_t legendLeft_ = INT32_MAX;  // a legend column's left edge; none: past the canvas
  std::vector<TextBox> placed_;
  std::int64_t plotLeft_ = 0, plotRight_ = 0, plotTop_ = 0, plotBottom_ = 0;
  std::int64_t band_ = 0;    // length of the upward category labels
  double pitch_ = 1.0;       // pixels per category
  bool upward_ = false;      // category labels run upward
  std::int64_t stride_ = 1;  // every stride-th category is labelled
};

}  // namespace

bool CGraph::DrawsModern() const noexcept {
  return options.theme != Theme::kClassic &&
         (graphType == GraphType::kBar || graphType == GraphType::kLine) && isVertical;
}

bool CGraph::DrawModern(DrawingSurface& surface) { return ModernChart(*this, surface).Draw(); }

}  // namespace tessaloom

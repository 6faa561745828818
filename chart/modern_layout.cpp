// The modern look of flat bar, stacked bar, line and box-whisker charts,
// vertical or horizontal: a layout of its own from measured text, nice value
// ticks, light gridlines along the value axis, bars from zero without
// outlines, 2-pixel lines with round joins, a legend on top without heading or
// box, value labels where they fit. Every text box is kept clear of the others
// and inside the canvas; a text that does not fit is wrapped, turned, cut with
// an ellipsis, thinned out or left off. Nothing drawn for the data leaves the
// plot, whatever fixed ends the value axis has.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chart/box_whisker.h"
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
using modern::kLegendItemGap;
using modern::kLegendRowGap;
using modern::kMargin;
using modern::kNoRoom;
using modern::kSwatchGap;
using modern::kSwatchSide;
using modern::kTitleCell;
using modern::kTitleGap;
using modern::TextBox;
using modern::ThemeColors;

// The layout, in pixels.
constexpr std::int64_t kLegendGap = 10;       // legend rows to the plot (or to the edge)
constexpr std::int64_t kSwatchLine = 16;      // a line legend's stroke
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
// A legend on top or below takes at most 1/4 of the height.
constexpr std::int64_t kLegendHeightShare = 4;
constexpr std::int64_t kLegendWidthShare = 4;  // a legend column: at most 1/4 of the width
constexpr std::int64_t kRotatedShare = 3;      // rotated labels take at most 1/3 of the height
constexpr std::int64_t kWrapLines = 2;         // wrapped category labels: at most this many lines
constexpr std::int64_t kCategoryShare = 3;     // labels left of a horizontal plot: at most 1/3 wide
// Plot bottom to a horizontal chart's tick labels: clear of the half cell the
// last category label may stand below the plot.
constexpr std::int64_t kValueTickGap = kLabelCell / 2 + 2;
constexpr std::int64_t kSegmentGap = 1;      // background between stacked segments
constexpr std::int64_t kSegmentPadding = 2;  // a segment's value label to its edges
constexpr double kBoxShare = 0.5;            // share of a category a box covers
constexpr double kCapShare = 0.5;            // whisker caps: share of the box's thickness
constexpr double kBoxTint = 0.6;             // a box's fill: its colour this far to the background
constexpr Pen kLinePen{2, 0, true};          // the colour is the line's
constexpr Pen kWhiskerPen{1, 0};             // in the box's colour
constexpr Pen kMedianPen{2, 0};              // in the box's colour
// Value labels inside stacked segments: whichever reads better on the fill.
constexpr COLORREF kLightSegmentText = 0xFFFFFF;
constexpr COLORREF kDarkSegmentText = 0x1E1E1E;

std::int32_t I32(std::int64_t v) noexcept { return SaturateToInt32(v); }
std::int64_t Round(double v) noexcept {
  return std::isnan(v) ? 0 : std::llround(std::clamp(v, -1e15, 1e15));
}

// What a modern chart draws along its categories.
enum class Kind : std::uint8_t {
  kBars,     // bars side by side, one per set
  kStacked,  // one stack per category: positives up from zero, negatives down
  kLines,    // one line per set
  kBoxes,    // one box plot per category (a series' five-number summary)
};

Kind KindOf(GraphType type) noexcept {
  switch (type) {
    case GraphType::kStackedBar: return Kind::kStacked;
    case GraphType::kLine: return Kind::kLines;
    case GraphType::kBoxWhisker: return Kind::kBoxes;
    default: return Kind::kBars;
  }
}

// How the category labels under a vertical chart go.
enum class LabelMode : std::uint8_t { kAcross, kWrapped, kUpward };

// `a` moved `share` of the way to `b`, channel by channel.
COLORREF Mix(COLORREF a, COLORREF b, double share) noexcept {
  const auto channel = [&](int shift) {
    const double x = static_cast<double>((a >> shift) & 0xFF);
    const double y = static_cast<double>((b >> shift) & 0xFF);
    return static_cast<COLORREF>(std::lround(x + (y - x) * share)) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

// Relative luminance (0 black to 1 white) of an sRGB colour.
double Luminance(COLORREF c) noexcept {
  const auto linear = [&](int shift) {
    const double v = static_cast<double>((c >> shift) & 0xFF) / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(0) + 0.7152 * linear(8) + 0.0722 * linear(16);
}

// White or near-black, whichever reads better on `fill`.
COLORREF TextOn(COLORREF fill) noexcept {
  const double l = Luminance(fill);
  const double onWhite = 1.05 / (l + 0.05);
  const double onDark = (l + 0.05) / (Luminance(kDarkSegmentText) + 0.05);
  return onWhite >= onDark ? kLightSegmentText : kDarkSegmentText;
}

class ModernChart {
 public:
  ModernChart(CGraph& graph, DrawingSurface& surface) noexcept
      : g_(graph),
        s_(surface),
        colors_(modern::ColorsOf(graph.options.theme)),
        kind_(KindOf(graph.graphType)),
        bars_(kind_ != Kind::kLines),
        vertical_(graph.DrawsVertically()),
        width_(graph.graphWidth),
        height_(graph.graphHeight) {}

  bool Draw() {
    const ScopedBkColor background(s_, colors_.background);
    s_.FillSolidRect(0, 0, I32(width_), I32(height_), colors_.background);
    s_.SetBkColor(colors_.background);
    g_.canvasWidth = I32(width_);
    g_.canvasHeight = I32(height_);
    categories_ = static_cast<std::int64_t>(g_.seriesList.size());
    sets_ = kind_ == Kind::kBoxes ? 1 : std::max<std::int64_t>(g_.seriesSize, 1);
    if (kind_ == Kind::kBoxes) {
      for (const auto& series : g_.seriesList) {
        boxes_.push_back(series->GetDataCount() > 0 ? std::optional(Summarize(*series))
                                                    : std::nullopt);
      }
    }
    std::string error;
    if (!format_.Parse(g_.options.valueFormat, error)) format_ = ValueFormat();
    ticks_ = NiceValueTicks(Range());
    sideTitle_ = vertical_ ? g_.yAxisLabel : g_.xAxisLabel;
    bottomTitle_ = vertical_ ? g_.xAxisLabel : g_.yAxisLabel;

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
    if (!bottomTitle_.empty()) {
      bottom -= kLabelCell + kAxisTitleGap;
      bottomTitleTop_ = bottom + kAxisTitleGap;
    }

    std::vector<std::string> tickTexts;
    std::int64_t widestTick = 0;
    {
      const ScopedFont font(s_, Font::Sans(kLabelCell));
      for (std::int32_t i = 0; i < ticks_.count; ++i) {
        tickTexts.push_back(format_.FormatTick(ticks_, i));
        widestTick = std::max<std::int64_t>(widestTick, s_.GetTextExtent(tickTexts.back()));
      }
    }
    const bool laidOut = vertical_ ? LayOutVertical(top, bottom, widestTick)
                                   : LayOutHorizontal(top, bottom, widestTick);
    if (!laidOut) return Fail();
    g_.plotLeftX = I32(plotLeft_);
    g_.plotBaseY = I32(plotBottom_);
    g_.plotWidth = I32(plotRight_ - plotLeft_);
    g_.plotHeight = I32(plotBottom_ - plotTop_);

    DrawAxisTitles();
    DrawGrid(tickTexts, widestTick);
    DrawCategoryLabels();
    switch (kind_) {
      case Kind::kBars: DrawBars(); break;
      case Kind::kStacked: DrawStacks(); break;
      case Kind::kLines: DrawLines(); break;
      case Kind::kBoxes: DrawBoxes(); break;
    }
    DrawBaseLine();
    if (g_.options.showValues && ValuesAtEnds()) DrawValueLabels();
    return true;
  }

 private:
  bool Fail() {
    g_.SetErrorText(kNoRoom);
    return false;
  }

  // Value labels beside bar ends and points (stacks label inside their
  // segments, boxes not at all).
  [[nodiscard]] bool ValuesAtEnds() const noexcept {
    return kind_ == Kind::kBars || kind_ == Kind::kLines;
  }

  // The right edge of what the plot and its labels may take.
  [[nodiscard]] std::int64_t RightEdge() const noexcept {
    return legendLeft_ < width_ ? legendLeft_ - kLegendGap : width_ - kMargin;
  }

  // Ticks on the left, categories below, values upward.
  bool LayOutVertical(std::int64_t top, std::int64_t bottom, std::int64_t widestTick) {
    // The top tick's label stands half a cell above the plot; value labels
    // above the tallest bar need a cell more.
    plotTop_ = top + kLabelCell / 2;
    if (g_.options.showValues && ValuesAtEnds()) plotTop_ += kLabelCell + kValueLabelGap;
    const std::int64_t left = kMargin + (sideTitle_.empty() ? 0 : kLabelCell + kAxisTitleGap);
    plotLeft_ = left + widestTick + kTickLabelGap;
    plotRight_ = RightEdge();
    if (plotRight_ - plotLeft_ < kMinPlotSide) return false;
    pitch_ = static_cast<double>(plotRight_ - plotLeft_) /
             static_cast<double>(std::max<std::int64_t>(categories_, 1));
    plotBottom_ = bottom - CategoryBand(bottom - plotTop_) - kCategoryGap;
    // A negative bar's label hangs below its end: a cell more under the plot.
    if (g_.options.showValues && kind_ == Kind::kBars && AnyNegative()) {
      underPlot_ = kLabelCell + kValueLabelGap;
      plotBottom_ -= underPlot_;
    }
    return plotBottom_ - plotTop_ >= kMinPlotSide;
  }

  [[nodiscard]] bool AnyNegative() const noexcept {
    for (std::int64_t c = 0; c < categories_; ++c) {
      for (std::int64_t j = 0; j < sets_; ++j) {
        if (Value(c, j) < 0.0) return true;
      }
    }
    return false;
  }

  // Categories down the left (the first on top), values to the right along
  // the bottom.
  bool LayOutHorizontal(std::int64_t top, std::int64_t bottom, std::int64_t widestTick) {
    // The first and last category labels stand up to half a cell beyond the
    // plot; the tick labels below keep clear of the last one.
    plotTop_ = top + kLabelCell / 2;
    plotBottom_ = bottom - kLabelCell - kValueTickGap;
    if (plotBottom_ - plotTop_ < kMinPlotSide) return false;
    pitch_ = static_cast<double>(plotBottom_ - plotTop_) /
             static_cast<double>(std::max<std::int64_t>(categories_, 1));
    if (pitch_ < static_cast<double>(kLabelCell + kLabelSpacing)) {
      stride_ = static_cast<std::int64_t>(
          std::ceil(static_cast<double>(kLabelCell + kLabelSpacing) / pitch_));
    }
    std::int64_t widest = 0;
    {
      const ScopedFont font(s_, Font::Sans(kLabelCell));
      for (const auto& series : g_.seriesList) {
        widest = std::max<std::int64_t>(widest, s_.GetTextExtent(series->seriesLabel));
      }
    }
    band_ = std::min(widest, width_ / kCategoryShare);
    const std::int64_t left = kMargin + (sideTitle_.empty() ? 0 : kLabelCell + kAxisTitleGap);
    const std::int64_t halfTick = (widestTick + 1) / 2;
    plotLeft_ = std::max(left + band_ + (band_ > 0 ? kTickLabelGap : 0), kMargin + halfTick);
    // Half the last tick label beyond the plot; value labels beyond the
    // bar ends: the plot narrows so that the label of a bar ending at share
    // s of the axis ends at the edge, where that leaves the plot its least.
    const std::int64_t edge = RightEdge();
    plotRight_ = edge - halfTick;
    if (g_.options.showValues && ValuesAtEnds()) {
      const ScopedFont font(s_, Font::Sans(kLabelCell));
      std::int64_t right = plotRight_;
      for (std::int64_t c = 0; c < categories_; ++c) {
        for (std::int64_t j = 0; j < sets_; ++j) {
          const double v = Value(c, j);
          if (!std::isfinite(v) || v < 0.0) continue;
          const double share = (std::min(v, ticks_.high) - ticks_.low) / (ticks_.high - ticks_.low);
          if (share <= 0.0) continue;
          // One pixel more for the rounding of the bar's end.
          const std::int64_t label = s_.GetTextExtent(format_.Format(v)) + ValueLabelGap() + 1;
          const double room = static_cast<double>(edge - plotLeft_ - label) / share;
          right = std::min(right, plotLeft_ + Round(std::floor(room)));
        }
      }
      // Labels that would squeeze the plot away are left off instead.
      if (right - plotLeft_ >= kMinPlotSide) plotRight_ = right;
    }
    return plotRight_ - plotLeft_ >= kMinPlotSide;
  }

  // The values drawn: the points, the stacks' two sums or the boxes' ends.
  [[nodiscard]] ValueRange Range() const noexcept {
    ValueRange range;
    range.includeZero = kind_ == Kind::kBars || kind_ == Kind::kStacked;
    bool any = false;
    const auto add = [&](double v) {
      if (!std::isfinite(v)) return;
      range.dataMin = any ? std::min(range.dataMin, v) : v;
      range.dataMax = any ? std::max(range.dataMax, v) : v;
      any = true;
    };
    if (kind_ == Kind::kStacked) {
      for (std::int64_t c = 0; c < categories_; ++c) {
        double up = 0.0;
        double down = 0.0;
        for (std::int64_t j = 0; j < sets_; ++j) {
          const double v = Value(c, j);
          if (std::isfinite(v)) (v > 0.0 ? up : down) += v;
        }
        add(up);
        add(down);
      }
    } else if (kind_ == Kind::kBoxes) {
      for (const auto& five : boxes_) {
        if (!five) continue;
        add(five->minimum);
        add(five->maximum);
      }
    } else {
      for (const auto& series : g_.seriesList) {
        for (const CGraphDataSet& point : series->dataList) {
          add(static_cast<double>(point.GetYValue()));
        }
      }
    }
    if (!std::isnan(g_.options.valueAxisMin)) range.fixedMin = g_.options.valueAxisMin;
    if (!std::isnan(g_.options.valueAxisMax)) range.fixedMax = g_.options.valueAxisMax;
    return range;
  }

  [[nodiscard]] bool InRange(double value) const noexcept {
    return value >= ticks_.low && value <= ticks_.high;
  }

  // Pixel of `value` along the value axis (a row when vertical, a column
  // when horizontal), clamped to the axis's ends: whatever lies beyond them
  // stops at the plot's edge.
  [[nodiscard]] double Pos(double value) const noexcept {
    const double v = std::clamp(value, ticks_.low, ticks_.high);
    const double share = (v - ticks_.low) / (ticks_.high - ticks_.low);
    return vertical_ ? static_cast<double>(plotBottom_) -
                           share * static_cast<double>(plotBottom_ - plotTop_)
                     : static_cast<double>(plotLeft_) +
                           share * static_cast<double>(plotRight_ - plotLeft_);
  }

  // Middle of category c across the value axis.
  [[nodiscard]] double CategoryCentre(std::int64_t c) const noexcept {
    return static_cast<double>(vertical_ ? plotLeft_ : plotTop_) +
           (static_cast<double>(c) + 0.5) * pitch_;
  }

  // The canvas point `across` on the category axis and `along` on the value axis.
  [[nodiscard]] Point At(double across, double along) const noexcept {
    const std::int32_t a = I32(Round(across));
    const std::int32_t v = I32(Round(along));
    return vertical_ ? Point{a, v} : Point{v, a};
  }

  // Fills from `a0` to `a1` across and `v0` to `v1` along the value axis.
  void Fill(std::int64_t a0, std::int64_t a1, std::int64_t v0, std::int64_t v1, COLORREF color) {
    const std::int64_t lo = std::min(v0, v1);
    const std::int64_t length = std::abs(v1 - v0);
    if (vertical_) {
      s_.FillSolidRect(I32(a0), I32(lo), I32(a1 - a0), I32(length), color);
    } else {
      s_.FillSolidRect(I32(lo), I32(a0), I32(length), I32(a1 - a0), color);
    }
  }

  void Line(Point from, Point to) {
    s_.MoveTo(from.x, from.y);
    s_.LineTo(to.x, to.y);
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

  // Whether `box` lies on the canvas clear of every text drawn and of `more`.
  [[nodiscard]] bool Clear(const TextBox& box, const std::vector<TextBox>& more = {}) const {
    const auto meets = [&](const TextBox& o) { return o.Meets(box); };
    return box.l >= 0 && box.t >= 0 && box.r <= width_ && box.b <= height_ &&
           std::none_of(placed_.begin(), placed_.end(), meets) &&
           std::none_of(more.begin(), more.end(), meets);
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

  // `text` in at most kWrapLines lines no wider than `room`, broken at the
  // space that leaves the longer line shortest; empty when it does not fit.
  std::vector<std::string> Wrap(const std::string& text, std::int64_t room) {
    const std::int64_t whole = s_.GetTextExtent(text);
    if (whole <= room) return {text};
    // Two lines hold at most twice the room and a space's worth: no longer
    // text is measured split by split.
    if (whole > kWrapLines * room + kLabelCell) return {};
    std::vector<std::string> best;
    std::int64_t bestWidth = room + 1;
    for (std::size_t at = text.find(' '); at != std::string::npos; at = text.find(' ', at + 1)) {
      const std::string first = text.substr(0, at);
      const std::string second = text.substr(at + 1);
      if (first.empty() || second.empty()) continue;
      const std::int64_t w =
          std::max<std::int64_t>(s_.GetTextExtent(first), s_.GetTextExtent(second));
      if (w < bestWidth) {
        bestWidth = w;
        best = {first, second};
      }
    }
    return best;
  }

  // Chooses how the category labels go under a vertical plot at most `room`
  // pixels tall with its labels: across when each fits its category, else
  // wrapped into two lines where each then fits, else upward (cut to the
  // band with an ellipsis, every stride-th where even a cell is too wide);
  // returns their band.
  std::int64_t CategoryBand(std::int64_t room) {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    std::int64_t widest = 0;
    for (const auto& series : g_.seriesList) {
      widest = std::max<std::int64_t>(widest, s_.GetTextExtent(series->seriesLabel));
    }
    if (widest == 0) return 0;
    const auto fit = static_cast<std::int64_t>(std::floor(pitch_)) - kLabelSpacing;
    if (widest <= fit) return kLabelCell;
    if (kWrapLines * kLabelCell <= room / 2) {
      std::vector<std::vector<std::string>> lines;
      for (const auto& series : g_.seriesList) {
        lines.push_back(Wrap(series->seriesLabel, fit));
        if (lines.back().empty() && !series->seriesLabel.empty()) break;
      }
      if (std::ssize(lines) == categories_) {
        mode_ = LabelMode::kWrapped;
        wrapped_ = std::move(lines);
        return kWrapLines * kLabelCell;
      }
    }
    mode_ = LabelMode::kUpward;
    stride_ = std::max<std::int64_t>(static_cast<std::int64_t>(std::ceil(
                                         static_cast<double>(kLabelCell + kLabelSpacing) / pitch_)),
                                     1);
    band_ = std::clamp<std::int64_t>(
        widest, 0, std::max<std::int64_t>(std::min(room / 2, height_ / kRotatedShare), 0));
    return band_;
  }

  void DrawCategoryLabels() {
    const bool upward = vertical_ && mode_ == LabelMode::kUpward;
    const ScopedFont font(s_, Font::Sans(kLabelCell, false, upward ? kEscapementUpward : 0));
    const std::int64_t top = plotBottom_ + underPlot_ + kCategoryGap;
    for (std::int64_t c = 0; c < categories_; c += stride_) {
      const std::string& label = g_.seriesList[static_cast<std::size_t>(c)]->seriesLabel;
      const double centre = CategoryCentre(c);
      if (!vertical_) {
        const std::string text = FitText(s_, label, band_);
        Text(plotLeft_ - kTickLabelGap - s_.GetTextExtent(text),
             Round(centre - static_cast<double>(kLabelCell) / 2), text, colors_.text);
      } else if (upward) {
        const std::string text = FitText(s_, label, band_);
        Text(Round(centre) - kLabelCell / 2, top + s_.GetTextExtent(text), text, colors_.text);
      } else {
        const std::vector<std::string> lines = mode_ == LabelMode::kWrapped
                                                   ? wrapped_[static_cast<std::size_t>(c)]
                                                   : std::vector<std::string>{label};
        for (std::size_t i = 0; i < lines.size(); ++i) {
          const std::int64_t w = s_.GetTextExtent(lines[i]);
          Text(Round(centre - static_cast<double>(w) / 2),
               top + static_cast<std::int64_t>(i) * kLabelCell, lines[i], colors_.text);
        }
      }
    }
  }

  // The value title runs upward left of a vertical chart's ticks or under a
  // horizontal chart's; the category title the other way round.
  void DrawAxisTitles() {
    if (!bottomTitle_.empty()) {
      const ScopedFont font(s_, Font::Sans(kLabelCell));
      const std::string text = FitText(s_, bottomTitle_, plotRight_ - plotLeft_);
      const std::int64_t w = s_.GetTextExtent(text);
      Text((plotLeft_ + plotRight_ - w) / 2, bottomTitleTop_, text, colors_.text);
    }
    if (!sideTitle_.empty()) {
      const ScopedFont font(s_, Font::Sans(kLabelCell, false, kEscapementUpward));
      const std::string text = FitText(s_, sideTitle_, plotBottom_ - plotTop_);
      const std::int64_t w = s_.GetTextExtent(text);
      Text(kMargin, (plotTop_ + plotBottom_ + w) / 2, text, colors_.text);
    }
  }

  // Gridlines at every tick, labels at every tick the axis has room for:
  // the top one always on a vertical axis, the first on a horizontal one.
  void DrawGrid(const std::vector<std::string>& texts, std::int64_t widestTick) {
    const double extent =
        static_cast<double>(vertical_ ? plotBottom_ - plotTop_ : plotRight_ - plotLeft_);
    const double distance = ticks_.step * extent / (ticks_.high - ticks_.low);
    const std::int64_t needed = vertical_ ? kLabelCell + 2 : widestTick + kLabelSpacing;
    const auto stride = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        static_cast<std::int64_t>(
            std::ceil(static_cast<double>(needed) / std::max(distance, 1e-9))),
        1, INT32_MAX));
    {
      const ScopedPen pen(s_, Pen{1, colors_.grid});
      for (std::int32_t i = 0; i < ticks_.count; ++i) {
        const double at = Pos(ticks_.Tick(i));
        Line(At(CrossStart(), at), At(CrossEnd(), at));
      }
    }
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    for (std::int32_t k = 0; k < ticks_.count; k += stride) {
      const std::int32_t i = vertical_ ? ticks_.count - 1 - k : k;
      const std::string& text = texts[static_cast<std::size_t>(i)];
      const std::int64_t at = Round(Pos(ticks_.Tick(i)));
      const std::int64_t w = s_.GetTextExtent(text);
      if (vertical_) {
        Text(plotLeft_ - kTickLabelGap - w, at - kLabelCell / 2, text, colors_.text);
      } else {
        Text(at - w / 2, plotBottom_ + kValueTickGap, text, colors_.text);
      }
    }
  }

  // The plot's edges across the value axis.
  [[nodiscard]] double CrossStart() const noexcept {
    return static_cast<double>(vertical_ ? plotLeft_ : plotTop_);
  }
  [[nodiscard]] double CrossEnd() const noexcept {
    return static_cast<double>(vertical_ ? plotRight_ : plotBottom_);
  }

  // The line the bars grow from: zero, or the axis end nearest it.
  void DrawBaseLine() {
    const ScopedPen pen(s_, Pen{1, colors_.axis});
    const double at = Pos(0.0);
    Line(At(CrossStart(), at), At(CrossEnd(), at));
  }

  // A bar's start across the value axis and thickness, for set j of category c.
  void BarExtent(std::int64_t c, std::int64_t j, double& start, double& width) const noexcept {
    const std::int64_t bars = kind_ == Kind::kBars ? sets_ : 1;
    const double share = bars == 1 ? kSingleBarShare : kGroupBarShare;
    const double group = pitch_ * share;
    double gap = static_cast<double>(kGroupBarGap);
    width = (group - gap * static_cast<double>(bars - 1)) / static_cast<double>(bars);
    if (width < 1.0) {
      gap = 0.0;
      width = group / static_cast<double>(bars);
    }
    const std::int64_t slot = kind_ == Kind::kBars ? j : 0;
    start = CategoryCentre(c) - group / 2 + static_cast<double>(slot) * (width + gap);
  }

  void DrawBars() {
    const std::int64_t base = Round(Pos(0.0));
    for (std::int64_t c = 0; c < categories_; ++c) {
      for (std::int64_t j = 0; j < sets_; ++j) {
        const double v = Value(c, j);
        if (!std::isfinite(v)) continue;
        double start = 0.0;
        double w = 0.0;
        BarExtent(c, j, start, w);
        const std::int64_t a0 = Round(start);
        const std::int64_t a1 = std::max(Round(start + w), a0 + 1);
        const std::int64_t end = Round(Pos(v));
        if (end == base) continue;
        Fill(a0, a1, base, end, g_.GetColor(static_cast<int>(j)));
      }
    }
    s_.SetBkColor(colors_.background);
  }

  // Each category's stack: positive values from zero up (right), negative
  // ones from zero down (left), in set order, a background-coloured pixel
  // between neighbouring segments; value labels inside the segments where
  // they fit.
  void DrawStacks() {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    for (std::int64_t c = 0; c < categories_; ++c) {
      double start = 0.0;
      double w = 0.0;
      BarExtent(c, 0, start, w);
      const std::int64_t a0 = Round(start);
      const std::int64_t a1 = std::max(Round(start + w), a0 + 1);
      double sums[2] = {0.0, 0.0};         // above zero, below zero
      bool followers[2] = {false, false};  // a segment already stands on that side
      for (std::int64_t j = 0; j < sets_; ++j) {
        const double v = Value(c, j);
        if (!std::isfinite(v) || v == 0.0) continue;
        const std::size_t side = v > 0.0 ? 0 : 1;
        std::int64_t from = Round(Pos(sums[side]));
        sums[side] += v;
        const std::int64_t to = Round(Pos(sums[side]));
        if (from == to) continue;
        const std::int64_t outward = to > from ? 1 : -1;
        if (followers[side] && std::abs(to - from) > kSegmentGap) from += outward * kSegmentGap;
        followers[side] = true;
        const COLORREF color = g_.GetColor(static_cast<int>(j));
        Fill(a0, a1, from, to, color);
        if (g_.options.showValues) SegmentLabel(v, a0, a1, from, to, color);
      }
    }
    s_.SetBkColor(colors_.background);
  }

  // `v`'s label in the middle of its segment, in the colour that reads best
  // on it, when it fits with a little room to the segment's edges.
  void SegmentLabel(double v, std::int64_t a0, std::int64_t a1, std::int64_t from, std::int64_t to,
                    COLORREF fill) {
    const std::string text = format_.Format(v);
    const std::int64_t w = s_.GetTextExtent(text);
    const std::int64_t across = a1 - a0 - 2 * kSegmentPadding;
    const std::int64_t along = std::abs(to - from) - 2 * kSegmentPadding;
    const std::int64_t textAcross = vertical_ ? w : kLabelCell;
    const std::int64_t textAlong = vertical_ ? kLabelCell : w;
    if (textAcross > across || textAlong > along) return;
    const std::int64_t middleAcross = (a0 + a1) / 2;
    const std::int64_t middleAlong = (from + to) / 2;
    const std::int64_t x = vertical_ ? middleAcross - w / 2 : middleAlong - w / 2;
    const std::int64_t y = vertical_ ? middleAlong - kLabelCell / 2 : middleAcross - kLabelCell / 2;
    s_.SetBkColor(fill);
    Text(x, y, text, TextOn(fill));
  }

  // Each category's line point at set j; a stretch past the axis's ends is
  // cut where it leaves the plot, not flattened along its edge.
  void DrawLines() {
    const bool markers = pitch_ >= static_cast<double>(kMarkerMinPitch);
    for (std::int64_t j = 0; j < sets_; ++j) {
      const COLORREF color = g_.GetColor(static_cast<int>(j));
      {
        const ScopedPen pen(s_, Pen{kLinePen.width, color, true});
        bool drawing = false;  // the pen stands at the previous point
        for (std::int64_t c = 0; c < categories_; ++c) {
          const double v = Value(c, j);
          if (!std::isfinite(v)) {
            drawing = false;
            continue;
          }
          if (c == 0 || !std::isfinite(Value(c - 1, j))) {
            if (InRange(v)) {
              const Point p = At(CategoryCentre(c), Pos(v));
              s_.MoveTo(p.x, p.y);
              drawing = true;
            }
            continue;
          }
          drawing = Segment(c - 1, Value(c - 1, j), c, v, drawing);
        }
      }
      if (!markers) continue;
      const FaceColor face(s_, color);
      for (std::int64_t c = 0; c < categories_; ++c) {
        const double v = Value(c, j);
        if (!std::isfinite(v) || !InRange(v)) continue;
        const Point p = At(CategoryCentre(c), Pos(v));
        s_.Ellipse(p.x - I32(kMarkerRadius), p.y - I32(kMarkerRadius), p.x + I32(kMarkerRadius + 1),
                   p.y + I32(kMarkerRadius + 1));
      }
    }
  }

  // The part of the line from (c0, v0) to (c1, v1) within the axis's range;
  // `joined` says the pen stands at its start. Returns whether it ends at
  // (c1, v1) with the pen there.
  bool Segment(std::int64_t c0, double v0, std::int64_t c1, double v1, bool joined) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double dv = v1 - v0;
    if (dv == 0.0) {
      if (!InRange(v0)) return false;
    } else {
      // Rising, the line enters the range at the low end and leaves it at
      // the high one; falling, the other way round.
      const double atLow = (ticks_.low - v0) / dv;
      const double atHigh = (ticks_.high - v0) / dv;
      t0 = std::max(t0, dv > 0.0 ? atLow : atHigh);
      t1 = std::min(t1, dv > 0.0 ? atHigh : atLow);
    }
    if (t0 > t1) return false;
    const double a0 = CategoryCentre(c0);
    const double a1 = CategoryCentre(c1);
    const Point from = At(a0 + (a1 - a0) * t0, Pos(v0 + dv * t0));
    const Point to = At(a0 + (a1 - a0) * t1, Pos(v0 + dv * t1));
    if (!(joined && t0 == 0.0)) s_.MoveTo(from.x, from.y);
    s_.LineTo(to.x, to.y);
    return t1 == 1.0;
  }

  // Box plots in the modern look: the box between the quartiles in a tint
  // of the first colour, the median across it and the whiskers with their
  // caps in the colour itself; parts beyond the axis's ends are cut off.
  void DrawBoxes() {
    const COLORREF color = g_.GetColor(0);
    const COLORREF tint = Mix(color, colors_.background, kBoxTint);
    for (std::int64_t c = 0; c < categories_; ++c) {
      const auto& five = boxes_[static_cast<std::size_t>(c)];
      if (!five) continue;
      const double centre = CategoryCentre(c);
      const double half = pitch_ * kBoxShare / 2;
      const std::int64_t a0 = Round(centre - half);
      const std::int64_t a1 = std::max(Round(centre + half), a0 + 1);
      const double lowQ = Pos(five->lowerQuartile);
      const double highQ = Pos(five->upperQuartile);
      {
        const ScopedPen pen(s_, Pen{kWhiskerPen.width, color});
        Line(At(centre, Pos(five->minimum)), At(centre, lowQ));
        Line(At(centre, highQ), At(centre, Pos(five->maximum)));
        const double cap = half * kCapShare;
        for (const std::int32_t end : {five->minimum, five->maximum}) {
          if (InRange(end)) Line(At(centre - cap, Pos(end)), At(centre + cap, Pos(end)));
        }
      }
      if (Round(lowQ) != Round(highQ)) Fill(a0, a1, Round(lowQ), Round(highQ), tint);
      if (InRange(five->median)) {
        const ScopedPen pen(s_, Pen{kMedianPen.width, color});
        Line(At(static_cast<double>(a0), Pos(five->median)),
             At(static_cast<double>(std::max(a1 - 1, a0)), Pos(five->median)));
      }
    }
    s_.SetBkColor(colors_.background);
  }

  // Room a value label keeps from its bar end or point.
  [[nodiscard]] std::int64_t ValueLabelGap() const noexcept {
    return bars_ ? kValueLabelGap : kValueLabelGap + kMarkerRadius;
  }

  // A label beyond each bar end (before a negative one) or beside each
  // marker, where it fits its bar's thickness and meets no other text; the
  // rest are left off, as are points beyond the axis's ends.
  void DrawValueLabels() {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    // A line's labels keep off every point's marker.
    std::vector<TextBox> points;
    for (std::int64_t c = 0; !bars_ && c < categories_; ++c) {
      for (std::int64_t j = 0; j < sets_; ++j) {
        const Point p = At(CategoryCentre(c), Pos(Value(c, j)));
        points.push_back({p.x - kMarkerRadius, p.y - kMarkerRadius, p.x + kMarkerRadius + 1,
                          p.y + kMarkerRadius + 1});
      }
    }
    for (std::int64_t c = 0; c < categories_; ++c) {
      for (std::int64_t j = 0; j < sets_; ++j) {
        const double v = Value(c, j);
        if (!std::isfinite(v) || (!bars_ && !InRange(v))) continue;
        // A bar wholly beyond the axis's base end is not drawn, nor labelled.
        if (bars_ && !InRange(v) && Round(Pos(v)) == Round(Pos(0.0))) continue;
        const std::string text = format_.Format(v);
        const std::int64_t w = s_.GetTextExtent(text);
        // A lone bar's or a point's label may take its category's
        // thickness, a grouped bar's its own.
        double middle = CategoryCentre(c);
        double room = pitch_ - static_cast<double>(kLabelSpacing);
        if (bars_ && sets_ > 1) {
          double start = 0.0;
          BarExtent(c, j, start, room);
          room += static_cast<double>(kGroupBarGap);
          middle = start + room / 2;
        }
        if (static_cast<double>(vertical_ ? w : kLabelCell) > room) continue;
        const std::int64_t end = Round(Pos(v));
        const std::int64_t gap = ValueLabelGap();
        // Beyond the bar's end (before a negative bar's); a point's label
        // goes to the other side when the first is taken.
        const bool before = bars_ && v < 0.0;
        TextBox box = ValueBox(before, end, gap, middle, w);
        if (!Clear(box, points) && !bars_) box = ValueBox(true, end, gap, middle, w);
        if (!Clear(box, points)) continue;
        Text(box.l, box.t, text, colors_.title);
      }
    }
  }

  // A value label's box `w` wide beyond the value-axis pixel `end` (before
  // it when `before`: below it upright, left of it lying), centred on
  // `middle` across.
  [[nodiscard]] TextBox ValueBox(bool before, std::int64_t end, std::int64_t gap, double middle,
                                 std::int64_t w) const noexcept {
    if (vertical_) {
      const std::int64_t left = Round(middle - static_cast<double>(w) / 2);
      const std::int64_t t = before ? end + gap : end - gap - kLabelCell;
      return {left, t, left + w, t + kLabelCell};
    }
    const std::int64_t t = Round(middle - static_cast<double>(kLabelCell) / 2);
    const std::int64_t l = before ? end - gap - w : end + gap;
    return {l, t, l + w, t + kLabelCell};
  }

  struct LegendItem {
    std::int64_t x = 0;  // from the left margin
    std::int64_t row = 0;
    std::string text;
  };

  CGraph& g_;
  DrawingSurface& s_;
  ThemeColors colors_;
  Kind kind_;
  bool bars_;      // bars, stacks or boxes: square legend swatches
  bool vertical_;  // values grow upward; false: to the right
  std::int64_t width_;
  std::int64_t height_;
  std::int64_t categories_ = 0;
  std::int64_t sets_ = 1;
  std::vector<std::optional<FiveNumbers>> boxes_;  // by category; none for an empty series
  ValueFormat format_;
  ValueTicks ticks_;
  std::string sideTitle_;    // upward at the left edge
  std::string bottomTitle_;  // under the bottom labels
  std::int64_t bottomTitleTop_ = 0;
  std::vector<LegendItem> legend_;
  std::int64_t legendWidth_ = 0;         // the widest row of the legend
  std::int64_t legendLeft_ = INT32_MAX;  // a legend column's left edge; none: past the canvas
  std::vector<TextBox> placed_;
  std::int64_t plotLeft_ = 0, plotRight_ = 0, plotTop_ = 0, plotBottom_ = 0;
  // Length of upward category labels, or width of those left of a horizontal chart.
  std::int64_t band_ = 0;
  double pitch_ = 1.0;  // pixels per category
  LabelMode mode_ = LabelMode::kAcross;
  std::vector<std::vector<std::string>> wrapped_;  // each category's lines, when wrapped
  std::int64_t stride_ = 1;                        // every stride-th category is labelled
  std::int64_t underPlot_ = 0;  // room under the plot for negative bars' value labels
};

}  // namespace

bool CGraph::DrawsModern() const noexcept {
  return options.theme != Theme::kClassic &&
         (graphType == GraphType::kPie || graphType == GraphType::k3DPie ||
          graphType == GraphType::kBar || graphType == GraphType::kLine ||
          graphType == GraphType::kStackedBar || graphType == GraphType::kBoxWhisker);
}

bool CGraph::DrawModern(DrawingSurface& surface) {
  if (graphType == GraphType::kPie || graphType == GraphType::k3DPie) {
    return DrawModernPie(surface);
  }
  return ModernChart(*this, surface).Draw();
}

}  // namespace tessaloom

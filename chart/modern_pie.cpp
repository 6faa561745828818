// The modern look of pies: each series a pie, centred in its share of
// the canvas and as large as it allows; slices clockwise from the top without
// outlines, parted by thin gaps of the background colour; each slice labelled
// with its name and share where the label fits, in two columns left and right
// of the pie, in the slices' order, pushed apart as little as they need, each
// joined to its slice by a short elbowed leader line. A label that would not
// fit, would meet another or whose leader would cross the pie or another
// leader is left off, and the legend names the slices instead. A 3D pie is
// the same disc seen tilted: an ellipse over a side wall of each front
// slice's colour in shadow, its labels and leaders kept off top and wall.
//
// The data are the classic pie's: slot j of every series is a slice when its
// value is positive; zero, negative (the loader makes those zero) and
// non-finite values have none. Shares are of the slices' sum, so they add up
// to 100 %.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "chart/layout.h"
#include "chart/modern_theme.h"
#include "chart/shading.h"
#include "chart/value_format.h"
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
constexpr std::int64_t kLegendGap = 12;         // legend to the pies
constexpr std::int64_t kLegendWidthShare = 3;   // a legend column: at most 1/3 of the width
constexpr std::int64_t kLegendHeightShare = 4;  // legend rows: at most 1/4 of the height
constexpr std::int64_t kTopLegendRows = 2;      // an automatic legend longer than this goes right
constexpr std::int64_t kPieGap = 24;            // between the cells of neighbouring pies
constexpr std::int64_t kCaptionGap = 6;         // a pie's caption to its labels
constexpr std::int64_t kLeaderStart = 2;        // rim to a leader's start, radially
constexpr std::int64_t kElbow = 10;             // rim to a leader's bend, radially
constexpr std::int64_t kLeaderRun = 14;         // pie's side to the label columns' leader ends
constexpr std::int64_t kLeaderGap = 4;          // leader's end to its text
constexpr std::int64_t kLabelSpacing = 2;       // between labels stacked in a column
constexpr std::int64_t kMinRadius = 12;         // a smaller pie fails the chart
constexpr std::int64_t kThinGapRadius = 40;     // smaller pies part their slices by 1 px, not 2
// Labels may shrink a pie to this share of the radius its cell allows;
// labels that still do not fit are left off.
constexpr double kLeastRadiusShare = 0.6;
// The radial Pie is given runs through a point this far out, so that whole
// pixels hold its direction to a small fraction of a degree.
constexpr double kFarRadius = 16384.0;
// Shares are shown in whole percent, or tenths when a slice would show 0.
constexpr int kMostShareDecimals = 1;
constexpr double kQuarterTurn = 0.25;  // the right, as a fraction of the circle from the top
// A 3D pie: its top's height to its width (the disc seen from about 37
// degrees above), its wall's height as a share of the radius, and the most
// points along an arc of its top's rim that bounds a wall.
constexpr double kTilt = 0.6;
constexpr double kWallShare = 0.2;
constexpr std::int64_t kArcPoints = 90;  // for the whole front half
// A leader is tried for meeting a 3D pie at this many points at most.
constexpr std::int64_t kMostLeaderSamples = 4096;

std::int32_t I32(std::int64_t v) noexcept { return SaturateToInt32(v); }
std::int64_t Round(double v) noexcept { return std::llround(std::clamp(v, -1e15, 1e15)); }

// Screen direction of `turn` (a fraction of the circle clockwise from the top).
double Dx(double turn) noexcept { return std::sin(turn * 2 * std::numbers::pi); }
double Dy(double turn) noexcept { return -std::cos(turn * 2 * std::numbers::pi); }

struct Segment {
  double x0, y0, x1, y1;
};

// Whether two segments cross or touch, endpoints shared by one polyline aside.
bool Cross(const Segment& a, const Segment& b) noexcept {
  const auto side = [](double ax, double ay, double bx, double by, double px, double py) {
    const double v = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    return (v > 0) - (v < 0);
  };
  const int d1 = side(a.x0, a.y0, a.x1, a.y1, b.x0, b.y0);
  const int d2 = side(a.x0, a.y0, a.x1, a.y1, b.x1, b.y1);
  const int d3 = side(b.x0, b.y0, b.x1, b.y1, a.x0, a.y0);
  const int d4 = side(b.x0, b.y0, b.x1, b.y1, a.x1, a.y1);
  return d1 * d2 < 0 && d3 * d4 < 0;
}

// Distance from (px, py) to the segment.
double DistanceTo(const Segment& s, double px, double py) noexcept {
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  const double length = dx * dx + dy * dy;
  const double t =
      length > 0 ? std::clamp(((px - s.x0) * dx + (py - s.y0) * dy) / length, 0.0, 1.0) : 0.0;
  return std::hypot(s.x0 + t * dx - px, s.y0 + t * dy - py);
}

struct Slice {
  std::int32_t slot = 0;
  double value = 0.0;
  double start = 0.0;  // turns from the top, clockwise
  double end = 0.0;
  std::string share;  // "42%"
};

struct Label {
  std::size_t slice = 0;
  std::string text;  // drawn: `named` or `bare`
  std::int64_t width = 0;
  std::string named, bare;  // with the slot's name, and without
  std::int64_t namedWidth = 0, bareWidth = 0;
  bool right = true;  // in the column right of the pie
  bool shown = true;
  std::int64_t top = 0;  // the text cell's
  // The leader's start by the rim and its bend, in whole pixels; the row
  // its slice's middle asks for; the direction of that middle.
  double startX = 0, startY = 0, bendX = 0, bendY = 0;
  // its direction on screen (y shortened on a tilted top) from the centre
  // row it leaves from (a 3D pie's front half: its wall's bottom).
  double wantedY = 0, dirX = 0, dirY = 0, fromY = 0;
};

struct Pie {
  std::int32_t series = 0;
  std::vector<Slice> slices;
  std::vector<Label> labels;
  std::string caption;
  std::int64_t cx = 0, cy = 0, r = 0;
  std::int64_t ry = 0, depth = 0;  // the top's vertical radius, the wall's height
  std::int64_t captionTop = 0;
  std::int64_t cellLeft = 0, cellRight = 0;  // the caption keeps within the pie's cell
  // The top's height to its width, as drawn.
  [[nodiscard]] double Tilt() const noexcept {
    return r > 0 ? static_cast<double>(ry) / static_cast<double>(r) : 1.0;
  }
};

// Shares of `slices` in percent, rounded to whole percent (tenths when a
// slice would show 0, "<0.1%" below that) by largest remainders so that
// they add up to 100.
void WriteShares(std::vector<Slice>& slices, double total) {
  if (slices.empty()) return;
  int decimals = 0;
  for (const Slice& s : slices) {
    while (decimals < kMostShareDecimals &&
           s.value / total * 100.0 * std::pow(10.0, decimals) < 1.0) {
      ++decimals;
    }
  }
  const double unit = std::pow(10.0, decimals);
  std::vector<double> exact;
  std::vector<std::int64_t> units;
  std::int64_t given = 0;
  for (const Slice& s : slices) {
    exact.push_back(std::clamp(s.value / total, 0.0, 1.0) * 100.0 * unit);
    units.push_back(static_cast<std::int64_t>(std::floor(exact.back())));
    given += units.back();
  }
  std::vector<std::size_t> order(slices.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return exact[a] - static_cast<double>(units[a]) > exact[b] - static_cast<double>(units[b]);
  });
  const auto whole = static_cast<std::int64_t>(100.0 * unit);
  for (std::size_t k = 0; given < whole && k < order.size(); ++k, ++given) ++units[order[k]];
  for (std::size_t i = 0; i < slices.size(); ++i) {
    if (units[i] == 0) {
      slices[i].share = "<0.1%";
      continue;
    }
    std::string text = std::to_string(units[i] / static_cast<std::int64_t>(unit));
    if (decimals > 0 && units[i] % 10 != 0) text += "." + std::to_string(units[i] % 10);
    slices[i].share = text + "%";
  }
}

class ModernPie {
 public:
  ModernPie(CGraph& graph, DrawingSurface& surface) noexcept
      : g_(graph),
        s_(surface),
        colors_(modern::ColorsOf(graph.options.theme)),
        width_(graph.graphWidth),
        height_(graph.graphHeight),
        solid_(graph.graphType == GraphType::k3DPie) {}

  bool Draw() {
    const ScopedBkColor background(s_, colors_.background);
    s_.FillSolidRect(0, 0, I32(width_), I32(height_), colors_.background);
    s_.SetBkColor(colors_.background);
    g_.canvasWidth = I32(width_);
    g_.canvasHeight = I32(height_);
    std::string error;
    if (!format_.Parse(g_.options.valueFormat, error)) format_ = ValueFormat();
    CollectPies();

    std::int64_t top = kMargin;
    if (!g_.chartTitle.empty()) {
      const ScopedFont font(s_, Font::Sans(kTitleCell, true));
      Text(kMargin, top, FitText(s_, g_.chartTitle, width_ - 2 * kMargin), colors_.title);
      top += kTitleCell + kTitleGap;
    }
    const Area whole{kMargin, top, width_ - kMargin, height_ - kMargin};
    // The legend names the slices when there are several pies, when it is
    // asked for, or when a label had to be left off.
    const LegendPosition where = g_.options.legendPosition;
    bool legend = where != LegendPosition::kNone && !items_.empty() &&
                  (pies_.size() > 1 || where != LegendPosition::kAuto);
    // Labels name their slices unless the legend does.
    if (!legend) {
      if (!LayOut(whole, true)) return Fail();
      legend = where != LegendPosition::kNone && AnyLeftOff();
    }
    if (legend) {
      const Area rest = PlaceLegend(whole);
      if (!LayOut(rest, false)) return Fail();
      DrawLegend();
    }
    for (const Pie& pie : pies_) DrawPie(pie);
    return true;
  }

 private:
  struct Area {
    std::int64_t l = 0, t = 0, r = 0, b = 0;
  };
  struct LegendItem {
    std::int32_t slot = -1;  // -1: "and N more"
    std::int64_t x = 0, row = 0;
    std::string text;
  };

  bool Fail() {
    g_.SetErrorText(kNoRoom);
    return false;
  }

  [[nodiscard]] std::string SlotName(std::int32_t slot) const {
    return g_.legend.GetLegendText(slot);
  }

  // Draws `text` with its cell's top-left at (x, y).
  void Text(std::int64_t x, std::int64_t y, const std::string& text, COLORREF color) {
    if (text.empty()) return;
    s_.SetTextColor(color);
    s_.TextOut(I32(x), I32(y), text);
  }

  // The slices of every series and the legend's items: the slots that are a
  // slice in some pie.
  void CollectPies() {
    const std::int32_t slots = std::max(g_.seriesSize, 0);
    std::vector<bool> used(static_cast<std::size_t>(slots), false);
    const bool several = g_.seriesList.size() > 1;
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    for (std::size_t k = 0; k < g_.seriesList.size(); ++k) {
      const CGraphSeries& series = *g_.seriesList[k];
      Pie pie;
      pie.series = static_cast<std::int32_t>(k);
      pie.caption = series.seriesLabel;
      double total = 0.0;  // of floats: finite
      for (std::int32_t j = 0; j < slots; ++j) {
        const auto v = static_cast<double>(series.GetDataValue(static_cast<std::uint32_t>(j)));
        if (!std::isfinite(v) || !(v > 0.0)) continue;
        pie.slices.push_back({j, v, 0.0, 0.0, {}});
        total += v;
      }
      double running = 0.0;
      for (Slice& s : pie.slices) {
        s.start = running / total;
        running += s.value;
        s.end = std::min(running / total, 1.0);
        used[static_cast<std::size_t>(s.slot)] = true;
      }
      WriteShares(pie.slices, total);
      for (std::size_t i = 0; i < pie.slices.size(); ++i) {
        const Slice& s = pie.slices[i];
        Label label;
        label.slice = i;
        label.bare = s.share;
        if (g_.options.showValues) label.bare += " (" + format_.Format(s.value) + ")";
        const std::string name = several ? std::string() : SlotName(s.slot);
        label.named = name.empty() ? label.bare : name + " " + label.bare;
        label.namedWidth = s_.GetTextExtent(label.named);
        label.bareWidth = s_.GetTextExtent(label.bare);
        pie.labels.push_back(std::move(label));
      }
      pies_.push_back(std::move(pie));
    }
    for (std::int32_t j = 0; j < slots; ++j) {
      if (!used[static_cast<std::size_t>(j)]) continue;
      std::string name = SlotName(j);
      if (name.empty()) name = "Item " + std::to_string(j + 1);
      items_.push_back({j, 0, 0, std::move(name)});
    }
  }

  [[nodiscard]] bool AnyLeftOff() const noexcept {
    for (const Pie& pie : pies_) {
      for (const Label& label : pie.labels) {
        if (!label.shown) return true;
      }
    }
    return false;
  }

  // Lays the legend out in `area` (rows on top or below, or a column on the
  // right) and returns what is left for the pies.
  Area PlaceLegend(const Area& area) {
    LegendPosition where = g_.options.legendPosition;
    const std::int64_t across = area.r - area.l;
    const std::int64_t rowStep = kLabelCell + kLegendRowGap;
    if (where == LegendPosition::kAuto) {
      where = LegendRows(across, INT32_MAX) <= kTopLegendRows ? LegendPosition::kTop
                                                              : LegendPosition::kRight;
    }
    Area rest = area;
    if (where == LegendPosition::kRight) {
      const std::int64_t most =
          std::max<std::int64_t>((area.b - area.t + kLegendRowGap) / rowStep, 1);
      LegendRows(-1, most);
      legendLeft_ = area.r - legendWidth_;
      legendTop_ =
          area.t +
          std::max<std::int64_t>(
              (area.b - area.t - static_cast<std::int64_t>(legend_.size()) * rowStep) / 2, 0);
      rest.r = legendLeft_ - kLegendGap;
      return rest;
    }
    const std::int64_t most =
        std::max<std::int64_t>((height_ / kLegendHeightShare + kLegendRowGap) / rowStep, 1);
    const std::int64_t rows = LegendRows(across, most);
    const std::int64_t extent = rows * kLabelCell + (rows - 1) * kLegendRowGap;
    legendLeft_ = area.l;
    if (where == LegendPosition::kBottom) {
      legendTop_ = area.b - extent;
      rest.b = legendTop_ - kLegendGap;
    } else {
      legendTop_ = area.t;
      rest.t = area.t + extent + kLegendGap;
    }
    return rest;
  }

  // Lays the items into rows `across` pixels wide, or one to a row (across
  // below 0) at most a third of the canvas wide; past `mostRows` rows the
  // last row says how many are left off. Returns the rows.
  std::int64_t LegendRows(std::int64_t across, std::int64_t mostRows) {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    const bool column = across < 0;
    const std::int64_t room = column ? width_ / kLegendWidthShare : across;
    legend_.clear();
    legendWidth_ = 0;
    std::int64_t x = 0, row = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
      LegendItem item = items_[i];
      item.text = FitText(s_, item.text, room - kSwatchSide - kSwatchGap);
      const std::int64_t w = kSwatchSide + kSwatchGap + s_.GetTextExtent(item.text);
      if (x > 0 && (column || x + w > room)) {
        x = 0;
        ++row;
      }
      if (row >= mostRows) {
        // The last row kept gives way to the count of those left off.
        while (!legend_.empty() && legend_.back().row == mostRows - 1) legend_.pop_back();
        const std::size_t more = items_.size() - legend_.size();
        std::string text = FitText(s_, "and " + std::to_string(more) + " more", room);
        legendWidth_ = std::max<std::int64_t>(legendWidth_, s_.GetTextExtent(text));
        legend_.push_back({-1, 0, mostRows - 1, std::move(text)});
        CentreRows(column ? 0 : room);
        return mostRows;
      }
      item.x = x;
      item.row = row;
      legend_.push_back(std::move(item));
      legendWidth_ = std::max(legendWidth_, x + w);
      x += w + kLegendItemGap;
    }
    CentreRows(column ? 0 : room);
    return row + 1;
  }

  // Centres each row in `room` pixels (none for a column).
  void CentreRows(std::int64_t room) {
    if (room <= 0) return;
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    for (std::size_t i = 0; i < legend_.size();) {
      std::size_t end = i;
      std::int64_t right = 0;
      for (; end < legend_.size() && legend_[end].row == legend_[i].row; ++end) {
        const std::int64_t swatch = legend_[end].slot < 0 ? 0 : kSwatchSide + kSwatchGap;
        right = legend_[end].x + swatch + s_.GetTextExtent(legend_[end].text);
      }
      const std::int64_t shift = std::max<std::int64_t>((room - right) / 2, 0);
      for (; i < end; ++i) legend_[i].x += shift;
    }
  }

  void DrawLegend() {
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    for (const LegendItem& item : legend_) {
      const std::int64_t x = legendLeft_ + item.x;
      const std::int64_t y = legendTop_ + item.row * (kLabelCell + kLegendRowGap);
      if (item.slot < 0) {
        Text(x, y, item.text, colors_.text);
        continue;
      }
      s_.FillSolidRect(I32(x), I32(y + (kLabelCell - kSwatchSide) / 2), I32(kSwatchSide),
                       I32(kSwatchSide), g_.GetColor(item.slot));
      s_.SetBkColor(colors_.background);
      Text(x + kSwatchSide + kSwatchGap, y, item.text, colors_.title);
    }
  }

  // Shares `area` among the pies in the grid that gives them the largest
  // radius, and lays each out in its cell. False when a pie gets no room.
  bool LayOut(const Area& area, bool named) {
    const auto count = static_cast<std::int64_t>(pies_.size());
    if (count == 0) return true;
    const std::int64_t w = area.r - area.l, h = area.b - area.t;
    std::int64_t columns = 1;
    double best = -1.0;
    for (std::int64_t c = 1; c <= count; ++c) {
      const std::int64_t rows = (count + c - 1) / c;
      const double cellW = static_cast<double>(w - (c - 1) * kPieGap) / static_cast<double>(c);
      const double cellH =
          static_cast<double>(h - (rows - 1) * kPieGap) / static_cast<double>(rows);
      // Labels stand beside a pie: a cell is worth what a pie half its
      // width's labels would leave.
      const double score = std::min(cellW / 2.0, cellH);
      if (score > best) best = score, columns = c;
    }
    const std::int64_t rows = (count + columns - 1) / columns;
    const std::int64_t cellW = (w - (columns - 1) * kPieGap) / columns;
    const std::int64_t cellH = (h - (rows - 1) * kPieGap) / rows;
    for (std::int64_t k = 0; k < count; ++k) {
      const std::int64_t c = k % columns, row = k / columns;
      // A last row of fewer pies is centred.
      const std::int64_t inRow = std::min(columns, count - row * columns);
      const std::int64_t shift = (columns - inRow) * (cellW + kPieGap) / 2;
      const Area cell{area.l + shift + c * (cellW + kPieGap), area.t + row * (cellH + kPieGap), 0,
                      0};
      if (!LayOutPie(pies_[static_cast<std::size_t>(k)],
                     {cell.l, cell.t, cell.l + cellW, cell.t + cellH}, named)) {
        return false;
      }
    }
    return true;
  }

  // Sizes the pie to leave room beside it for the widest label that fits
  // beside the smallest pie allowed, and places the labels.
  bool LayOutPie(Pie& pie, Area cell, bool named) {
    if (!pie.caption.empty()) {
      pie.captionTop = cell.t;
      cell.t += kLabelCell + kCaptionGap;
    }
    pie.cellLeft = cell.l;
    pie.cellRight = cell.r;
    const std::int64_t w = cell.r - cell.l, h = cell.b - cell.t;
    const std::int64_t largest = std::min(w / 2, Radius(h));
    const auto least = static_cast<std::int64_t>(kLeastRadiusShare * static_cast<double>(largest));
    const std::int64_t leader = kElbow + kLeaderRun + kLeaderGap;
    std::int64_t widest = -1;
    for (Label& label : pie.labels) {
      label.text = named ? label.named : label.bare;
      label.width = named ? label.namedWidth : label.bareWidth;
      label.shown = label.width <= w / 2 - least - leader;
      if (label.shown) widest = std::max(widest, label.width);
    }
    std::int64_t r = largest;
    if (widest >= 0) {
      r = std::min(
          {Radius(h - 2 * kElbow - kLabelCell), std::max(w / 2 - leader - widest, least), largest});
    }
    if (r < kMinRadius && largest >= kMinRadius) {  // the pie before its labels
      for (Label& label : pie.labels) label.shown = false;
      r = largest;
    }
    if (r < kMinRadius) return false;
    pie.r = r;
    pie.ry = solid_ ? Round(static_cast<double>(r) * kTilt) : r;
    pie.depth = solid_ ? Round(static_cast<double>(r) * kWallShare) : 0;
    pie.cx = cell.l + w / 2;
    pie.cy = cell.t + (h - 2 * pie.ry - pie.depth) / 2 + pie.ry;
    PlaceLabels(pie, cell, true);
    PlaceLabels(pie, cell, false);
    return true;
  }

  // Places the labels of one side of the pie in its column: in the order of
  // their slices' middles from top to bottom, each as near its middle's row
  // as the others allow, inside the cell. Labels that do not fit, whose
  // leader would enter the pie or cross another's, are left off (the
  // smallest slices' first) and the rest placed again.
  void PlaceLabels(Pie& pie, const Area& cell, bool right) {
    std::vector<std::size_t> side;
    for (std::size_t i = 0; i < pie.labels.size(); ++i) {
      const Slice& s = pie.slices[pie.labels[i].slice];
      // A lone slice, the whole pie, is labelled at its right.
      const double middle = pie.slices.size() == 1 ? kQuarterTurn : (s.start + s.end) / 2;
      Label& label = pie.labels[i];
      if (!label.shown) continue;
      label.right = Dx(middle) >= 0.0;
      const double bend = static_cast<double>(pie.r + kElbow);
      // On a tilted top a leader starts as far below or above the rim as
      // beside a flat one.
      const double from =
          static_cast<double>(pie.r) + static_cast<double>(kLeaderStart) / pie.Tilt();
      label.dirX = Dx(middle);
      label.dirY = Dy(middle) * pie.Tilt();
      label.fromY = static_cast<double>(pie.cy + (label.dirY > 0.0 ? pie.depth : 0));
      label.startX = std::round(static_cast<double>(pie.cx) + from * label.dirX);
      label.startY = std::round(label.fromY + from * label.dirY);
      label.wantedY = std::round(label.fromY + bend * label.dirY);
      if (label.right == right) side.push_back(i);
    }
    std::stable_sort(side.begin(), side.end(), [&](std::size_t a, std::size_t b) {
      return pie.labels[a].wantedY < pie.labels[b].wantedY;
    });
    const std::int64_t step = kLabelCell + kLabelSpacing;
    const std::int64_t rows = std::max<std::int64_t>((cell.b - cell.t + kLabelSpacing) / step, 0);
    const std::int64_t column =
        right ? pie.cx + pie.r + kElbow + kLeaderRun : pie.cx - pie.r - kElbow - kLeaderRun;
    const auto smallest = [&](const std::vector<std::size_t>& among) {
      return std::min_element(among.begin(), among.end(), [&](std::size_t a, std::size_t b) {
        return pie.slices[pie.labels[a].slice].value < pie.slices[pie.labels[b].slice].value;
      });
    };
    const auto leaveOff = [&](std::vector<std::size_t>& among,
                              std::vector<std::size_t>::const_iterator at) {
      pie.labels[*at].shown = false;
      among.erase(at);
    };
    // Too many for the column's rows, or too wide for the cell.
    std::erase_if(side, [&](std::size_t i) {
      Label& label = pie.labels[i];
      const std::int64_t room = right ? cell.r - column - kLeaderGap : column - kLeaderGap - cell.l;
      if (label.width <= room) return false;
      label.shown = false;
      return true;
    });
    while (static_cast<std::int64_t>(side.size()) > rows) leaveOff(side, smallest(side));

    for (bool clear = false; !clear && !side.empty();) {
      // Rows: down from each wanted row, then up from the cell's bottom.
      std::int64_t previous = cell.t - step;
      for (const std::size_t i : side) {
        Label& label = pie.labels[i];
        const std::int64_t wanted = Round(label.wantedY) - kLabelCell / 2;
        label.top = std::max(wanted, previous + step);
        previous = label.top;
      }
      std::int64_t next = cell.b - kLabelCell + step;
      for (auto it = side.rbegin(); it != side.rend(); ++it) {
        Label& label = pie.labels[*it];
        label.top = std::min(label.top, next - step);
        next = label.top;
      }
      // Leaders: none into the pie, none across another.
      std::vector<std::size_t> bad;
      std::vector<Segment> legs, radials;
      for (const std::size_t i : side) {
        Label& label = pie.labels[i];
        // The leader runs out along the slice's middle to its label's row
        // and across from there, or bends just outside the rim when that
        // row lies inward or past the column.
        const double row = static_cast<double>(label.top + kLabelCell / 2);
        const double cx = static_cast<double>(pie.cx), cy = label.fromY;
        const double out = label.dirY != 0.0 ? (row - cy) / label.dirY : -1.0;
        const double x = cx + out * label.dirX;
        const bool across = out >= static_cast<double>(pie.r + kElbow) &&
                            (right ? x <= static_cast<double>(column - kLeaderGap)
                                   : x >= static_cast<double>(column + kLeaderGap));
        const double bend = across ? out : static_cast<double>(pie.r + kElbow);
        label.bendX = std::round(cx + bend * label.dirX);
        label.bendY = across ? row : std::round(cy + bend * label.dirY);
        radials.push_back({label.startX, label.startY, label.bendX, label.bendY});
        const Segment leg = {label.bendX, label.bendY, static_cast<double>(column), row};
        if (Enters(pie, leg)) bad.push_back(i);
        legs.push_back(leg);
      }
      for (std::size_t a = 0; a < side.size(); ++a) {
        for (std::size_t b = a + 1; b < side.size(); ++b) {
          if (!Cross(legs[a], legs[b]) && !Cross(legs[a], radials[b]) &&
              !Cross(radials[a], legs[b])) {
            continue;
          }
          const bool first = pie.slices[pie.labels[side[a]].slice].value <=
                             pie.slices[pie.labels[side[b]].slice].value;
          bad.push_back(side[first ? a : b]);
        }
      }
      clear = bad.empty();
      if (clear) break;
      // The smallest slice among the faulty gives way; the rest are placed again.
      leaveOff(side, std::find(side.begin(), side.end(), *smallest(bad)));
    }
  }

  // The largest radius of a pie `h` pixels high.
  [[nodiscard]] std::int64_t Radius(std::int64_t h) const noexcept {
    if (!solid_) return h / 2;
    return static_cast<std::int64_t>(std::floor(static_cast<double>(h) / (2 * kTilt + kWallShare)));
  }

  // Whether `leg` comes within kLeaderStart of the pie: of its disc, or of
  // a 3D pie's top and wall, the top's upper half over its lower half moved
  // down by the wall's height.
  [[nodiscard]] bool Enters(const Pie& pie, const Segment& leg) const noexcept {
    const auto cx = static_cast<double>(pie.cx), cy = static_cast<double>(pie.cy);
    if (!solid_) return DistanceTo(leg, cx, cy) < static_cast<double>(pie.r + kLeaderStart);
    const auto rx = static_cast<double>(pie.r + kLeaderStart);
    const auto ry = static_cast<double>(pie.ry + kLeaderStart);
    const auto depth = static_cast<double>(pie.depth);
    const auto steps =
        static_cast<std::int64_t>(std::clamp(std::hypot(leg.x1 - leg.x0, leg.y1 - leg.y0), 1.0,
                                             static_cast<double>(kMostLeaderSamples)));
    for (std::int64_t k = 0; k <= steps; ++k) {
      const double f = static_cast<double>(k) / static_cast<double>(steps);
      const double x = (leg.x0 + f * (leg.x1 - leg.x0) - cx) / rx;
      const double y = leg.y0 + f * (leg.y1 - leg.y0);
      const double below = (y < cy ? y - cy : std::max(y - cy - depth, 0.0)) / ry;
      if (x * x + below * below < 1.0) return true;
    }
    return false;
  }

  // A point on the rim of the pie's top at `turn`, `down` pixels lower.
  [[nodiscard]] Point Rim(const Pie& pie, double turn, std::int64_t down) const noexcept {
    return {I32(pie.cx + Round(static_cast<double>(pie.r) * Dx(turn))),
            I32(pie.cy + down + Round(static_cast<double>(pie.ry) * Dy(turn)))};
  }

  // A 3D pie's wall: under each slice's stretch of the front half of the
  // rim, its colour in shadow, parted as the top is.
  void DrawWall(const Pie& pie) {
    std::vector<Point> points;
    for (const Slice& slice : pie.slices) {
      const double from = std::max(slice.start, kQuarterTurn);
      const double to = std::min(slice.end, 3 * kQuarterTurn);
      if (!(from < to)) continue;
      const std::int64_t steps =
          std::max<std::int64_t>(Round((to - from) / (2 * kQuarterTurn) * kArcPoints), 1);
      points.clear();
      for (std::int64_t k = 0; k <= steps; ++k) {
        const double turn =
            from + (to - from) * static_cast<double>(k) / static_cast<double>(steps);
        points.push_back(Rim(pie, turn, 0));
      }
      for (std::int64_t k = steps; k >= 0; --k) {
        points.push_back({points[static_cast<std::size_t>(k)].x,
                          I32(points[static_cast<std::size_t>(k)].y + pie.depth)});
      }
      s_.FillPolygon(points, Brush{ShadeDarker(g_.GetColor(slice.slot))});
    }
    if (pie.slices.size() < 2) return;
    const ScopedPen pen(s_, Pen{pie.r < kThinGapRadius ? 1 : 2, colors_.background});
    for (const Slice& slice : pie.slices) {
      if (slice.start <= kQuarterTurn || slice.start >= 3 * kQuarterTurn) continue;
      const Point top = Rim(pie, slice.start, 0);
      s_.MoveTo(top.x, top.y);
      s_.LineTo(top.x, I32(top.y + pie.depth + 1));
    }
  }

  // Draws a pie's slices, the gaps between them, its caption and labels.
  void DrawPie(const Pie& pie) {
    const std::int32_t l = I32(pie.cx - pie.r), t = I32(pie.cy - pie.ry);
    const std::int32_t r = I32(pie.cx + pie.r), b = I32(pie.cy + pie.ry);
    const auto far = [&](double turn) {
      return Point{I32(pie.cx + Round(kFarRadius * Dx(turn))),
                   I32(pie.cy + Round(kFarRadius * pie.Tilt() * Dy(turn)))};
    };
    for (const Slice& slice : pie.slices) {
      // Pie runs counter-clockwise on screen: from the slice's end back to its start.
      const Point start = far(slice.end), end = far(slice.start);
      if (start == end && pie.slices.size() > 1) continue;  // too thin to tell its sides apart
      const FaceColor face(s_, g_.GetColor(slice.slot));
      s_.Pie(l, t, r, b, start, end);
    }
    if (pie.slices.size() > 1) {
      const ScopedPen pen(s_, Pen{pie.r < kThinGapRadius ? 1 : 2, colors_.background});
      const double reach = static_cast<double>(pie.r + kLeaderStart);
      for (const Slice& slice : pie.slices) {
        s_.MoveTo(I32(pie.cx), I32(pie.cy));
        s_.LineTo(I32(pie.cx + Round(reach * Dx(slice.start))),
                  I32(pie.cy + Round(reach * pie.Tilt() * Dy(slice.start))));
      }
    }
    if (solid_) DrawWall(pie);
    const ScopedFont font(s_, Font::Sans(kLabelCell));
    if (!pie.caption.empty()) {
      const ScopedFont semibold(s_, Font::Sans(kLabelCell, true));
      const std::string text =
          FitText(s_, pie.caption,
                  std::min(2 * (pie.r + kElbow + kLeaderRun), pie.cellRight - pie.cellLeft));
      const std::int64_t w = s_.GetTextExtent(text);
      Text(std::max(pie.cellLeft, std::min(pie.cx - w / 2, pie.cellRight - w)), pie.captionTop,
           text, colors_.title);
    }
    for (const Label& label : pie.labels) {
      if (!label.shown) continue;
      const std::int64_t row = label.top + kLabelCell / 2;
      const std::int64_t column =
          label.right ? pie.cx + pie.r + kElbow + kLeaderRun : pie.cx - pie.r - kElbow - kLeaderRun;
      {
        const ScopedPen pen(s_, Pen{1, colors_.axis});
        s_.MoveTo(I32(Round(label.startX)), I32(Round(label.startY)));
        s_.LineTo(I32(Round(label.bendX)), I32(Round(label.bendY)));
        s_.LineTo(I32(column), I32(row));
      }
      const std::int64_t x = label.right ? column + kLeaderGap : column - kLeaderGap - label.width;
      Text(x, label.top, label.text, colors_.title);
    }
  }

  CGraph& g_;
  DrawingSurface& s_;
  ThemeColors colors_;
  std::int64_t width_;
  std::int64_t height_;
  bool solid_;  // a 3D pie
  ValueFormat format_;
  std::vector<Pie> pies_;
  std::vector<LegendItem> items_;   // every slot with a slice
  std::vector<LegendItem> legend_;  // the items drawn, placed
  std::int64_t legendWidth_ = 0;
  std::int64_t legendLeft_ = 0, legendTop_ = 0;
};

}  // namespace

bool CGraph::DrawModernPie(DrawingSurface& surface) { return ModernPie(*this, surface).Draw(); }

}  // namespace tessaloom

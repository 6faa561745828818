// The legend box at the right edge of the canvas, vertically centred: a
// "Legend" heading, then one row per category with its text and a colour
// swatch in the colour the drawers give that category. Rows that the canvas
// height cannot hold go on in further columns; the box takes at most a share
// of the canvas width (layout::kTextShare): texts wider than their room are
// cut with an ellipsis, and when even the columns that fit cannot hold every
// row, the last one says how many are left out.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "chart/layout.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

// The legend's layout, in pixels.
constexpr std::int64_t kRightInset = 5;      // box right edge inside canvasWidth
constexpr std::int64_t kRowPitch = 18;       // row to row
constexpr std::int64_t kFirstRowTop = 25;    // box top to the first row: the heading's band
constexpr std::int64_t kBoxExtra = 26;       // box height beyond the rows' pitches
constexpr std::int64_t kTextInset = 5;       // column left to its texts
constexpr std::int64_t kSwatchGap = 5;       // texts to the swatches
constexpr std::int64_t kLeastSwatchGap = 1;  // ... where the estimate's room is kept
constexpr std::int64_t kSwatchInset = 5;     // swatch to the column's right
constexpr std::int64_t kSwatchBase = 10;     // swatch width beyond one pixel per character
constexpr std::int64_t kWidestSwatch = 20;   // a cut legend's swatches are no wider
constexpr std::int64_t kSwatchHeight = 12;   // swatch height, from the row's top
constexpr std::int64_t kNarrowBox = 50;      // a box narrower than this gets kNarrowMargin
constexpr std::int64_t kNarrowMargin = 6;    // box outline outside a narrow box, each side
constexpr std::int64_t kWideMargin = 2;      // box outline outside a wider box, each side
constexpr std::int32_t kHeadingFont = 16;    // heading font height
constexpr std::int64_t kHeadingTop = 3;      // box top to the heading
constexpr std::int64_t kHeadingShift = 5;    // the heading sits this far left of the centre
constexpr double kBoxCharWidth = 0.66;       // box estimate per character: share of font height
constexpr std::int64_t kColumnText = 40;     // no further column when texts get less
constexpr std::int64_t kLeastCutText = 20;   // a legend that cuts texts to less does not fit
constexpr std::int64_t kColumnExtra = kTextInset + kSwatchInset;

// The heading and its characters (all one byte each).
constexpr char kHeading[] = "Legend";
constexpr std::int64_t kHeadingChars = sizeof kHeading - 1;

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) noexcept { return (a + b - 1) / b; }

// The legend as rows (LegendPosition top or bottom), in pixels: entries of a
// swatch and its text side by side, wrapped into rows that are centred on
// the canvas, in a box without heading. Rows past a quarter of the canvas
// height are left out, the last row saying how many entries it lacks.
constexpr std::int64_t kStripInset = 10;    // box to the canvas edges
constexpr std::int64_t kStripPad = 4;       // box to its rows, above and below
constexpr std::int64_t kEntryGap = 15;      // entry to entry along a row
constexpr std::int64_t kStripSwatch = 12;   // swatch width
constexpr std::int64_t kStripRowShare = 4;  // rows take at most 1 / this of the height

// Which entries each row holds: their indices, or -1 for the "and N more" text.
struct StripRows {
  std::vector<std::vector<std::int64_t>> rows;
  std::int64_t textRoom = 0;  // an entry's text is cut to this
  std::string more;
};

std::int64_t EntryWidth(DrawingSurface& surface, const std::string& text, bool swatch) {
  return (swatch ? kStripSwatch + kSwatchGap : 0) + surface.GetTextExtent(text);
}

// The rows of the legend across the canvas, measured in the legend font.
StripRows WrapLegend(const CGraph& graph, DrawingSurface& surface) {
  StripRows strip;
  const std::int64_t items = std::max(graph.seriesSize, 0);
  const std::int64_t room = std::int64_t{graph.canvasWidth} - 2 * kStripInset - 2 * kTextInset;
  strip.textRoom = std::max<std::int64_t>(room - kStripSwatch - kSwatchGap, 0);
  const std::int64_t mostRows =
      std::max<std::int64_t>(graph.canvasHeight / kStripRowShare / kRowPitch, 1);
  const ScopedFont texts(surface, Font::Chart(graph.legendFontHeight));
  std::int64_t used = 0;
  for (std::int64_t i = 0; i < items; ++i) {
    const std::string text =
        layout::FitText(surface, graph.legend.GetLegendText(static_cast<int>(i)), strip.textRoom);
    const std::int64_t width = EntryWidth(surface, text, true);
    if (strip.rows.empty() || used + kEntryGap + width > room) {
      if (std::ssize(strip.rows) == mostRows) {
        strip.more = "and " + std::to_string(items - i) + " more";
        auto& last = strip.rows.back();
        std::int64_t lastUsed = 0;
        for (const std::int64_t k : last) {
          lastUsed +=
              EntryWidth(surface,
                         layout::FitText(surface, graph.legend.GetLegendText(static_cast<int>(k)),
                                         strip.textRoom),
                         true) +
              kEntryGap;
        }
        const std::int64_t moreWidth = EntryWidth(surface, strip.more, false);
        while (!last.empty() && lastUsed + moreWidth > room) {
          lastUsed -=
              kEntryGap +
              EntryWidth(surface,
                         layout::FitText(surface,
                                         graph.legend.GetLegendText(static_cast<int>(last.back())),
                                         strip.textRoom),
                         true);
          last.pop_back();
        }
        last.push_back(-1);
        break;
      }
      strip.rows.emplace_back();
      used = -kEntryGap;
    }
    strip.rows.back().push_back(i);
    used += kEntryGap + width;
  }
  return strip;
}

}  // namespace

std::int32_t CGraph::LegendRowsHeight(DrawingSurface& surface) {
  const StripRows strip = WrapLegend(*this, surface);
  if (strip.rows.empty()) return 0;
  return SaturateToInt32(std::ssize(strip.rows) * kRowPitch + 2 * kStripPad);
}

void CGraph::DrawLegendRows(DrawingSurface& surface, std::int32_t top) {
  const StripRows strip = WrapLegend(*this, surface);
  if (strip.rows.empty()) return;
  const ScopedFont texts(surface, Font::Chart(legendFontHeight));
  const auto text = [&](std::int64_t k) {
    return k < 0 ? strip.more
                 : layout::FitText(surface, legend.GetLegendText(static_cast<int>(k)),
                                   strip.textRoom);
  };
  std::int64_t widest = 0;
  std::vector<std::int64_t> widths;
  for (const auto& row : strip.rows) {
    std::int64_t width = -kEntryGap;
    for (const std::int64_t k : row) width += kEntryGap + EntryWidth(surface, text(k), k >= 0);
    widths.push_back(width);
    widest = std::max(widest, width);
  }
  const std::int64_t boxLeft = canvasWidth / 2 - widest / 2 - kTextInset;
  surface.Rectangle(
      SaturateToInt32(boxLeft), top, SaturateToInt32(boxLeft + widest + 2 * kTextInset),
      SaturateToInt32(std::int64_t{top} + std::ssize(strip.rows) * kRowPitch + 2 * kStripPad));
  for (std::size_t r = 0; r < strip.rows.size(); ++r) {
    std::int64_t x = canvasWidth / 2 - widths[r] / 2;
    const std::int64_t y = std::int64_t{top} + kStripPad + static_cast<std::int64_t>(r) * kRowPitch;
    for (const std::int64_t k : strip.rows[r]) {
      if (k >= 0) {
        const ScopedBrush brush(surface, Brush{GetColor(static_cast<int>(k))});
        surface.Rectangle(SaturateToInt32(x), SaturateToInt32(y), SaturateToInt32(x + kStripSwatch),
                          SaturateToInt32(y + kSwatchHeight));
        x += kStripSwatch + kSwatchGap;
      }
      const std::string written = text(k);
      surface.TextOut(SaturateToInt32(x), SaturateToInt32(y), written);
      x += surface.GetTextExtent(written) + kEntryGap;
    }
  }
}

std::int32_t CGraph::DrawLegend(DrawingSurface& surface) {
  const std::int64_t items = std::max(seriesSize, 0);
  const std::int64_t chars = std::max(maxLegendLength, legend.GetLegendLength());
  // The width estimates of a legend that fits: text room at half the font
  // height per character, the box at kBoxCharWidth of it plus 25.
  const std::int64_t half = legendFontHeight / 2;
  const std::int64_t twoThirds = TruncateToInt32(legendFontHeight * kBoxCharWidth);
  std::int64_t swatch = (twoThirds - half) * chars + kSwatchBase;
  const std::int64_t budget = std::max<std::int64_t>(canvasWidth / layout::kTextShare, 0);

  // Rows go down the first column, then the next; `shown` rows keep their
  // text and swatch, a last row then says how many more there are.
  const std::int64_t fittingRows =
      std::max<std::int64_t>((canvasHeight - kBoxExtra) / kRowPitch, 1);
  std::int64_t columns = 1;
  std::int64_t rows = items;
  std::int64_t shown = items;
  if (items > fittingRows) {
    swatch = std::min(swatch, kWidestSwatch);
    const std::int64_t narrowest = kColumnText + kSwatchGap + swatch + kColumnExtra;
    const std::int64_t most = std::max<std::int64_t>(budget / narrowest, 1);
    columns = CeilDiv(items, fittingRows);
    if (columns > most) {
      columns = most;
      rows = fittingRows;
      shown = columns * rows - 1;
    } else {
      rows = CeilDiv(items, columns);
    }
  }

  const Font textFont = Font::Chart(legendFontHeight);
  std::int64_t widest = 0;
  // The last row of a legend that leaves rows out has no swatch, so its
  // text has the swatch's room too; it is never cut.
  const std::string more = shown < items ? "and " + std::to_string(items - shown) + " more" : "";
  std::int64_t moreWidth = 0;
  {
    const ScopedFont texts(surface, textFont);
    for (std::int64_t i = 0; i < shown; ++i) {
      widest = std::max<std::int64_t>(
          widest, surface.GetTextExtent(legend.GetLegendText(static_cast<int>(i))));
    }
    moreWidth = surface.GetTextExtent(more);
  }
  widest = std::max(widest, moreWidth - kSwatchGap - swatch);
  // One column keeps the estimate's room while its texts fit it, ending a
  // pixel short of the swatches at the most.
  std::int64_t gap = kSwatchGap;
  std::int64_t textWidth = widest;
  if (columns == 1) {
    gap = kLeastSwatchGap;
    textWidth = std::max(half * chars + kSwatchGap - kLeastSwatchGap, widest);
  }
  if (columns * (textWidth + gap + swatch + kColumnExtra) > budget) {
    swatch = std::min(swatch, kWidestSwatch);
    gap = kSwatchGap;
    textWidth = std::max<std::int64_t>(budget / columns - gap - swatch - kColumnExtra, 0);
  }
  const std::int64_t columnWidth = textWidth + gap + swatch + kColumnExtra;
  legendTextsFit =
      (widest <= textWidth || textWidth >= kLeastCutText) && moreWidth <= textWidth + gap + swatch;

  const std::int64_t boxHeight = kRowPitch * rows + kBoxExtra;
  const std::int64_t top = canvasHeight / 2 - boxHeight / 2;
  const std::int64_t right = std::int64_t{canvasWidth} - kRightInset;
  const std::int64_t left = right - columns * columnWidth;
  legendWidth = SaturateToInt32(right - left);

  const std::int64_t margin = legendWidth < kNarrowBox ? kNarrowMargin : kWideMargin;
  surface.Rectangle(SaturateToInt32(left - margin), SaturateToInt32(top),
                    SaturateToInt32(right + margin), SaturateToInt32(top + boxHeight));

  {
    // The heading centred on the box by its characters at the font's
    // average width.
    const ScopedFont heading(surface, Font::Chart(kHeadingFont));
    const std::int64_t average = surface.GetTextMetrics().aveCharWidth;
    surface.TextOut(
        SaturateToInt32(legendWidth / 2 - (kHeadingChars / 2) * average + left - kHeadingShift),
        SaturateToInt32(top + kHeadingTop), kHeading);
  }

  for (std::int64_t i = 0; i < std::min(items, columns * rows); ++i) {
    const std::int64_t columnLeft = left + (i / rows) * columnWidth;
    const std::int64_t y = top + kFirstRowTop + kRowPitch * (i % rows);
    const auto row = static_cast<int>(i);
    {
      const ScopedFont texts(surface, textFont);
      if (i < shown) {
        const std::string text = layout::FitText(surface, legend.GetLegendText(row), textWidth);
        surface.TextOut(SaturateToInt32(columnLeft + kTextInset), SaturateToInt32(y), text);
      } else {
        surface.TextOut(SaturateToInt32(columnLeft + kTextInset), SaturateToInt32(y),
                        layout::FitText(surface, more, textWidth + gap + swatch));
      }
    }
    if (i >= shown) break;

    const ScopedBrush brush(surface, Brush{GetColor(row)});
    const std::int64_t swatchLeft = columnLeft + kTextInset + textWidth + gap;
    surface.Rectangle(SaturateToInt32(swatchLeft), SaturateToInt32(y),
                      SaturateToInt32(swatchLeft + swatch), SaturateToInt32(y + kSwatchHeight));
  }
  return SaturateToInt32(left);
}

}  // namespace tessaloom

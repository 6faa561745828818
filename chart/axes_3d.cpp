// The box frame of the three-dimensional kinds: an open box seen obliquely
// from the front. The front plane carries the two axes; the back plane is
// the same rectangle moved up and right by the depth d; diagonals join them.
//
// The frame decides d (depthRatio of the plot height) and shrinks plotHeight
// and plotWidth by it, so the 3D drawers that follow place their data on the
// front plane and recede by depth3D. Box edges and tick marks use the
// surface's current pen; diagonals and grid lines a 1-pixel black pen of
// their own. All pixel arithmetic is done in 64 bits and saturated to 32.
#include <cstdint>
#include <string>

#include "chart/axes_common.h"
#include "chart/graph.h"
#include "chart/layout.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

using axes::Line;
using axes::LineTo;
using axes::MoveTo;
using axes::TextLength;
using axes::ValueText;

}  // namespace

void CGraph::Draw3DAxes(DrawingSurface& surface) {
  // X0, Y0: the front plane's lower-left corner; H, W: the plot as laid out.
  const std::int64_t x0 = plotLeftX;
  const std::int64_t y0 = plotBaseY;
  const std::int64_t h = plotHeight;
  const std::int64_t w = plotWidth;
  depth3D = TruncateToInt32(static_cast<double>(plotHeight) * depthRatio);
  const std::int64_t d = depth3D;
  // How far ticks and the two front axes reach out of the box.
  const std::int64_t e = TruncateToInt32(0.2 * static_cast<double>(d));

  if (hasBackColor != 0) {
    // The silhouette is the hexagon (X0, Y0), (X0, Y0-H+d), (X0+d, Y0-H),
    // (X0+W, Y0-H), (X0+W, Y0-d), (X0+W-d, Y0): the back and front planes
    // plus the two triangular notches between them.
    const COLORREF background = surface.GetBkColor();
    const std::int32_t width = SaturateToInt32(w - d);
    const std::int32_t height = SaturateToInt32(h - d);
    surface.FillSolidRect(SaturateToInt32(x0 + d), SaturateToInt32(y0 - h), width, height,
                          backColor);
    surface.FillSolidRect(plotLeftX, SaturateToInt32(y0 - h + d), width, height, backColor);
    surface.SetBkColor(background);
    const auto at = [](std::int64_t x, std::int64_t y) {
      return Point{SaturateToInt32(x), SaturateToInt32(y)};
    };
    const Brush brush{backColor};
    const Point upper_left[] = {at(x0, y0 - h + d), at(x0 + d, y0 - h + d), at(x0 + d, y0 - h)};
    const Point lower_right[] = {at(x0 + w - d, y0), at(x0 + w - d, y0 - d), at(x0 + w, y0 - d)};
    surface.FillPolygon(upper_left, brush);
    surface.FillPolygon(lower_right, brush);
    surface.SetBkColor(background);
  }

  // From here on the plot is the front plane.
  plotHeight = SaturateToInt32(h - d);
  plotWidth = SaturateToInt32(w - d);
  const std::int64_t hf = plotHeight;
  const std::int64_t wf = plotWidth;

  Line(surface, x0 + d, y0 - d, x0 + d, y0 - d - hf);  // back plane, left edge
  Line(surface, x0 + d, y0 - d, x0 + d + wf, y0 - d);  // back plane, bottom edge
  Line(surface, x0, y0 + e, x0, y0 - hf);              // front value axis
  Line(surface, x0 - e, y0, x0 + wf, y0);              // front base line
  Line(surface, x0, y0, x0 + d, y0 - d);               // diagonal at the origin
  Line(surface, x0, y0 - hf, x0 + d, y0 - hf - d);     // diagonal at the axis top
  Line(surface, x0 + wf, y0, x0 + wf + d, y0 - d);     // diagonal at the base line's end
  MoveTo(surface, x0 + d, y0 - hf - d);                // back plane, top and right edges
  LineTo(surface, x0 + wf + d, y0 - hf - d);
  LineTo(surface, x0 + wf + d, y0 - d);

  const bool vertical = DrawsVertically();
  const std::int32_t title_size =
      axes::TitleFontSize(canvasWidth, canvasHeight, xAxisLabel, yAxisLabel);
  const axes::TitleResult titles =
      axes::DrawTitles(surface, title_size, vertical ? yAxisLabel : xAxisLabel, y0 - hf / 2,
                       vertical ? xAxisLabel : yAxisLabel, x0 + wf / 2, canvasHeight);
  surface.SelectFont(titles.entryFont);
  const std::int64_t h2 = titles.bottomHeight;
  const std::int64_t w2 = titles.bottomAveCharWidth;

  const std::int64_t count = tickCount;
  const std::int64_t tick_step = tickValueStep;
  const std::int64_t categories = static_cast<std::int64_t>(seriesList.size());
  const Font value_label_font = Font::Chart(valueFontHeight);
  const Font category_label_font = Font::Chart(categoryFontHeight);

  if (vertical) {
    // Value ticks up the front axis, no margin at the top; each one runs
    // back along the side wall and, with grid lines, across the back plane.
    if (count > 0) {
      const std::int64_t step = hf / count;
      axes::TickLabels labels(false);
      for (std::int64_t i = 0; i <= count; ++i) {
        const std::int64_t y = y0 - i * step;
        Line(surface, x0 - e, y, x0, y);
        {
          const ScopedPen grid(surface, axes::kGridPen);
          Line(surface, x0, y, x0 + d, y - d);
          if (hasGridLines != 0) LineTo(surface, x0 + d + wf, y - d);
        }
        const std::string label = ValueText(minTick + i * tick_step);
        labels.Draw(surface, value_label_font,
                    x0 - (std::int64_t{valueFontHeight} / 2) * TextLength(label) - 10, y - 6,
                    label);
        axisEndY = SaturateToInt32(y);
        if (i >= 1) {
          // Half of each of the two tick offsets, truncated separately (the
          // offsets are whole pixels, so halving truncates like x * 0.5).
          const std::int64_t ym = y0 - (i * step) / 2 - ((i - 1) * step) / 2;
          Line(surface, x0 - e, ym, x0, ym);
        }
      }
    }

    // Category slots along the base line: a tick at each slot's right end,
    // continued as a diagonal across the floor; labels at the slot centres.
    if (categories > 0) {
      const std::int64_t slot = wf / categories;
      axes::TickLabels labels(true);
      std::int64_t k = 1;
      for (const auto& series : seriesList) {
        const std::int64_t xr = x0 + k * slot;
        const std::int64_t xc = xr - slot / 2;
        MoveTo(surface, xr, y0 + e);
        LineTo(surface, xr, y0);
        LineTo(surface, xr + d, y0 - d);
        const std::string label = series->GetLabel();
        labels.Draw(surface, category_label_font, xc - (8 * TextLength(label)) / 2, y0 + 8, label);
        axisEndX = SaturateToInt32(xc);
        ++k;
      }
    }
  } else {
    // Category slots up the front axis: a tick at each slot's upper end,
    // continued as a diagonal up the side wall; labels at the slot centres.
    if (categories > 0) {
      const std::int64_t slot = hf / categories;
      const std::int64_t room = CategoryLabelRoom(surface, w2);
      axes::TickLabels labels(false);
      std::int64_t k = 1;
      for (const auto& series : seriesList) {
        const std::int64_t yk = y0 - k * slot;
        const std::int64_t yc = yk + slot / 2;
        MoveTo(surface, x0 - e, yk);
        LineTo(surface, x0, yk);
        LineTo(surface, x0 + d, yk - d);
        const std::string label = series->GetLabel();
        labels.Draw(surface, CategoryLabelFont(), x0 - room - layout::kCategoryLabelGap,
                    yc - h2 / 2, label, room);
        axisEndY = SaturateToInt32(yk);
        ++k;
      }
    }

    // Value ticks along the base line with a 10-pixel margin at the right;
    // each one runs back across the floor and, with grid lines, up the back.
    if (count > 0) {
      const std::int64_t step = (wf - layout::kValueAxisMargin) / count;
      axes::TickLabels labels(true);
      for (std::int64_t i = 0; i <= count; ++i) {
        const std::int64_t x = x0 + i * step;
        Line(surface, x, y0 + e, x, y0);
        {
          const ScopedPen grid(surface, axes::kGridPen);
          Line(surface, x, y0, x + d, y0 - d);
          if (hasGridLines != 0) LineTo(surface, x + d, y0 - hf - d);
        }
        const std::string label = ValueText(minTick + i * tick_step);
        labels.Draw(surface, category_label_font, x - (TextLength(label) * w2) / 2, y0 + 8, label);
        axisEndX = SaturateToInt32(x);
        if (i >= 1) {
          const std::int64_t xm = x0 + (i * step) / 2 + ((i - 1) * step) / 2;
          Line(surface, xm, y0 + e, xm, y0);
        }
      }
    }
  }
}

}  // namespace tessaloom

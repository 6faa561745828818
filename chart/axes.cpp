// Axes, ticks, labels, grid and titles of the flat kinds, and the entry that
// picks the flat axes or the box frame of the 3D kinds.
//
// The value axis runs from minTick in tickCount steps of tickValueStep and
// leaves a 10-pixel margin at its far end; the category axis has one slot
// per series. With negative values in a vertical chart (quadrant 3) the
// frame has moved plotBaseY to the zero line, and the axes are laid out
// around that line.
// All pixel arithmetic is done in 64 bits and saturated to 32 at the surface.
#include <cstdint>
#include <string>
#include <string_view>

#include "chart/axes_common.h"
#include "chart/graph.h"
#include "chart/layout.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

using axes::GridLine;
using axes::Line;
using axes::Text;
using axes::TextLength;
using axes::ValueText;

}  // namespace

void CGraph::DrawAxes(DrawingSurface& surface) {
  surface.SetTextColor(axes::kAxisTextColor);
  switch (graphType) {
    case GraphType::kBar:
    case GraphType::kLine:
    case GraphType::kBoxWhisker:
    case GraphType::kStackedBar: break;
    case GraphType::k3DBar:
    case GraphType::k3DLine:
    case GraphType::k3DStackedBar: Draw3DAxes(surface); return;
    default: return;
  }

  const std::int64_t x0 = plotLeftX;
  const std::int64_t y0 = plotBaseY;
  const std::int64_t h = plotHeight;
  const std::int64_t w = plotWidth;
  const std::int64_t zero =
      layout::ZeroOffset(minTick, maxTick, tickCount, tickValueStep, plotHeight);
  // Quadrants 2 and 4 (a negative category position) cannot arise from the
  // component's data; they are laid out like quadrant 1. Horizontal charts
  // with negative values keep the layout of positive ones: their value axis
  // already runs from minTick to maxTick.
  const bool vertical = DrawsVertically();
  const bool negative = quadrant == 3 && vertical;
  const std::int64_t value_font = valueFontHeight;
  const std::int64_t tick_step = tickValueStep;
  const std::int64_t categories = static_cast<std::int64_t>(seriesList.size());

  // The left axis spans the plot's full height. In quadrant 3 plotBaseY is
  // the zero line, which lies zeroOffset below the middle of the plot; the
  // base line is drawn there.
  const std::int64_t plot_top = negative ? y0 - h / 2 - zero : y0 - h;
  const std::int64_t plot_bottom = negative ? y0 + h / 2 - zero : y0;

  if (hasBackColor != 0) {
    // Behind the whole left axis: in every quadrant the rectangle the frame
    // laid out. (Measured up from the zero line instead, it would paint over
    // the title and leave the negative half bare.) The fill makes backColor
    // the background colour, so the old one is put back for the labels.
    const COLORREF background = surface.GetBkColor();
    surface.FillSolidRect(plotLeftX, SaturateToInt32(plot_top), plotWidth, plotHeight, backColor);
    surface.SetBkColor(background);
  }

  {
    const ScopedPen axis_pen(surface, axes::kAxisPen);
    Line(surface, x0, plot_bottom, x0, plot_top);
    Line(surface, x0, y0, x0 + w, y0);
  }

  const std::int32_t title_size =
      axes::TitleFontSize(canvasWidth, canvasHeight, xAxisLabel, yAxisLabel);
  const axes::TitleResult titles = axes::DrawTitles(
      surface, title_size, vertical ? yAxisLabel : xAxisLabel, negative ? y0 : y0 - h / 2,
      vertical ? xAxisLabel : yAxisLabel, x0 + w / 2, canvasHeight);
  // Labels of horizontal charts are placed with the bottom-title metrics.
  const std::int64_t h2 = titles.bottomHeight;
  const std::int64_t w2 = titles.bottomAveCharWidth;
  const Font value_label_font = Font::Chart(valueFontHeight);
  const Font category_label_font = Font::Chart(categoryFontHeight);

  if (vertical) {
    // Value axis on the left. A tickCount below 1 has no steps to draw.
    if (tickCount > 0) {
      const std::int64_t count = tickCount;
      const std::int64_t step = (h - layout::kValueAxisMargin) / count;
      const auto label_x = [&](const std::string& label) {
        return x0 - (value_font / 2) * TextLength(label) - 10;
      };
      axes::TickLabels labels(false);
      if (!negative) {
        for (std::int64_t i = 0; i <= count; ++i) {
          const std::int64_t y = y0 - i * step;
          Line(surface, x0 - 3, y, x0 + 3, y);
          if (hasGridLines != 0) GridLine(surface, x0, y, x0 + w, y);
          const std::string label = ValueText(minTick + i * tick_step);
          labels.Draw(surface, value_label_font, label_x(label), y - 6, label);
          axisEndY = SaturateToInt32(y);
        }
      } else {
        // Ticks run down from the top: the upper half counts down from
        // maxTick, the lower half up from minTick, and "0" marks the zero
        // line in between. The "0" has the first claim on its place.
        const Font previous = surface.SelectFont(value_label_font);
        const std::int64_t top = y0 - count * step / 2 - zero;
        labels.Take(y0 - 6, y0 - 6 + surface.GetTextMetrics().height);
        for (std::int64_t i = 0; i <= count; ++i) {
          const std::int64_t y = top + i * step;
          Line(surface, x0 - 3, y, x0 + 3, y);
          if (hasGridLines != 0) GridLine(surface, x0, y, x0 + w, y);
          const std::string label = ValueText(i <= count / 2 ? maxTick - i * tick_step
                                                             : minTick + (count - i) * tick_step);
          labels.Draw(surface, label_x(label), y - 6, label);
          axisEndY = SaturateToInt32(y);
          if (i == count / 2) Text(surface, x0 - value_font / 2 - 10, y0 - 6, "0");
        }
        surface.SelectFont(previous);
      }
    }

    // Categories along the bottom, a tick at the centre of each slot. The
    // labels are centred assuming 8 pixels per character.
    if (categories > 0) {
      const std::int64_t slot = w / categories;
      // Around zero the labels stay under the plot, above the bottom title.
      const std::int64_t label_y = plot_bottom + 8;
      axes::TickLabels labels(true);
      std::int64_t k = 1;
      for (const auto& series : seriesList) {
        const std::int64_t xc = k * slot - slot / 2 + x0;
        Line(surface, xc, y0 - 3, xc, y0 + 3);
        const std::string label = series->GetLabel();
        labels.Draw(surface, category_label_font, xc - (8 * TextLength(label)) / 2, label_y, label);
        axisEndX = SaturateToInt32(xc);
        ++k;
      }
    }
  } else {
    // Categories up the left axis, the first series at the bottom; labels
    // start at the left of the room the frame kept for them, right of the
    // X-axis title's band.
    if (categories > 0) {
      const std::int64_t slot = h / categories;
      const std::int64_t room = CategoryLabelRoom(surface, w2);
      axes::TickLabels labels(false);
      std::int64_t k = 1;
      for (const auto& series : seriesList) {
        const std::int64_t yc = slot / 2 - k * slot + y0;
        Line(surface, x0 - 3, yc, x0 + 3, yc);
        const std::string label = series->GetLabel();
        labels.Draw(surface, CategoryLabelFont(), x0 - room - layout::kCategoryLabelGap,
                    yc - h2 / 2, label, room);
        axisEndY = SaturateToInt32(yc);
        ++k;
      }
    }

    // Values along the bottom, labels centred under their ticks.
    if (tickCount > 0) {
      const std::int64_t count = tickCount;
      const std::int64_t step = (w - layout::kValueAxisMargin) / count;
      axes::TickLabels labels(true);
      for (std::int64_t i = 0; i <= count; ++i) {
        const std::int64_t x = i * step + x0;
        Line(surface, x, y0 - 3, x, y0 + 3);
        if (hasGridLines != 0) GridLine(surface, x, y0, x, y0 - h);
        const std::string label = ValueText(minTick + i * tick_step);
        labels.Draw(surface, category_label_font, x - (TextLength(label) * w2) / 2, y0 + 8, label);
        axisEndX = SaturateToInt32(x);
      }
    }
  }

  surface.SelectFont(titles.entryFont);
}

}  // namespace tessaloom

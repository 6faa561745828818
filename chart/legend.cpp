// The legend box at the right edge of the canvas, vertically centred: a
// "Legend" heading, then one row per category with its text and a colour
// swatch in the colour the drawers give that category.
#include <cstdint>
#include <string>

#include "chart/graph.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {

std::int32_t CGraph::DrawLegend(DrawingSurface& surface) {
  const std::int64_t rows = seriesSize;
  // 18 pixels a row plus 26 for the heading.
  const std::int64_t box_height = 18 * rows + 26;
  const std::int64_t top = canvasHeight / 2 - box_height / 2;
  const std::int64_t bottom = top + box_height;
  const std::int64_t right = std::int64_t{canvasWidth} - 5;
  // Text width estimated at two thirds of the font height per character.
  const std::int64_t char_width = TruncateToInt32(legendFontHeight * 0.66);
  const std::int64_t left = right - legend.GetLegendLength() * char_width - 25;
  legendWidth = SaturateToInt32(right - left);

  // A narrow box gets a wider margin so the heading still fits.
  const std::int64_t margin = legendWidth < 50 ? 6 : 2;
  surface.Rectangle(SaturateToInt32(left - margin), SaturateToInt32(top),
                    SaturateToInt32(right + margin), SaturateToInt32(bottom));

  // The heading's six characters centred on the box, estimated at the
  // font's average width.
  const Font old_font = surface.SelectFont(Font::Chart(16));
  const std::int64_t average = surface.GetTextMetrics().aveCharWidth;
  surface.TextOut(SaturateToInt32(legendWidth / 2 - 3 * average + left - 5),
                  SaturateToInt32(top + 3), "Legend");
  surface.SelectFont(old_font);

  // Swatches start after the longest text at half the font height per character.
  const std::int64_t swatch_left = std::int64_t{legendFontHeight / 2} * maxLegendLength + left + 10;
  for (std::int64_t i = 0; i < rows; ++i) {
    const std::int64_t y = top + 25 + 18 * i;
    const auto row = static_cast<int>(i);
    const Font previous_font = surface.SelectFont(Font::Chart(legendFontHeight));
    surface.TextOut(SaturateToInt32(left + 5), SaturateToInt32(y), legend.GetLegendText(row));
    surface.SelectFont(previous_font);

    const ScopedBrush swatch(surface, Brush{GetColor(row)});
    surface.Rectangle(SaturateToInt32(swatch_left), SaturateToInt32(y), SaturateToInt32(right - 5),
                      SaturateToInt32(y + 12));
  }
  return SaturateToInt32(left);
}

}  // namespace tessaloom

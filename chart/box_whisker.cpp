// Box-whisker charts: every series becomes one box plot of its five-number
// summary (minimum, lower quartile, median, upper quartile, maximum), worked
// out on whole numbers: a stem with end caps, a box between the quartiles
// and a median line across it.
#include "chart/box_whisker.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "chart/graph.h"
#include "chart/layout.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

// The box plot's layout, in pixels.
constexpr double kBoxShare = 0.8;           // share of its slot's pitch a box covers
constexpr std::int64_t kCapThickness = 3;   // end caps, along the value axis
constexpr std::int64_t kStemHalfWidth = 2;  // the stem is twice this across

// Middle of an ascending run: its middle element, or for an even count the
// lower of the two middle elements plus half (rounded down) of their gap, so
// the middle of whole numbers stays a whole number. `run` is not empty.
std::int32_t Middle(std::span<const std::int32_t> run) noexcept {
  const std::size_t m = run.size();
  if (m % 2 == 1) return run[(m - 1) / 2];
  const std::int64_t low = run[m / 2 - 1];
  const std::int64_t high = run[m / 2];
  return SaturateToInt32(low + (high - low) / 2);
}

}  // namespace

FiveNumbers Summarize(const CGraphSeries& series) {
  const int n = series.GetDataCount();
  if (n <= 0) return {};
  std::vector<std::int32_t> values;
  values.reserve(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    const float v = series.GetDataValue(static_cast<std::uint32_t>(j));
    values.push_back(TruncateToInt32(static_cast<double>(v)));
  }

  // Insertion sort: each value goes before the first one that is not smaller.
  std::vector<std::int32_t> sorted;
  sorted.reserve(values.size());
  for (const std::int32_t x : values) {
    sorted.insert(std::lower_bound(sorted.begin(), sorted.end(), x), x);
  }

  const std::span<const std::int32_t> all(sorted);
  FiveNumbers five;
  five.minimum = all.front();
  five.maximum = all.back();
  five.median = Middle(all);
  if (all.size() == 1) {
    five.lowerQuartile = five.upperQuartile = five.median;
    return five;
  }
  const std::size_t half = all.size() / 2;
  five.lowerQuartile = Middle(all.first(half));
  five.upperQuartile = Middle(all.last(half));
  return five;
}

void CGraph::DrawBoxWhiskers(DrawingSurface& surface) {
  if (seriesList.empty()) return;
  const auto count = static_cast<std::int64_t>(seriesList.size());
  const bool vertical = DrawsVertically();
  // The value axis keeps a 10-pixel margin at its far end; an empty range
  // has no scale and puts every statistic at the axis start.
  const layout::AxisScale scale =
      layout::ValueScale(std::int64_t{vertical ? plotHeight : plotWidth} - layout::kValueAxisMargin,
                         minTick, maxTick, tickCount, tickValueStep);
  // A fixed axis holds every statistic between its ends.
  const std::int64_t axisLength =
      TruncateToInt32(scale(static_cast<double>(std::int64_t{maxTick} - minTick)));
  const auto offset = [&](std::int32_t t) {
    const std::int64_t at = TruncateToInt32(scale(static_cast<double>(std::int64_t{t} - minTick)));
    return fixedValueAxis ? std::clamp<std::int64_t>(at, 0, axisLength) : at;
  };
  const std::int64_t pitch = std::int64_t{vertical ? plotWidth : plotHeight} / count;
  const std::int64_t boxWidth = TruncateToInt32(static_cast<double>(pitch) * kBoxShare);

  // Boxes, stems and caps share one brush; rectangles keep the surface's pen
  // as their outline.
  const ScopedBrush fill(surface, Brush{GetColor(0)});
  const COLORREF medianColor = GetColor(1);
  for (std::int64_t k = 1; k <= count; ++k) {
    const CGraphSeries& series = *seriesList[static_cast<std::size_t>(k - 1)];
    // Each series is summarised over its own points.
    if (series.GetDataCount() <= 0) continue;
    const FiveNumbers five = Summarize(series);

    const auto rectangle = [&](std::int64_t left, std::int64_t top, std::int64_t right,
                               std::int64_t bottom) {
      surface.Rectangle(SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right),
                        SaturateToInt32(bottom));
    };
    Point medianFrom;
    Point medianTo;
    if (vertical) {
      const std::int64_t cx = plotLeftX - pitch / 2 + k * pitch;
      const std::int64_t left = cx - boxWidth / 2;
      const std::int64_t right = left + boxWidth;
      const auto y = [&](std::int32_t t) { return std::int64_t{plotBaseY} - offset(t); };
      const std::int64_t yMax = y(five.maximum);
      const std::int64_t yMin = y(five.minimum);
      rectangle(left, yMax, right, yMax + kCapThickness);                               // upper cap
      rectangle(left, yMin, right, yMin - kCapThickness);                               // lower cap
      rectangle(cx - kStemHalfWidth, yMax, cx + kStemHalfWidth, yMin - kCapThickness);  // stem
      rectangle(left, y(five.upperQuartile), right, y(five.lowerQuartile));  // over the stem
      medianFrom = layout::PointAt(left, y(five.median));
      medianTo = layout::PointAt(right, y(five.median));
    } else {
      const std::int64_t cy = plotBaseY + pitch / 2 - k * pitch;
      const std::int64_t top = cy - boxWidth / 2;
      const std::int64_t bottom = top + boxWidth;
      const auto x = [&](std::int32_t t) { return std::int64_t{plotLeftX} + offset(t); };
      const std::int64_t xMax = x(five.maximum);
      const std::int64_t xMin = x(five.minimum);
      rectangle(xMax - kCapThickness, top, xMax, bottom);                               // right cap
      rectangle(xMin + kCapThickness, top, xMin, bottom);                               // left cap
      rectangle(xMin + kCapThickness, cy - kStemHalfWidth, xMax, cy + kStemHalfWidth);  // stem
      rectangle(x(five.upperQuartile), top, x(five.lowerQuartile), bottom);
      medianFrom = layout::PointAt(x(five.median), top);
      medianTo = layout::PointAt(x(five.median), bottom);
    }
    const ScopedPen medianPen(surface, Pen{1, medianColor});
    surface.MoveTo(medianFrom.x, medianFrom.y);
    surface.LineTo(medianTo.x, medianTo.y);
  }
}

}  // namespace tessaloom

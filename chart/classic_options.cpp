// The chart options as the classic drawers read them: fixed value-axis ends,
// the number format of ticks and value labels, and the value labels.
#include "chart/classic_options.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "chart/axes_common.h"
#include "chart/layout.h"
#include "chart/modern_theme.h"
#include "chart/solid_style.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

// A fixed end is cut to this size, so the axis's range and its step stay
// within 32 bits.
constexpr double kFixedEndLimit = 1e9;
constexpr auto kWholeEndLimit = static_cast<std::int64_t>(kFixedEndLimit);
// When the ends meet or cross, the free end (or the high one) moves this
// far from the other: one classic step of ten.
constexpr std::int64_t kLeastSpan = 10;
// The classic axis has up to ten steps: the most of a round size (1, 2 or 5
// times a power of ten) down to kFewestRoundSteps, else the fewest round
// ones up to kMostRoundSteps, else the most of any whole size that meet
// both ends.
constexpr std::int64_t kMostSteps = 10;
constexpr std::int64_t kFewestRoundSteps = 4;
constexpr std::int64_t kMostRoundSteps = 20;

bool IsRound(std::int64_t step) noexcept {
  while (step >= 10 && step % 10 == 0) step /= 10;
  return step == 1 || step == 2 || step == 5;
}

std::int64_t StepsOf(std::int64_t range) noexcept {
  for (std::int64_t steps = kMostSteps; steps >= kFewestRoundSteps; --steps) {
    if (range % steps == 0 && IsRound(range / steps)) return steps;
  }
  for (std::int64_t steps = kMostSteps + 1; steps <= kMostRoundSteps; ++steps) {
    if (range % steps == 0 && IsRound(range / steps)) return steps;
  }
  std::int64_t steps = kMostSteps;
  while (range % steps != 0) --steps;
  return steps;
}

// Pixels between a value label and its bar end or point.
constexpr std::int64_t kLabelGap = 3;
constexpr COLORREF kLabelColor = 0x000000;  // as the axes' texts
// Labels keep this far inside the plot: clear of the axis lines and their
// tick marks.
constexpr std::int64_t kLabelInset = 4;

std::int64_t WholeEnd(double value, bool up) noexcept {
  const double clamped = std::clamp(value, -kFixedEndLimit, kFixedEndLimit);
  return static_cast<std::int64_t>(up ? std::ceil(clamped) : std::floor(clamped));
}

}  // namespace

void CGraph::ApplyClassicOptions() {
  std::string error;
  auto format = std::make_shared<ValueFormat>();
  if (!format->Parse(options.valueFormat, error)) *format = ValueFormat();
  numberFormat = std::move(format);

  fixedValueAxis = false;
  const bool lowFixed = !std::isnan(options.valueAxisMin);
  const bool highFixed = !std::isnan(options.valueAxisMax);
  // Modern 3D charts lay their value axis out from the options themselves.
  if ((!lowFixed && !highFixed) || graphType == GraphType::kPie || graphType == GraphType::k3DPie ||
      solid::DrawsModernSolid(*this)) {
    return;
  }
  std::int64_t low = lowFixed ? WholeEnd(options.valueAxisMin, false)
                              : std::clamp<std::int64_t>(minTick, -kWholeEndLimit, kWholeEndLimit);
  std::int64_t high = highFixed
                          ? WholeEnd(options.valueAxisMax, true)
                          : std::clamp<std::int64_t>(maxTick, -kWholeEndLimit, kWholeEndLimit);
  if (lowFixed && highFixed && low > high) std::swap(low, high);
  if (low >= high) {
    if (highFixed && !lowFixed) {
      low = high - kLeastSpan;
    } else {
      high = low + kLeastSpan;
    }
  }
  const std::int64_t range = high - low;
  const std::int64_t steps = StepsOf(range);
  SetTickLimits(SaturateToInt32(low), SaturateToInt32(high), SaturateToInt32(range / steps));
  fixedValueAxis = true;
}

std::string CGraph::TickText(std::int64_t value) const {
  return numberFormat ? axes::TickText(*numberFormat, value) : axes::ValueText(value);
}

std::string CGraph::ValueLabelText(double value) const {
  return numberFormat ? numberFormat->Format(value) : ValueFormat().Format(value);
}

namespace classic {

Box FlatPlot(const CGraph& graph) noexcept {
  const std::int64_t height = graph.plotHeight;
  std::int64_t top = std::int64_t{graph.plotBaseY} - height;
  if (graph.quadrant == 3 && graph.DrawsVertically()) {
    const std::int64_t zeroOffset = layout::ZeroOffset(
        graph.minTick, graph.maxTick, graph.tickCount, graph.tickValueStep, graph.plotHeight);
    top = std::int64_t{graph.plotBaseY} - height / 2 - zeroOffset;
  }
  return {graph.plotLeftX, top, std::int64_t{graph.plotLeftX} + graph.plotWidth, top + height};
}

Box SolidPlot(const CGraph& graph) noexcept {
  const std::int64_t left = graph.plotLeftX;
  const std::int64_t bottom = graph.plotBaseY;
  return {left, bottom - graph.plotHeight - graph.depth3D, left + graph.plotWidth + graph.depth3D,
          bottom};
}

Box FlatValueBand(const CGraph& graph) noexcept {
  Box band = FlatPlot(graph);
  if (graph.tickCount < 1) return band;
  const bool vertical = graph.DrawsVertically();
  const std::int64_t extent = vertical ? graph.plotHeight : graph.plotWidth;
  const std::int64_t ticks =
      (extent - layout::kValueAxisMargin) / graph.tickCount * graph.tickCount;
  if (!vertical) {
    band.right = band.left + ticks;
  } else if (graph.quadrant == 3) {
    // The ticks stand centred on the zero line's offset, as the axes draw them.
    const std::int64_t zeroOffset = layout::ZeroOffset(
        graph.minTick, graph.maxTick, graph.tickCount, graph.tickValueStep, graph.plotHeight);
    band.top = std::int64_t{graph.plotBaseY} - ticks / 2 - zeroOffset;
    band.bottom = band.top + ticks;
  } else {
    band.top = band.bottom - ticks;
  }
  return band;
}

void ValueLabels::Add(double value, std::int64_t x, std::int64_t y, Beside where) {
  pending_.push_back({value, x, y, where});
}

void ValueLabels::Draw(DrawingSurface& surface) {
  if (pending_.empty()) return;
  // A modern 3D chart's labels in its own face and text colour.
  const solid::Style style = solid::StyleOf(graph_);
  const ScopedFont font(
      surface, style.modern ? Font::Sans(modern::kLabelCell) : Font::Chart(graph_.valueFontHeight));
  const COLORREF previousColor = surface.SetTextColor(style.modern ? style.text : kLabelColor);
  const std::int64_t height = surface.GetTextMetrics().height;
  std::vector<Box>& taken = taken_;
  for (const Pending& label : pending_) {
    const std::string text = graph_.ValueLabelText(label.value);
    const std::int64_t width = surface.GetTextExtent(text);
    Box box;
    switch (label.where) {
      case Beside::kAbove: box.top = label.y - kLabelGap - height; break;
      case Beside::kBelow: box.top = label.y + kLabelGap; break;
      case Beside::kRight: box.left = label.x + kLabelGap; break;
      case Beside::kLeft: box.left = label.x - kLabelGap - width; break;
    }
    if (label.where == Beside::kAbove || label.where == Beside::kBelow) {
      box.left = label.x - width / 2;
    } else {
      box.top = label.y - height / 2;
    }
    box.right = box.left + width;
    box.bottom = box.top + height;
    const bool inside =
        box.left >= area_.left + kLabelInset && box.right <= area_.right - kLabelInset &&
        box.top >= area_.top + kLabelInset && box.bottom <= area_.bottom - kLabelInset;
    const bool clear = std::none_of(taken.begin(), taken.end(), [&](const Box& other) {
      return box.left < other.right && other.left < box.right && box.top < other.bottom &&
             other.top < box.bottom;
    });
    if (!inside || !clear) continue;
    taken.push_back(box);
    surface.TextOut(SaturateToInt32(box.left), SaturateToInt32(box.top), text);
  }
  surface.SetTextColor(previousColor);
}

}  // namespace classic
}  // namespace tessaloom

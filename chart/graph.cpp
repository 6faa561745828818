#include "chart/graph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

// Colour `j` after the end of a colour list: hues 1 / 1.3247 (the plastic
// number) of a turn apart, so any run of them spreads round the circle,
// with saturations and values taking turns so that hues close together
// still differ in depth; none is pale enough to vanish on white.
COLORREF ColorPastTheList(std::size_t j) noexcept {
  constexpr double kTurn = 0.7548776662466927;
  constexpr std::array<double, 3> kSaturation = {0.85, 0.55, 1.0};
  constexpr std::array<double, 3> kValue = {0.9, 0.65, 0.4};
  const double hue = std::fmod(static_cast<double>(j) * kTurn, 1.0) * 6.0;
  const double s = kSaturation[j % 3];
  const double v = kValue[(j / 3) % 3];
  const double sector = std::floor(hue);
  const double f = hue - sector;
  const double p = v * (1.0 - s);
  const double q = v * (1.0 - s * f);
  const double t = v * (1.0 - s * (1.0 - f));
  const std::array<std::array<double, 3>, 6> rgb = {
      {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}}};
  const auto& c = rgb[static_cast<std::size_t>(sector) % 6];
  const auto byte = [](double x) { return static_cast<std::uint8_t>(x * 255.0 + 0.5); };
  return RGB(byte(c[0]), byte(c[1]), byte(c[2]));
}

}  // namespace

void CGraph::SetXAxisLabel(std::string text) noexcept {
  xAxisLabelLength = CodePointLength(text);
  xAxisLabel = std::move(text);
}

std::int32_t CGraph::CategoryLabelChars() const noexcept {
  if (xAxisLabelLength > 0) return xAxisLabelLength;
  std::int32_t longest = 0;
  for (const auto& series : seriesList) {
    longest = std::max(longest, CodePointLength(series->seriesLabel));
  }
  return longest;
}

void CGraph::SetTickLimits(std::int32_t min, std::int32_t max, std::int32_t step) noexcept {
  minTick = min;
  maxTick = (min == 0 && max == 0) ? 1 : max;
  tickValueStep = step == 0 ? 1 : step;
  // In 64 bits the range of any two int32 values fits, and |count * step|
  // never exceeds |range|, so nothing below can overflow.
  const std::int64_t range = std::int64_t{maxTick} - std::int64_t{minTick};
  const std::int64_t stepValue = tickValueStep;
  std::int64_t count = range / stepValue;
  if (count * stepValue < range) ++count;
  tickCount = SaturateToInt32(count);
}

void CGraph::AddGraphSeries(std::unique_ptr<CGraphSeries> series) {
  if (!series) return;
  const std::int32_t count = series->GetDataCount();
  seriesList.push_back(std::move(series));
  if (count > seriesSize) seriesSize = count;
}

void CGraph::SetLegendText(std::uint32_t index, std::string text) {
  const std::int32_t length = CodePointLength(text);
  legend.SetLegendText(index, std::move(text));
  hasLegend = true;
  if (length > maxLegendLength) maxLegendLength = length;
}

void CGraph::AddDataColor(std::uint32_t index, COLORREF color) {
  colorList.emplace_back(index, color);
}

void CGraph::LoadDefaultPalette() {
  colorList.reserve(colorList.size() + kDefaultPalette.size());
  for (std::size_t p = 0; p < kDefaultPalette.size(); ++p) {
    AddDataColor(static_cast<std::uint32_t>(p), kDefaultPalette[p]);
  }
}

void CGraph::LoadThemePalette() {
  if (options.theme == Theme::kClassic) {
    LoadDefaultPalette();
    return;
  }
  const auto& palette = options.theme == Theme::kDark ? kDarkPalette : kModernPalette;
  colorList.reserve(colorList.size() + palette.size());
  for (std::size_t p = 0; p < palette.size(); ++p) {
    AddDataColor(static_cast<std::uint32_t>(p), palette[p]);
  }
}

COLORREF CGraph::GetColor(int i) const noexcept {
  if (colorList.empty()) return kFallbackColor;
  if (i < 0) return colorList.front().color;
  const auto position = static_cast<std::size_t>(i);
  if (position < colorList.size()) return colorList[position].color;
  return ColorPastTheList(position - colorList.size());
}

void CGraph::ClearAll() noexcept {
  // Assigning empty vectors releases the storage as well as the elements.
  seriesList = std::vector<std::unique_ptr<CGraphSeries>>();
  colorList = std::vector<CGraphDataColor>();
  seriesSize = 0;
  hasLegend = false;
  // Each draw shows only its own legend texts, sized by its own longest text.
  legend.Clear();
  maxLegendLength = 0;
}

}  // namespace tessaloom

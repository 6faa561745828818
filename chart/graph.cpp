#include "chart/graph.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom {

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
  hasLegend = 1;
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

COLORREF CGraph::GetColor(int i) const noexcept {
  if (colorList.empty()) return kFallbackColor;
  if (i < 0) return colorList.front().color;
  const auto position = static_cast<std::size_t>(i);
  return position < colorList.size() ? colorList[position].color : kFallbackColor;
}

void CGraph::ClearAll() noexcept {
  // Assigning empty vectors releases the storage as well as the elements.
  seriesList = std::vector<std::unique_ptr<CGraphSeries>>();
  colorList = std::vector<CGraphDataColor>();
  seriesSize = 0;
  hasLegend = 0;
  // Each draw shows only its own legend texts, sized by its own longest text.
  legend.Clear();
  maxLegendLength = 0;
}

}  // namespace tessaloom

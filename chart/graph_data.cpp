#include "chart/graph_data.h"

#include <climits>
#include <cstddef>
#include <utility>

#include "platform/text.h"

namespace tessaloom {

void CGraphSeries::AddDataPoint(std::uint32_t position, float value) {
  CGraphDataSet point;
  point.xPosition = position;
  point.yValue = value;
  dataList.push_back(point);
}

float CGraphSeries::GetDataValue(std::uint32_t x) const noexcept {
  for (const CGraphDataSet& point : dataList) {
    if (point.xPosition == x) return point.yValue;
  }
  return 0.0f;
}

int CGraphSeries::GetDataCount() const noexcept {
  const std::size_t count = dataList.size();
  return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

std::uint32_t CGraphSeries::GetFirstXPosition() const noexcept {
  return dataList.empty() ? 0u : dataList.front().xPosition;
}

float CGraphSeries::GetFirstValue() const noexcept {
  return dataList.empty() ? 0.0f : dataList.front().yValue;
}

void CGraphLegend::SetLegendText(std::uint32_t index, std::string text) {
  const std::int32_t length = CodePointLength(text);
  CGraphLegendSet entry;
  entry.Set(index, std::move(text));
  legendList.push_back(std::move(entry));
  // Only after the append succeeded, so a failed append leaves the legend as it was.
  if (length > legendLength) legendLength = length;
}

std::string CGraphLegend::GetLegendText(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= legendList.size()) return std::string();
  return legendList[static_cast<std::size_t>(i)].legendText;
}

void CGraphLegend::Clear() noexcept {
  legendList = std::vector<CGraphLegendSet>();  // releases the storage too
  legendLength = 0;
}

}  // namespace tessaloom

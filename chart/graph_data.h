// Data classes of the chart model: series of points, colour entries, legend
// texts and pie slice labels. Each object owns its own members outright (a
// series owns its points, a legend its texts); CGraph owns the rest. Not
// thread-safe: one object is used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi_types.h"

namespace tessaloom {

// One data point: the category index it belongs to and its value.
class CGraphDataSet {
 public:
  [[nodiscard]] std::uint32_t GetXPosition() const noexcept { return xPosition; }
  [[nodiscard]] float GetYValue() const noexcept { return yValue; }
  void SetXPosition(std::uint32_t position) noexcept { xPosition = position; }
  void SetYValue(float value) noexcept { yValue = value; }

  std::uint32_t xPosition = 0;  // category index, 0 for the first category
  float yValue = 0.0f;
};

// One series: a label and its points in the order they were added.
class CGraphSeries {
 public:
  void AddDataPoint(std::uint32_t position, float value);

  // Value of the first point (from the head) at category x; 0 when none is.
  [[nodiscard]] float GetDataValue(std::uint32_t x) const noexcept;

  // Point count, saturated to INT_MAX.
  [[nodiscard]] int GetDataCount() const noexcept;

  // Fields of the first point; 0 for an empty series.
  [[nodiscard]] std::uint32_t GetFirstXPosition() const noexcept;
  [[nodiscard]] float GetFirstValue() const noexcept;

  void SetLabel(std::string label) noexcept { seriesLabel = std::move(label); }
  [[nodiscard]] std::string GetLabel() const { return seriesLabel; }

  std::string seriesLabel;
  std::vector<CGraphDataSet> dataList;
};

// One colour entry. colorIndex records the position the script asked for;
// lookups go by list position, not by it.
class CGraphDataColor {
 public:
  constexpr CGraphDataColor(std::uint32_t index, COLORREF value) noexcept
      : colorIndex(index), color(value) {}

  [[nodiscard]] constexpr COLORREF GetColor() const noexcept { return color; }

  std::uint32_t colorIndex;
  COLORREF color;
};

// One legend text with the index it was given.
class CGraphLegendSet {
 public:
  void Set(std::uint32_t index, std::string text) noexcept {
    legendIndex = index;
    legendText = std::move(text);
  }
  [[nodiscard]] const std::string& GetText() const noexcept { return legendText; }

  std::uint32_t legendIndex = 0;
  std::string legendText;
};

// Legend texts in the order they were added, and the longest one's length in
// code points (the legend box is sized from it).
class CGraphLegend {
 public:
  void SetLegendText(std::uint32_t index, std::string text);

  // Copy of the i-th text counted from 0; empty when i is out of range.
  [[nodiscard]] std::string GetLegendText(int i) const;

  [[nodiscard]] std::int32_t GetLegendLength() const noexcept { return legendLength; }

  // Empties the list and forgets the longest length.
  void Clear() noexcept;

  std::int32_t legendLength = 0;
  std::vector<CGraphLegendSet> legendList;
};

// Placement of one pie slice's percentage label, filled by the pie drawer.
class CGraphPieLabel {
 public:
  std::int32_t lineStartX = 0;  // leader line start
  std::int32_t lineStartY = 0;
  std::int32_t lineEndX = 0;  // leader line end
  std::int32_t lineEndY = 0;
  std::int32_t textX = 0;  // top-left of the text
  std::int32_t textY = 0;
  std::int32_t midQuadrant = 0;  // quarter 0-3 holding the slice's middle angle
  std::string labelText;
};

}  // namespace tessaloom

// The eighteen Draw methods: copy the store into the chart model in the shape
// the chart kind expects, render, and empty the model again. The store stays
// (apart from negative values that some kinds replace by 0), so the same data
// can be drawn again.
#include <algorithm>
#include <string>
#include <string_view>

#include "access/access_check.h"
#include "component/graph_generator.h"
#include "component/scale.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kNonSeriesGroup[] = "Non Series Graphs";
constexpr char kSeriesGroup[] = "Series Graphs";
constexpr char kNoSeriesMessage[] = "Series Members name not given or Series not added";
// A chart of nothing would be an empty frame taken for the chart the script
// meant; like the series methods, the single-set ones refuse and say why.
constexpr char kNoDataMessage[] = "No data to draw: add values with AddData first";
constexpr char kAccessOutOfMemory[] = "Not enough memory to check the access settings";

ScaleLimits LimitsFromRange(const float* values, std::size_t count) {
  ValueRange range;
  for (std::size_t i = 0; i < count; ++i) range.Add(values[i]);
  return range.Limits();
}

// Height of a stack in whole value units: the stacked kinds draw negative
// values as 0, so they add nothing to the stack the axis must cover.
std::int64_t StackTotal(const float* values, std::size_t count) {
  std::int64_t total = 0;
  for (std::size_t i = 0; i < count; ++i) {
    total += std::max(TruncateToInt32(static_cast<double>(values[i])), 0);
  }
  return total;
}

// Every Draw starts by dropping the image the last one kept in memory, so a
// Draw that draws nothing never hands back the previous chart as its own.
// What an earlier Draw left for the page to read: its image in memory, its
// description and the file it wrote. A Draw that draws nothing must not hand
// them on as its own.
void ForgetChart(CGraph& graph, std::string& altText, std::string& outputFileName) noexcept {
  graph.imageBytes.clear();
  graph.imageBytesFormat = ImageFormat::kByName;
  altText.clear();
  outputFileName.clear();
}

// The path a successful draw to a file wrote: the folder and name the writer
// joins, the name changed as the writer changes it when no format is set.
std::string WrittenPath(const CGraph& graph) {
  std::string path = graph.filePath + "/" + graph.fileName;
  if (graph.imageOptions.format != ImageFormat::kByName) return path;
  return ChooseImageOutput(path).path;
}

}  // namespace

// Sets LastError when a Draw method returns: the access refusal, or the
// message the chart engine left during the call, or "".
class CGraphGenerator::DrawReport {
 public:
  explicit DrawReport(CGraphGenerator& g) noexcept : g_(g), before_(g.graph.errorsSet) {}
  DrawReport(const DrawReport&) = delete;
  DrawReport& operator=(const DrawReport&) = delete;
  ~DrawReport() {
    try {
      if (refused_) {
        g_.lastError = g_.accessErrorText;
      } else if (g_.graph.errorsSet != before_) {
        g_.lastError = g_.graph.errorText;
        if (!g_.graph.errorDetail.empty()) g_.lastError.append(": ").append(g_.graph.errorDetail);
      } else {
        g_.lastError.clear();
      }
    } catch (...) {
      g_.lastError.clear();
    }
  }
  HRESULT Refused() const noexcept {
    refused_ = true;
    return S_OK;
  }

 private:
  CGraphGenerator& g_;
  std::uint32_t before_;
  mutable bool refused_ = false;
};

bool CGraphGenerator::AccessAllowed() noexcept {
  SettingsSources& sources =
      accessSettings != nullptr ? *accessSettings : SettingsSources::Platform();
  AccessCheck check(
      sources,
      AccessFields{componentName, methodGroup, graph.filePath, graph.fileName, adminIniPath,
                   webSiteIniPath, accessUnrestricted, sitePath, outputRoot, accessErrorText});
  check.writesFile = !graph.imageToMemory;
  try {
    graph.outputLimit = {};
    check.LocateAccessSettings();
    if (!check.CheckAccess()) return false;
    // The writer checks the folder it opens once more, against links
    // changed since this check resolved them.
    if (!outputRoot.empty()) {
      graph.outputLimit.refusal =
          OutputPathRefusal(methodGroup, componentName, graph.filePath + "/" + graph.fileName);
      graph.outputLimit.folder = outputRoot;
    }
    return true;
  } catch (...) {
    // Without memory the settings cannot be read, so the call is refused.
    AssignOrClear(accessErrorText, kAccessOutOfMemory);
    return false;
  }
}

HRESULT CGraphGenerator::RenderAndClear() noexcept {
  // Every failure of the draw is a message for ErrorReason; the call succeeds.
  AssignOrClear(graph.description, altText);  // a document's <desc>
  if (graph.RenderToFile() && !graph.imageToMemory) {
    try {
      outputFileName = WrittenPath(graph);
    } catch (...) {
      outputFileName.clear();  // out of memory: the file is written all the same
    }
  }
  graph.ClearAll();
  pendingSeries.reset();
  return S_OK;
}

void CGraphGenerator::LoadSingleSet(const DrawKind& kind) {
  const auto count = static_cast<std::size_t>(dataCount);
  if (kind.scale == Scale::kFromRange) {
    const ScaleLimits l = LimitsFromRange(dataValues.data(), count);
    graph.SetTickLimits(l.low, l.high, l.step);
  } else if (kind.scale == Scale::kFromTotal) {
    const ScaleLimits l =
        ComputeScaleLimits(0, SaturateToInt32(StackTotal(dataValues.data(), count)));
    graph.SetTickLimits(l.low, l.high, l.step);
  }
  if (kind.loading == Loading::kSeriesPerPoint) {
    for (std::size_t i = 0; i < count; ++i) {
      auto series = std::make_unique<CGraphSeries>();
      series->AddDataPoint(0, dataValues[i]);
      series->SetLabel(dataLabels[i]);
      graph.AddGraphSeries(std::move(series));
    }
    return;
  }
  if (!pendingSeries) pendingSeries = std::make_unique<CGraphSeries>();
  for (std::size_t i = 0; i < count; ++i) {
    if (kind.legendTexts) graph.SetLegendText(static_cast<std::uint32_t>(i), dataLabels[i]);
    if (kind.ZeroesNegatives(graph.options.theme) && dataValues[i] < 0.0f) dataValues[i] = 0.0f;
    pendingSeries->AddDataPoint(static_cast<std::uint32_t>(i), dataValues[i]);
  }
  pendingSeries->SetLabel(singleSeriesLabel);
  graph.AddGraphSeries(std::move(pendingSeries));
}

HRESULT CGraphGenerator::DrawSingleSet(const DrawKind& kind) noexcept {
  const DrawReport report(*this);
  methodGroup = kNonSeriesGroup;
  ForgetChart(graph, altText, outputFileName);
  if (!AccessAllowed()) return report.Refused();
  if (dataCount == 0) {
    try {
      graph.SetErrorText(kNoDataMessage);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }
  graph.SetGraphType(kind.graphType);
  try {
    LoadSingleSet(kind);
    DescribeSingleSet(kind);
  } catch (...) {
    graph.ClearAll();
    pendingSeries.reset();
    return E_OUTOFMEMORY;
  }
  return RenderAndClear();
}

void CGraphGenerator::LoadSeriesTable(const DrawKind& kind) {
  const auto seriesCount = static_cast<std::size_t>(seriesIndex) + 1;
  const auto items = static_cast<std::size_t>(itemCount);
  // The caller checked that a series was added, which made the table.
  SeriesTable& table = *seriesValues;
  if (kind.scale == Scale::kFromRange) {
    ValueRange range;
    for (std::size_t s = 0; s < seriesCount; ++s) {
      for (std::size_t k = 0; k < items; ++k) range.Add(table[s][k]);
    }
    const ScaleLimits l = range.Limits();
    graph.SetTickLimits(l.low, l.high, l.step);
  } else if (kind.scale == Scale::kFromTotal) {
    // The tallest stack sets the axis.
    std::int64_t m = 0;
    for (std::size_t s = 0; s < seriesCount; ++s) {
      m = std::max(m, StackTotal(table[s].data(), items));
    }
    const ScaleLimits l = ComputeScaleLimits(0, SaturateToInt32(m));
    graph.SetTickLimits(l.low, l.high, l.step);
  }
  for (std::size_t k = 0; k < items; ++k) {
    graph.SetLegendText(static_cast<std::uint32_t>(k), itemNames[k]);
  }
  for (std::size_t s = 0; s < seriesCount; ++s) {
    auto series = std::make_unique<CGraphSeries>();
    for (std::size_t k = 0; k < items; ++k) {
      float& value = table[s][k];
      if (kind.ZeroesNegatives(graph.options.theme) && value < 0.0f) value = 0.0f;
      series->AddDataPoint(static_cast<std::uint32_t>(k), value);
    }
    series->SetLabel(seriesTitles[s]);
    graph.AddGraphSeries(std::move(series));
  }
}

HRESULT CGraphGenerator::DrawSeriesTable(const DrawKind& kind) noexcept {
  const DrawReport report(*this);
  methodGroup = kSeriesGroup;
  ForgetChart(graph, altText, outputFileName);
  if (!AccessAllowed()) return report.Refused();
  if (kind.typeBeforeCheck) graph.SetGraphType(kind.graphType);
  if (seriesIndex == -1 || itemCount == 0) {
    try {
      graph.SetErrorText(kNoSeriesMessage);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return kind.checkFailure;
  }
  if (!kind.typeBeforeCheck) graph.SetGraphType(kind.graphType);
  try {
    LoadSeriesTable(kind);
    DescribeSeriesTable();
  } catch (...) {
    graph.ClearAll();
    pendingSeries.reset();
    return E_OUTOFMEMORY;
  }
  return RenderAndClear();
}

// The eighteen members, each with its row.

namespace {

using DrawKind = CGraphGenerator::DrawKind;
using Loading = CGraphGenerator::Loading;
using Scale = CGraphGenerator::Scale;

constexpr DrawKind kPie{.graphType = GraphType::kPie, .zeroNegatives = true, .legendTexts = true};
constexpr DrawKind k3DPie{
    .graphType = GraphType::k3DPie, .zeroNegatives = true, .legendTexts = true};
constexpr DrawKind kBar{
    .graphType = GraphType::kBar, .loading = Loading::kSeriesPerPoint, .scale = Scale::kFromRange};
constexpr DrawKind k3DBar{.graphType = GraphType::k3DBar,
                          .loading = Loading::kSeriesPerPoint,
                          .scale = Scale::kFromRange};
constexpr DrawKind kLine{
    .graphType = GraphType::kLine, .loading = Loading::kSeriesPerPoint, .scale = Scale::kFromRange};
constexpr DrawKind k3DLine{.graphType = GraphType::k3DLine,
                           .loading = Loading::kSeriesPerPoint,
                           .scale = Scale::kFromRange};
constexpr DrawKind kBoxWhisker{
    .graphType = GraphType::kBoxWhisker, .scale = Scale::kFromRange, .zeroNegatives = true};
constexpr DrawKind kStackedBar{.graphType = GraphType::kStackedBar,
                               .scale = Scale::kFromTotal,
                               .zeroNegatives = true,
                               .legendTexts = true,
                               .checkFailure = S_FALSE};
constexpr DrawKind k3DStackedBar{.graphType = GraphType::k3DStackedBar,
                                 .scale = Scale::kFromTotal,
                                 .zeroNegatives = true,
                                 .legendTexts = true,
                                 .checkFailure = S_FALSE};
// Series pies set their kind only once the table has data.
constexpr DrawKind kSeriesPie{
    .graphType = GraphType::kPie, .zeroNegatives = true, .typeBeforeCheck = false};
constexpr DrawKind kSeries3DPie{
    .graphType = GraphType::k3DPie, .zeroNegatives = true, .typeBeforeCheck = false};
// Series box-whisker charts keep negative values.
constexpr DrawKind kSeriesBoxWhisker{.graphType = GraphType::kBoxWhisker,
                                     .scale = Scale::kFromRange};

}  // namespace

HRESULT CGraphGenerator::DrawPieGraph() noexcept { return DrawSingleSet(kPie); }
HRESULT CGraphGenerator::Draw3DPieGraph() noexcept { return DrawSingleSet(k3DPie); }
HRESULT CGraphGenerator::DrawBarGraph() noexcept { return DrawSingleSet(kBar); }
HRESULT CGraphGenerator::Draw3DBarGraph() noexcept { return DrawSingleSet(k3DBar); }
HRESULT CGraphGenerator::DrawLineGraph() noexcept { return DrawSingleSet(kLine); }
HRESULT CGraphGenerator::Draw3DLineGraph() noexcept { return DrawSingleSet(k3DLine); }
HRESULT CGraphGenerator::DrawBoxWhiskerGraph() noexcept { return DrawSingleSet(kBoxWhisker); }
HRESULT CGraphGenerator::DrawStackedBarGraph() noexcept { return DrawSingleSet(kStackedBar); }
HRESULT CGraphGenerator::Draw3DStackedBarGraph() noexcept { return DrawSingleSet(k3DStackedBar); }

HRESULT CGraphGenerator::DrawBarSeriesGraph() noexcept { return DrawSeriesTable(kBar); }
HRESULT CGraphGenerator::Draw3DBarSeriesGraph() noexcept { return DrawSeriesTable(k3DBar); }
HRESULT CGraphGenerator::DrawLineSeriesGraph() noexcept { return DrawSeriesTable(kLine); }
HRESULT CGraphGenerator::Draw3DLineSeriesGraph() noexcept { return DrawSeriesTable(k3DLine); }
HRESULT CGraphGenerator::DrawBoxWhiskerSeriesGraph() noexcept {
  return DrawSeriesTable(kSeriesBoxWhisker);
}
HRESULT CGraphGenerator::DrawPieSeriesGraph() noexcept { return DrawSeriesTable(kSeriesPie); }
HRESULT CGraphGenerator::Draw3DPieSeriesGraph() noexcept { return DrawSeriesTable(kSeries3DPie); }
HRESULT CGraphGenerator::DrawStackedBarSeriesGraph() noexcept {
  return DrawSeriesTable(kStackedBar);
}
HRESULT CGraphGenerator::Draw3DStackedBarSeriesGraph() noexcept {
  return DrawSeriesTable(k3DStackedBar);
}

}  // namespace tessaloom

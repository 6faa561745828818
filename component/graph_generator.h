// CGraphGenerator: the automation object GraphGenerator. It owns its data
// store (the single data set and the series table), its chart model and the
// access check's working fields. One object is used by one thread at a time
// (apartment model); objects share nothing, so no member takes a lock.
// Every interface member is noexcept and reports through its HRESULT and
// ErrorReason only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "tessaloom/igraph_generator.h"

namespace tessaloom {

class SettingsSources;

inline constexpr int kMaxDataPoints = 256;
inline constexpr int kMaxSeries = 256;
inline constexpr int kMaxItems = 256;

class CGraphGenerator : public IGraphGenerator2, public ISupportErrorInfo {
 public:
  CGraphGenerator();
  CGraphGenerator(const CGraphGenerator&) = delete;
  CGraphGenerator& operator=(const CGraphGenerator&) = delete;
  virtual ~CGraphGenerator();

  // The interfaces this object answers for: IUnknown, IDispatch,
  // IGraphGenerator, IGraphGenerator2 (the default), ISupportErrorInfo. The reference-counting
  // wrapper (ComObject) forwards QueryInterface here.
  HRESULT InternalQueryInterface(REFIID iid, void** object) noexcept;

  // IDispatch over the static type description.
  HRESULT GetTypeInfoCount(UINT* count) noexcept override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override;
  HRESULT GetIDsOfNames(REFIID iid, OLECHAR** names, UINT count, LCID lcid,
                        DISPID* ids) noexcept override;
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argError) noexcept override;

  // ISupportErrorInfo: S_OK for IGraphGenerator and IGraphGenerator2,
  // S_FALSE otherwise.
  HRESULT InterfaceSupportsErrorInfo(REFIID iid) noexcept override;

  // IGraphGenerator.
  HRESULT get_ErrorReason(BSTR* value) noexcept override;
  HRESULT put_ChartTitle(BSTR value) noexcept override;
  HRESULT put_SeriesLabel(BSTR value) noexcept override;
  HRESULT AddData(BSTR xVal, float yVal) noexcept override;
  HRESULT put_GraphHeight(std::int32_t value) noexcept override;
  HRESULT put_GraphWidth(std::int32_t value) noexcept override;
  HRESULT put_XAxisLabel(BSTR value) noexcept override;
  HRESULT put_YAxisLabel(BSTR value) noexcept override;
  HRESULT DrawPieGraph() noexcept override;
  HRESULT DrawBarGraph() noexcept override;
  HRESULT put_FileName(BSTR value) noexcept override;
  HRESULT put_FilePath(BSTR value) noexcept override;
  HRESULT Draw3DBarGraph() noexcept override;
  HRESULT Draw3DPieGraph() noexcept override;
  HRESULT ClearData() noexcept override;
  HRESULT DrawLineGraph() noexcept override;
  HRESULT Draw3DLineGraph() noexcept override;
  HRESULT HasGridLines(std::int32_t hasGridLines) noexcept override;
  HRESULT HasBackColor(std::int32_t hasBackColor) noexcept override;
  HRESULT DrawBoxWhiskerGraph() noexcept override;
  HRESULT AddDataEx(float yData) noexcept override;
  HRESULT AddSeries(BSTR sSeriesTitle) noexcept override;
  HRESULT Draw3DBarSeriesGraph() noexcept override;
  HRESULT DrawBarSeriesGraph() noexcept override;
  HRESULT AddItemToSeries(BSTR ItemName) noexcept override;
  HRESULT SetVerticalGraph() noexcept override;
  HRESULT SetHorizontalGraph() noexcept override;
  HRESULT Draw3DPieSeriesGraph() noexcept override;
  HRESULT DrawPieSeriesGraph() noexcept override;
  HRESULT DrawLineSeriesGraph() noexcept override;
  HRESULT Draw3DLineSeriesGraph() noexcept override;
  HRESULT DrawBoxWhiskerSeriesGraph() noexcept override;
  HRESULT DrawStackedBarSeriesGraph() noexcept override;
  HRESULT Draw3DStackedBarSeriesGraph() noexcept override;
  HRESULT DrawStackedBarGraph() noexcept override;
  HRESULT Draw3DStackedBarGraph() noexcept override;
  HRESULT ClearSeriesData() noexcept override;
  HRESULT put_BackColor(BSTR value) noexcept override;
  HRESULT AddColor(BSTR Color) noexcept override;

  // IGraphGenerator2.
  HRESULT get_OutputFormat(BSTR* value) noexcept override;
  HRESULT put_OutputFormat(BSTR value) noexcept override;
  HRESULT get_OutputTarget(BSTR* value) noexcept override;
  HRESULT put_OutputTarget(BSTR value) noexcept override;
  HRESULT get_ImageData(SAFEARRAY** value) noexcept override;
  HRESULT get_ImageMimeType(BSTR* value) noexcept override;
  HRESULT get_JpegQuality(std::int32_t* value) noexcept override;
  HRESULT put_JpegQuality(std::int32_t value) noexcept override;
  HRESULT get_LastError(BSTR* value) noexcept override;
  HRESULT get_AltText(BSTR* value) noexcept override;
  HRESULT get_RenderStyle(BSTR* value) noexcept override;
  HRESULT put_RenderStyle(BSTR value) noexcept override;
  HRESULT get_Scale(std::int32_t* value) noexcept override;
  HRESULT put_Scale(std::int32_t value) noexcept override;
  HRESULT get_OutputFileName(BSTR* value) noexcept override;
  HRESULT get_Theme(BSTR* value) noexcept override;
  HRESULT put_Theme(BSTR value) noexcept override;
  HRESULT get_ShowValues(VARIANT_BOOL* value) noexcept override;
  HRESULT put_ShowValues(VARIANT_BOOL value) noexcept override;
  HRESULT get_ValueAxisMin(VARIANT* value) noexcept override;
  HRESULT put_ValueAxisMin(VARIANT value) noexcept override;
  HRESULT get_ValueAxisMax(VARIANT* value) noexcept override;
  HRESULT put_ValueAxisMax(VARIANT value) noexcept override;
  HRESULT get_ValueFormat(BSTR* value) noexcept override;
  HRESULT put_ValueFormat(BSTR value) noexcept override;
  HRESULT get_LegendPosition(BSTR* value) noexcept override;
  HRESULT put_LegendPosition(BSTR value) noexcept override;
  HRESULT get_TransparentBackground(VARIANT_BOOL* value) noexcept override;
  HRESULT put_TransparentBackground(VARIANT_BOOL value) noexcept override;

  // The store, readable by tests and by the Draw methods. Texts are UTF-8 and
  // kept whole, one entry per call, commas and bars included.
  std::string accessErrorText;
  std::int32_t colorCount = 0;
  const std::string componentName = "Tessaloom";
  std::string singleSeriesLabel;
  std::vector<std::string> itemNames;
  std::int32_t itemCount = 0;
  std::int32_t seriesIndex = -1;
  std::int32_t seriesValueCount = 0;
  std::vector<std::string> seriesTitles;
  std::int32_t dataCount = 0;
  std::array<float, kMaxDataPoints> dataValues{};
  // [series][item], 256 KiB of zeros, made by the first AddSeries: an object
  // that only ever draws a single set does not pay for clearing it.
  using SeriesTable = std::array<std::array<float, kMaxItems>, kMaxSeries>;
  std::unique_ptr<SeriesTable> seriesValues;
  // A value of the table; 0 for a table not made yet.
  [[nodiscard]] float SeriesValue(std::size_t series, std::size_t item) const noexcept {
    return seriesValues ? (*seriesValues)[series][item] : 0.0f;
  }
  std::vector<std::string> dataLabels;
  std::unique_ptr<CGraphSeries> pendingSeries;
  CGraph graph;
  std::string sitePath;
  std::string adminIniPath;
  std::string webSiteIniPath;
  std::int32_t accessUnrestricted = 0;
  std::string outputRoot;        // the site folder the output must stay in; empty: anywhere
  std::string_view methodGroup;  // the Draw method's group (a constant), for the access check
  // Where the access check reads the administrator's settings; null means the
  // platform's (registry file, INI files, the thread's request). Tests point
  // it at an in-memory store, which must outlive the Draw calls.
  SettingsSources* accessSettings = nullptr;
  // The error text of the most recent call alone; every member but the
  // property gets sets it (to "" when the call went well).
  std::string lastError;
  // The description of the last chart drawn, built before it is rendered.
  std::string altText;
  // The path the last Draw wrote its file to; "" when it wrote none.
  std::string outputFileName;

  // The shapes in which a Draw method hands the single data set to the model.
  enum class Loading { kOneSeries, kSeriesPerPoint };
  enum class Scale { kNone, kFromRange, kFromTotal };
  // What one Draw method does with the store: the chart kind, how the data
  // become series, the value-axis scale it sets, whether negative values are
  // stored and drawn as 0, whether single-set labels become legend texts,
  // whether a series chart sets its kind before checking its input, and the
  // result of a series chart without series or items.
  struct DrawKind {
    GraphType graphType = GraphType::kBar;
    Loading loading = Loading::kOneSeries;
    Scale scale = Scale::kNone;
    bool zeroNegatives = false;
    bool legendTexts = false;
    bool typeBeforeCheck = true;
    HRESULT checkFailure = S_OK;
    // Whether negative values are drawn (and kept in the store) as 0: the
    // kinds that say so, but for the modern themes' flat stacked bars, which
    // stack them down from zero.
    [[nodiscard]] bool ZeroesNegatives(Theme theme) const noexcept {
      return zeroNegatives && !(graphType == GraphType::kStackedBar && theme != Theme::kClassic);
    }
  };

 private:
  class DrawReport;
  // Access check of the hosting administrator's settings; true to go on.
  bool AccessAllowed() noexcept;
  HRESULT DrawSingleSet(const DrawKind& kind) noexcept;
  HRESULT DrawSeriesTable(const DrawKind& kind) noexcept;
  void LoadSingleSet(const DrawKind& kind);
  void LoadSeriesTable(const DrawKind& kind);
  // Renders the loaded model and empties its series and colours; whatever
  // happens, the model's lists are cleared and pendingSeries is null after.
  HRESULT RenderAndClear() noexcept;
  // A put's refusal: E_INVALIDARG, with `message` in ErrorReason and LastError.
  HRESULT RefuseValue(const char* message) noexcept;
  // ValueAxisMin and ValueAxisMax's put: a finite number, or automatic.
  HRESULT PutAxisEnd(const VARIANT& value, double& end, const char* refusal) noexcept;
  // The single-set and series descriptions AltText reads.
  void DescribeSingleSet(const DrawKind& kind);
  void DescribeSeriesTable();
};

// Creates a GraphGenerator with one reference held by `*object` (as the
// interface `iid`). E_OUTOFMEMORY or E_NOINTERFACE leave `*object` null.
HRESULT CreateGraphGenerator(REFIID iid, void** object) noexcept;

}  // namespace tessaloom

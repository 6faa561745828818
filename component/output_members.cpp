// IGraphGenerator2: the output choices (format, memory target, JPEG quality),
// the image kept in memory, LastError and AltText, which describes the chart
// in words for a page's <img alt>.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "chart/value_format.h"
#include "component/graph_generator.h"
#include "draw/drawing_surface.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kBadFormat[] =
    "Unknown OutputFormat: use \"\", \"bmp\", \"jpeg\", \"png\", \"svg\" or \"pdf\"";
constexpr char kBadStyle[] = "Unknown RenderStyle: use \"classic\" or \"smooth\"";
constexpr char kBadScale[] = "Scale must be from 1 to 4";
constexpr char kBadTarget[] = "Unknown OutputTarget: use \"file\" or \"memory\"";
constexpr char kBadQuality[] = "JpegQuality must be from 1 to 100";

// Values past this many are summed up as "and N more": a description longer
// than that is no help to a reader.
constexpr std::size_t kDescribedValues = 50;

HRESULT ReturnText(std::string_view text, BSTR* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = BstrFromUtf8(text);
  return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

bool ParseFormat(std::string_view text, ImageFormat& format) {
  if (text.empty()) {
    format = ImageFormat::kByName;
  } else if (EqualsIgnoreAsciiCase(text, "bmp")) {
    format = ImageFormat::kBmp;
  } else if (EqualsIgnoreAsciiCase(text, "jpeg") || EqualsIgnoreAsciiCase(text, "jpg")) {
    format = ImageFormat::kJpeg;
  } else if (EqualsIgnoreAsciiCase(text, "png")) {
    format = ImageFormat::kPng;
  } else if (EqualsIgnoreAsciiCase(text, "svg")) {
    format = ImageFormat::kSvg;
  } else if (EqualsIgnoreAsciiCase(text, "pdf")) {
    format = ImageFormat::kPdf;
  } else {
    return false;
  }
  return true;
}

const char* FormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::kBmp: return "bmp";
    case ImageFormat::kJpeg: return "jpeg";
    case ImageFormat::kPng: return "png";
    case ImageFormat::kSvg: return "svg";
    case ImageFormat::kPdf: return "pdf";
    case ImageFormat::kByName: break;
  }
  return "";
}

const char* KindName(GraphType graphType) {
  switch (graphType) {
    case GraphType::kBar: return "Bar chart";
    case GraphType::k3DBar: return "3D bar chart";
    case GraphType::kPie: return "Pie chart";
    case GraphType::k3DPie: return "3D pie chart";
    case GraphType::kLine: return "Line chart";
    case GraphType::k3DLine: return "3D line chart";
    case GraphType::kBoxWhisker: return "Box-and-whisker chart";
    case GraphType::kStackedBar: return "Stacked bar chart";
    case GraphType::k3DStackedBar: return "3D stacked bar chart";
    default: return "Chart";
  }
}

// `value` as the script's ValueFormat writes it, or as its shortest exact
// text when the format is automatic.
void AppendNumber(std::string& out, float value, const ValueFormat& format) {
  if (!format.IsAutomatic()) {
    out += format.Format(static_cast<double>(value));
    return;
  }
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec == std::errc()) out.append(buffer, end);
}

// Builds the text: heading, then "name value" entries up to the limit,
// keeping track of the smallest and largest value and where they are.
class Description {
 public:
  explicit Description(const CGraph& graph) {
    std::string unread;
    if (!format_.Parse(graph.options.valueFormat, unread)) format_ = ValueFormat();
    text_ = KindName(graph.graphType);
    if (!graph.chartTitle.empty()) text_ += " \"" + graph.chartTitle + "\"";
    if (!graph.xAxisLabel.empty()) text_ += ", x axis \"" + graph.xAxisLabel + "\"";
    if (!graph.yAxisLabel.empty()) text_ += ", y axis \"" + graph.yAxisLabel + "\"";
  }

  void Count(std::size_t values, std::string_view what) {
    text_ += ", " + std::to_string(values) + " " + std::string(what);
  }
  // Starts a group of values (a series); `name` is said once before them.
  void Group(std::string_view name) {
    group_ = name;
    groupSaid_ = false;
  }
  void Value(std::string_view name, float value) {
    const std::string where =
        group_.empty() ? std::string(name) : group_ + ", " + std::string(name);
    if (!std::isnan(value)) {
      if (!any_ || value < min_) min_ = value, minAt_ = where;
      if (!any_ || value > max_) max_ = value, maxAt_ = where;
      any_ = true;
    }
    if (said_ == kDescribedValues) {
      ++more_;
      return;
    }
    text_ += said_ == 0 ? ": " : (groupSaid_ ? ", " : "; ");
    if (!group_.empty() && !groupSaid_) text_ += group_ + ": ";
    groupSaid_ = true;
    text_ += name;
    text_ += ' ';
    AppendNumber(text_, value, format_);
    ++said_;
  }
  std::string Finish() {
    if (more_ != 0) text_ += ", and " + std::to_string(more_) + " more";
    text_ += '.';
    if (any_) {
      text_ += " Smallest value ";
      AppendNumber(text_, min_, format_);
      text_ += " (" + minAt_ + "), largest ";
      AppendNumber(text_, max_, format_);
      text_ += " (" + maxAt_ + ").";
    }
    return std::move(text_);
  }

 private:
  ValueFormat format_;  // the numbers' format, as the chart's ticks and labels
  std::string text_;
  std::string group_;
  bool groupSaid_ = false;
  std::size_t said_ = 0;
  std::size_t more_ = 0;
  bool any_ = false;
  float min_ = 0.0f;
  float max_ = 0.0f;
  std::string minAt_;
  std::string maxAt_;
};

}  // namespace

HRESULT CGraphGenerator::RefuseValue(const char* message) noexcept {
  try {
    graph.SetErrorText(message);
    lastError = message;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return E_INVALIDARG;
}

void CGraphGenerator::DescribeSingleSet(const DrawKind& kind) {
  Description text(graph);
  const auto count = static_cast<std::size_t>(dataCount);
  text.Count(count, count == 1 ? "value" : "values");
  for (std::size_t i = 0; i < count; ++i) {
    float value = dataValues[i];
    if (kind.ZeroesNegatives(graph.options.theme) && value < 0.0f) value = 0.0f;
    text.Value(dataLabels[i], value);
  }
  altText = text.Finish();
}

void CGraphGenerator::DescribeSeriesTable() {
  Description text(graph);
  const auto seriesCount = static_cast<std::size_t>(seriesIndex) + 1;
  const auto items = static_cast<std::size_t>(itemCount);
  text.Count(seriesCount, "series");
  text.Count(items, items == 1 ? "item each" : "items each");
  for (std::size_t s = 0; s < seriesCount; ++s) {
    text.Group(seriesTitles[s]);
    for (std::size_t k = 0; k < items; ++k) text.Value(itemNames[k], SeriesValue(s, k));
  }
  altText = text.Finish();
}

HRESULT CGraphGenerator::get_OutputFormat(BSTR* value) noexcept {
  return ReturnText(FormatName(graph.imageOptions.format), value);
}

HRESULT CGraphGenerator::put_OutputFormat(BSTR value) noexcept {
  ImageFormat format = ImageFormat::kByName;
  try {
    if (!ParseFormat(BstrToUtf8(value), format)) return RefuseValue(kBadFormat);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  graph.imageOptions.format = format;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_OutputTarget(BSTR* value) noexcept {
  return ReturnText(graph.imageToMemory ? "memory" : "file", value);
}

HRESULT CGraphGenerator::put_OutputTarget(BSTR value) noexcept {
  bool memory = false;
  try {
    const std::string text = BstrToUtf8(value);
    if (EqualsIgnoreAsciiCase(text, "memory")) {
      memory = true;
    } else if (!EqualsIgnoreAsciiCase(text, "file")) {
      return RefuseValue(kBadTarget);
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  graph.imageToMemory = memory;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_ImageData(SAFEARRAY** value) noexcept {
  if (value == nullptr) return E_POINTER;
  const std::vector<std::uint8_t>& bytes = graph.imageBytes;
  // An image past the array's 32-bit count cannot be handed out; the canvas's
  // bound keeps every encoded chart far below it.
  if (bytes.size() > UINT32_MAX) return E_OUTOFMEMORY;
  *value = SafeArrayCreateVector(VT_UI1, 0, static_cast<std::uint32_t>(bytes.size()));
  if (*value == nullptr) return E_OUTOFMEMORY;
  if (!bytes.empty()) std::memcpy((*value)->pvData, bytes.data(), bytes.size());
  return S_OK;
}

HRESULT CGraphGenerator::get_ImageMimeType(BSTR* value) noexcept {
  return ReturnText(ImageMimeType(graph.imageBytesFormat), value);
}

HRESULT CGraphGenerator::get_JpegQuality(std::int32_t* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = graph.imageOptions.jpegQuality;
  return S_OK;
}

HRESULT CGraphGenerator::put_JpegQuality(std::int32_t value) noexcept {
  if (value < 1 || value > 100) return RefuseValue(kBadQuality);
  graph.imageOptions.jpegQuality = value;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_LastError(BSTR* value) noexcept {
  return ReturnText(lastError, value);
}

HRESULT CGraphGenerator::get_AltText(BSTR* value) noexcept { return ReturnText(altText, value); }

HRESULT CGraphGenerator::get_OutputFileName(BSTR* value) noexcept {
  return ReturnText(outputFileName, value);
}

HRESULT CGraphGenerator::get_RenderStyle(BSTR* value) noexcept {
  return ReturnText(graph.renderStyle == RenderStyle::kSmooth ? "smooth" : "classic", value);
}

HRESULT CGraphGenerator::put_RenderStyle(BSTR value) noexcept {
  RenderStyle style = RenderStyle::kClassic;
  try {
    const std::string text = BstrToUtf8(value);
    if (EqualsIgnoreAsciiCase(text, "smooth")) {
      style = RenderStyle::kSmooth;
    } else if (!EqualsIgnoreAsciiCase(text, "classic")) {
      return RefuseValue(kBadStyle);
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  graph.renderStyle = style;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_Scale(std::int32_t* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = graph.imageScale;
  return S_OK;
}

HRESULT CGraphGenerator::put_Scale(std::int32_t value) noexcept {
  if (value < 1 || value > kMaxScale) return RefuseValue(kBadScale);
  graph.imageScale = value;
  lastError.clear();
  return S_OK;
}

}  // namespace tessaloom

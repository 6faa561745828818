// IGraphGenerator2: the chart options (theme, value labels, the value axis's
// ends, the number format, the legend's place, a transparent background).
// Each is kept in the model's options for the drawers; a refused value
// leaves the setting as it was.
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "chart/value_format.h"
#include "component/graph_generator.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kBadTheme[] = "Unknown Theme: use \"classic\", \"modern\" or \"dark\"";
constexpr char kBadLegend[] =
    "Unknown LegendPosition: use \"auto\", \"right\", \"top\", \"bottom\" or \"none\"";
constexpr char kBadMin[] =
    "ValueAxisMin must be a number within the 4-byte float range, or empty (or NaN) for "
    "automatic";
constexpr char kBadMax[] =
    "ValueAxisMax must be a number within the 4-byte float range, or empty (or NaN) for "
    "automatic";

template <typename T>
struct Named {
  const char* name;
  T value;
};
constexpr Named<Theme> kThemes[] = {
    {"classic", Theme::kClassic}, {"modern", Theme::kModern}, {"dark", Theme::kDark}};
constexpr Named<LegendPosition> kLegendPositions[] = {{"auto", LegendPosition::kAuto},
                                                      {"right", LegendPosition::kRight},
                                                      {"top", LegendPosition::kTop},
                                                      {"bottom", LegendPosition::kBottom},
                                                      {"none", LegendPosition::kNone}};

template <typename T, std::size_t N>
const char* NameOf(const Named<T> (&names)[N], T value) {
  for (const Named<T>& entry : names) {
    if (entry.value == value) return entry.name;
  }
  return names[0].name;
}

HRESULT ReturnText(std::string_view text, BSTR* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = BstrFromUtf8(text);
  return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

// Looks `value` up by name, any letter case; E_INVALIDARG when it is none of
// them, E_OUTOFMEMORY when the text cannot be converted.
template <typename T, std::size_t N>
HRESULT ParseName(BSTR value, const Named<T> (&names)[N], T& out) noexcept {
  try {
    const std::string text = BstrToUtf8(value);
    for (const Named<T>& entry : names) {
      if (EqualsIgnoreAsciiCase(text, entry.name)) {
        out = entry.value;
        return S_OK;
      }
    }
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return E_INVALIDARG;
}

HRESULT ReturnBool(bool flag, VARIANT_BOOL* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = flag ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ReturnAxisEnd(double end, VARIANT* value) noexcept {
  if (value == nullptr) return E_POINTER;
  VariantInit(value);
  if (!std::isnan(end)) value->vt = VT_R8, value->dblVal = end;
  return S_OK;
}

// Whether the drawers can read a ValueFormat code; the reason in `error`
// when not.
bool ValueFormatReadable(std::string_view code, std::string& error) noexcept {
  ValueFormat format;
  return format.Parse(code, error);
}

}  // namespace

HRESULT CGraphGenerator::get_Theme(BSTR* value) noexcept {
  return ReturnText(NameOf(kThemes, graph.options.theme), value);
}

HRESULT CGraphGenerator::put_Theme(BSTR value) noexcept {
  Theme theme = Theme::kClassic;
  const HRESULT hr = ParseName(value, kThemes, theme);
  if (hr == E_INVALIDARG) return RefuseValue(kBadTheme);
  if (FAILED(hr)) return hr;
  graph.options.theme = theme;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_LegendPosition(BSTR* value) noexcept {
  return ReturnText(NameOf(kLegendPositions, graph.options.legendPosition), value);
}

HRESULT CGraphGenerator::put_LegendPosition(BSTR value) noexcept {
  LegendPosition position = LegendPosition::kAuto;
  const HRESULT hr = ParseName(value, kLegendPositions, position);
  if (hr == E_INVALIDARG) return RefuseValue(kBadLegend);
  if (FAILED(hr)) return hr;
  graph.options.legendPosition = position;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_ShowValues(VARIANT_BOOL* value) noexcept {
  return ReturnBool(graph.options.showValues, value);
}

HRESULT CGraphGenerator::put_ShowValues(VARIANT_BOOL value) noexcept {
  graph.options.showValues = value != VARIANT_FALSE;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_TransparentBackground(VARIANT_BOOL* value) noexcept {
  return ReturnBool(graph.options.transparentBackground, value);
}

HRESULT CGraphGenerator::put_TransparentBackground(VARIANT_BOOL value) noexcept {
  graph.options.transparentBackground = value != VARIANT_FALSE;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_ValueAxisMin(VARIANT* value) noexcept {
  return ReturnAxisEnd(graph.options.valueAxisMin, value);
}

HRESULT CGraphGenerator::put_ValueAxisMin(VARIANT value) noexcept {
  return PutAxisEnd(value, graph.options.valueAxisMin, kBadMin);
}

HRESULT CGraphGenerator::get_ValueAxisMax(VARIANT* value) noexcept {
  return ReturnAxisEnd(graph.options.valueAxisMax, value);
}

HRESULT CGraphGenerator::put_ValueAxisMax(VARIANT value) noexcept {
  return PutAxisEnd(value, graph.options.valueAxisMax, kBadMax);
}

// Empty, null, "" and NaN: automatic. Anything else converts to a number in
// the range the data's values have, so the axis can always hold its ends.
HRESULT CGraphGenerator::PutAxisEnd(const VARIANT& value, double& end,
                                    const char* refusal) noexcept {
  constexpr auto kLargest = static_cast<double>(std::numeric_limits<float>::max());
  double number = std::numeric_limits<double>::quiet_NaN();
  const bool noText = value.vt == VT_BSTR && SysStringLen(value.bstrVal) == 0;
  if (!noText && value.vt != VT_EMPTY && value.vt != VT_NULL) {
    Variant converted;
    if (FAILED(VariantChangeType(converted.get(), &value, 0, VT_R8))) return RefuseValue(refusal);
    number = converted.get()->dblVal;
    if (!std::isnan(number) && !(std::fabs(number) <= kLargest)) return RefuseValue(refusal);
  }
  end = number;
  lastError.clear();
  return S_OK;
}

HRESULT CGraphGenerator::get_ValueFormat(BSTR* value) noexcept {
  return ReturnText(graph.options.valueFormat, value);
}

HRESULT CGraphGenerator::put_ValueFormat(BSTR value) noexcept {
  try {
    std::string code = BstrToUtf8(value);
    std::string error;
    if (!ValueFormatReadable(code, error)) return RefuseValue(error.c_str());
    graph.options.valueFormat = std::move(code);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  lastError.clear();
  return S_OK;
}

}  // namespace tessaloom

#include "component/graph_generator.h"

#include <climits>
#include <cmath>

#include "component/color.h"
#include "component/type_library.h"
#include "platform/com_object.h"
#include "tessaloom/module.h"

namespace tessaloom {
namespace {

// Runs a member body; memory exhaustion becomes E_OUTOFMEMORY instead of
// crossing the interface. Bodies build every new text before they change
// the store, so a failed call leaves the store as it was.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// Script colours past this many are never drawn: colours are picked by slot
// index, and a chart has at most 256 slots. Storing them would only let a
// loop of AddColor calls grow the list without bound.
constexpr std::size_t kMaxScriptColors = 256;

}  // namespace

CGraphGenerator::CGraphGenerator() { ModuleAddObject(); }

CGraphGenerator::~CGraphGenerator() { ModuleReleaseObject(); }

HRESULT CGraphGenerator::InternalQueryInterface(REFIID iid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IGraphGenerator ||
      iid == IID_IGraphGenerator2) {
    *object = static_cast<IGraphGenerator2*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(static_cast<IGraphGenerator2*>(this))->AddRef();
  return S_OK;
}

HRESULT CGraphGenerator::GetTypeInfoCount(UINT* count) noexcept {
  if (count == nullptr) return E_POINTER;
  *count = 0;  // the description is static, reachable through TessaloomTypeLibrary()
  return S_OK;
}

HRESULT CGraphGenerator::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT CGraphGenerator::GetIDsOfNames(REFIID iid, OLECHAR** names, UINT count, LCID,
                                       DISPID* ids) noexcept {
  return DispatchGetIDsOfNames(GraphGenerator2Interface(), iid, names, count, ids);
}

namespace {

// Whether a late-bound call only reads a property; every other call starts
// with a LastError of its own.
bool OnlyReads(DISPID id, WORD flags) {
  if ((flags & DISPATCH_PROPERTYGET) == 0) return false;
  for (const MemberDescription& m : GraphGenerator2Interface().members) {
    if (m.dispid == id) return m.kind == MemberKind::kPropertyGet;
  }
  return false;
}

}  // namespace

HRESULT CGraphGenerator::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept {
  if (!OnlyReads(id, flags)) lastError.clear();
  return DispatchInvoke(GraphGenerator2Interface(), static_cast<IGraphGenerator2*>(this), id, iid,
                        flags, params, result, exception, argError);
}

HRESULT CGraphGenerator::InterfaceSupportsErrorInfo(REFIID iid) noexcept {
  return iid == IID_IGraphGenerator || iid == IID_IGraphGenerator2 ? S_OK : S_FALSE;
}

// Properties.

HRESULT CGraphGenerator::get_ErrorReason(BSTR* value) noexcept {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  // An access refusal, once recorded, outranks any later engine message.
  const std::string& text = accessErrorText.empty() ? graph.errorText : accessErrorText;
  BSTR result = BstrFromUtf8(text);
  if (result == nullptr) return E_OUTOFMEMORY;
  *value = result;
  return S_OK;
}

HRESULT CGraphGenerator::put_ChartTitle(BSTR value) noexcept {
  return Guarded([&] {
    graph.SetChartTitle(BstrToUtf8(value));
    return S_OK;
  });
}

HRESULT CGraphGenerator::put_SeriesLabel(BSTR value) noexcept {
  return Guarded([&] {
    singleSeriesLabel = BstrToUtf8(value);
    return S_OK;
  });
}

HRESULT CGraphGenerator::put_GraphHeight(std::int32_t value) noexcept {
  if (value > 0) graph.SetGraphHeight(value);
  return S_OK;
}

HRESULT CGraphGenerator::put_GraphWidth(std::int32_t value) noexcept {
  if (value > 0) graph.SetGraphWidth(value);
  return S_OK;
}

HRESULT CGraphGenerator::put_XAxisLabel(BSTR value) noexcept {
  return Guarded([&] {
    graph.SetXAxisLabel(BstrToUtf8(value));
    return S_OK;
  });
}

HRESULT CGraphGenerator::put_YAxisLabel(BSTR value) noexcept {
  return Guarded([&] {
    graph.SetYAxisLabel(BstrToUtf8(value));
    return S_OK;
  });
}

HRESULT CGraphGenerator::put_FileName(BSTR value) noexcept {
  return Guarded([&] {
    graph.SetFileName(BstrToUtf8(value));
    return S_OK;
  });
}

HRESULT CGraphGenerator::put_FilePath(BSTR value) noexcept {
  return Guarded([&] {
    graph.SetFilePath(BstrToUtf8(value));
    return S_OK;
  });
}

// The single data set.

HRESULT CGraphGenerator::AddData(BSTR xVal, float yVal) noexcept {
  // NaN and infinity have no place on an axis; they are refused as the late-
  // bound path refuses a value past the float range.
  if (!std::isfinite(yVal)) return DISP_E_OVERFLOW;
  if (dataCount >= kMaxDataPoints) return S_OK;
  return Guarded([&] {
    dataLabels.push_back(BstrToUtf8(xVal));
    dataValues[static_cast<std::size_t>(dataCount)] = yVal;
    ++dataCount;
    return S_OK;
  });
}

HRESULT CGraphGenerator::ClearData() noexcept {
  dataCount = 0;
  dataLabels.clear();
  return S_OK;
}

// The series table.

HRESULT CGraphGenerator::AddItemToSeries(BSTR ItemName) noexcept {
  // A series row holds 256 values, so later items are refused whole.
  if (itemCount >= kMaxItems) return S_OK;
  return Guarded([&] {
    itemNames.push_back(BstrToUtf8(ItemName));
    ++itemCount;
    return S_OK;
  });
}

HRESULT CGraphGenerator::AddSeries(BSTR sSeriesTitle) noexcept {
  // Titles beyond the 256th series are never drawn; they are not kept, so a
  // runaway loop cannot grow the list without bound.
  if (seriesIndex >= kMaxSeries - 1) return S_OK;
  return Guarded([&] {
    if (!seriesValues) seriesValues = std::make_unique<SeriesTable>();
    seriesTitles.push_back(BstrToUtf8(sSeriesTitle));
    ++seriesIndex;
    seriesValueCount = 0;
    return S_OK;
  });
}

HRESULT CGraphGenerator::AddDataEx(float yData) noexcept {
  if (!std::isfinite(yData)) return DISP_E_OVERFLOW;  // as AddData
  // Before the first AddSeries there is no row to hold the value.
  if (seriesIndex < 0 || seriesValueCount >= itemCount) return S_OK;
  (*seriesValues)[static_cast<std::size_t>(seriesIndex)]
                 [static_cast<std::size_t>(seriesValueCount)] = yData;
  ++seriesValueCount;
  return S_OK;
}

HRESULT CGraphGenerator::ClearSeriesData() noexcept {
  itemNames.clear();
  seriesTitles.clear();
  if (seriesValues) {
    for (auto& row : *seriesValues) row.fill(0.0f);
  }
  seriesIndex = -1;
  seriesValueCount = 0;
  itemCount = 0;
  return S_OK;
}

// Switches and colours.

HRESULT CGraphGenerator::HasGridLines(std::int32_t hasGridLines) noexcept {
  graph.SetGridLines(hasGridLines != 0);
  return S_OK;
}

HRESULT CGraphGenerator::HasBackColor(std::int32_t hasBackColor) noexcept {
  graph.SetBackColorFlag(hasBackColor != 0);
  return S_OK;
}

HRESULT CGraphGenerator::SetVerticalGraph() noexcept {
  graph.SetOrientation(true);
  return S_OK;
}

HRESULT CGraphGenerator::SetHorizontalGraph() noexcept {
  graph.SetOrientation(false);
  return S_OK;
}

HRESULT CGraphGenerator::put_BackColor(BSTR value) noexcept {
  return Guarded([&] {
    const std::string text = BstrToUtf8(value);
    graph.backColor = text.empty() ? RGB(255, 255, 255) : ParseColor(text);
    return S_OK;
  });
}

HRESULT CGraphGenerator::AddColor(BSTR Color) noexcept {
  if (SysStringLen(Color) == 0) return S_OK;
  return Guarded([&] {
    const COLORREF color = ParseColor(BstrToUtf8(Color));
    if (graph.colorList.size() < kMaxScriptColors) {
      graph.AddDataColor(static_cast<std::uint32_t>(colorCount), color);
    }
    if (colorCount < INT_MAX) ++colorCount;
    return S_OK;
  });
}

HRESULT CreateGraphGenerator(REFIID iid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  ComObject<CGraphGenerator>* created = nullptr;
  try {
    created = new ComObject<CGraphGenerator>();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  IUnknown* unknown = static_cast<IGraphGenerator2*>(created);
  unknown->AddRef();
  const HRESULT hr = created->QueryInterface(iid, object);
  unknown->Release();  // deletes the object when the interface was refused
  return hr;
}

}  // namespace tessaloom

#include "component/type_library.h"

#include <array>

namespace tessaloom {
namespace {

// The dispatcher is handed the object as its default interface; the
// classic members are reached through the base.
IGraphGenerator2* Self(IDispatch* self) { return static_cast<IGraphGenerator2*>(self); }

constexpr std::array<ParameterDescription, kMaxParameters> kNoParameters{};
constexpr std::array<ParameterDescription, kMaxParameters> kTextValue{{{"newVal", VT_BSTR}}};
constexpr std::array<ParameterDescription, kMaxParameters> kIntValue{{{"newVal", VT_I4}}};

// One table row per member; the macros only spell out the thunk that
// unpacks the coerced arguments for each shape of member.
#define TESSALOOM_METHOD(id, name, help)                                          \
  MemberDescription {                                                             \
    id, #name, MemberKind::kMethod, 0, kNoParameters, VT_EMPTY, help,             \
        [](IDispatch* s, VARIANT*, VARIANT*) noexcept { return Self(s)->name(); } \
  }
#define TESSALOOM_PUT_TEXT(id, name)                                                 \
  MemberDescription {                                                                \
    id, #name, MemberKind::kPropertyPut, 1, kTextValue, VT_EMPTY, "property " #name, \
        [](IDispatch* s, VARIANT* a, VARIANT*) noexcept {                            \
          return Self(s)->put_##name(a[0].bstrVal);                                  \
        }                                                                            \
  }
#define TESSALOOM_PUT_INT(id, name)                                                                \
  MemberDescription {                                                                              \
    id, #name, MemberKind::kPropertyPut, 1, kIntValue, VT_EMPTY, "property " #name,                \
        [](IDispatch* s, VARIANT* a, VARIANT*) noexcept { return Self(s)->put_##name(a[0].lVal); } \
  }
#define TESSALOOM_METHOD_1(id, name, param, vt, field, help)                                  \
  MemberDescription {                                                                         \
    id, #name, MemberKind::kMethod, 1, {{{param, vt}}}, VT_EMPTY, help,                       \
        [](IDispatch* s, VARIANT* a, VARIANT*) noexcept { return Self(s)->name(a[0].field); } \
  }

HRESULT GetErrorReason(IDispatch* self, VARIANT*, VARIANT* result) noexcept {
  BSTR text = nullptr;
  const HRESULT hr = Self(self)->get_ErrorReason(&text);
  if (FAILED(hr)) return hr;
  result->vt = VT_BSTR;
  result->bstrVal = text;
  return hr;
}

HRESULT InvokeAddData(IDispatch* self, VARIANT* a, VARIANT*) noexcept {
  return Self(self)->AddData(a[0].bstrVal, a[1].fltVal);
}

template <HRESULT (IGraphGenerator2::*Get)(BSTR*) noexcept>
HRESULT GetText(IDispatch* self, VARIANT*, VARIANT* result) noexcept {
  BSTR text = nullptr;
  const HRESULT hr = (Self(self)->*Get)(&text);
  if (FAILED(hr)) return hr;
  result->vt = VT_BSTR;
  result->bstrVal = text;
  return hr;
}

HRESULT GetImageData(IDispatch* self, VARIANT*, VARIANT* result) noexcept {
  SAFEARRAY* bytes = nullptr;
  const HRESULT hr = Self(self)->get_ImageData(&bytes);
  if (FAILED(hr)) return hr;
  result->vt = VT_ARRAY | VT_UI1;
  result->parray = bytes;
  return hr;
}

template <HRESULT (IGraphGenerator2::*Get)(std::int32_t*) noexcept>
HRESULT GetInt(IDispatch* self, VARIANT*, VARIANT* result) noexcept {
  std::int32_t value = 0;
  const HRESULT hr = (Self(self)->*Get)(&value);
  if (FAILED(hr)) return hr;
  result->vt = VT_I4;
  result->lVal = value;
  return hr;
}

#define TESSALOOM_GET_TEXT(id, name)                                                   \
  MemberDescription {                                                                  \
    id, #name, MemberKind::kPropertyGet, 0, kNoParameters, VT_BSTR, "property " #name, \
        GetText<&IGraphGenerator2::get_##name>                                         \
  }

// The classic members first, in vtable order, then IGraphGenerator2's; the
// classic interface's description is the first 39 rows.
constexpr std::size_t kClassicMembers = 39;
const std::array<MemberDescription, kClassicMembers + 14> kMembers{{
    {1, "ErrorReason", MemberKind::kPropertyGet, 0, kNoParameters, VT_BSTR, "property ErrorReason",
     GetErrorReason},
    TESSALOOM_PUT_TEXT(2, ChartTitle),
    TESSALOOM_PUT_TEXT(3, SeriesLabel),
    {4,
     "AddData",
     MemberKind::kMethod,
     2,
     {{{"xVal", VT_BSTR}, {"yVal", VT_R4}}},
     VT_EMPTY,
     "method AddData",
     InvokeAddData},
    TESSALOOM_PUT_INT(5, GraphHeight),
    TESSALOOM_PUT_INT(6, GraphWidth),
    TESSALOOM_PUT_TEXT(7, XAxisLabel),
    TESSALOOM_PUT_TEXT(8, YAxisLabel),
    TESSALOOM_METHOD(9, DrawPieGraph, "method DrawPieGraph"),
    TESSALOOM_METHOD(10, DrawBarGraph, "method DrawBarGraph"),
    TESSALOOM_PUT_TEXT(11, FileName),
    TESSALOOM_PUT_TEXT(12, FilePath),
    TESSALOOM_METHOD(13, Draw3DBarGraph, "method Draw3DBarGraph"),
    TESSALOOM_METHOD(14, Draw3DPieGraph, "method Draw3DPieGraph"),
    TESSALOOM_METHOD(15, ClearData, "method ClearData"),
    TESSALOOM_METHOD(16, DrawLineGraph, "method DrawLineGraph"),
    TESSALOOM_METHOD(17, Draw3DLineGraph, "method Draw3DLineGraph"),
    TESSALOOM_METHOD_1(18, HasGridLines, "HasGridLines", VT_I4, lVal, "method SetGridLines"),
    TESSALOOM_METHOD_1(19, HasBackColor, "HasBackColor", VT_I4, lVal, "method HasBackColor"),
    TESSALOOM_METHOD(20, DrawBoxWhiskerGraph, "method DrawBoxWhiskerGraph"),
    TESSALOOM_METHOD_1(21, AddDataEx, "yData", VT_R4, fltVal, "method AddDataEx"),
    TESSALOOM_METHOD_1(22, AddSeries, "sSeriesTitle", VT_BSTR, bstrVal, "method AddSeries"),
    TESSALOOM_METHOD(23, Draw3DBarSeriesGraph, "method Draw3dBarSeriesGraph"),
    TESSALOOM_METHOD(24, DrawBarSeriesGraph, "method DrawBarSeriesGraph"),
    TESSALOOM_METHOD_1(25, AddItemToSeries, "ItemName", VT_BSTR, bstrVal, "method AddItemToSeries"),
    TESSALOOM_METHOD(26, SetVerticalGraph, "method SetVerticalGraph"),
    TESSALOOM_METHOD(27, SetHorizontalGraph, "method SetHorizontalGraph"),
    TESSALOOM_METHOD(28, Draw3DPieSeriesGraph, "method Draw3DPieSeriesGraph"),
    TESSALOOM_METHOD(29, DrawPieSeriesGraph, "method DrawPieSeriesGraph"),
    TESSALOOM_METHOD(30, DrawLineSeriesGraph, "method DrawLineSeriesGraph"),
    TESSALOOM_METHOD(31, Draw3DLineSeriesGraph, "method Draw3DLineSeriesGraph"),
    TESSALOOM_METHOD(32, DrawBoxWhiskerSeriesGraph, "method DrawBoxWhiskerSeriesGraph"),
    TESSALOOM_METHOD(33, DrawStackedBarSeriesGraph, "method DrawStackedBarSeriesGraph"),
    TESSALOOM_METHOD(34, Draw3DStackedBarSeriesGraph, "method Draw3DStackedBarSeriesGraph"),
    TESSALOOM_METHOD(35, DrawStackedBarGraph, "method DrawStackedBarGraph"),
    TESSALOOM_METHOD(36, Draw3DStackedBarGraph, "method Draw3DStackedBarGraph"),
    TESSALOOM_METHOD(37, ClearSeriesData, "method ClearSeriesData"),
    TESSALOOM_PUT_TEXT(40, BackColor),
    TESSALOOM_METHOD_1(43, AddColor, "Color", VT_BSTR, bstrVal, "method AddColor"),
    TESSALOOM_GET_TEXT(50, OutputFormat),
    TESSALOOM_PUT_TEXT(50, OutputFormat),
    TESSALOOM_GET_TEXT(51, OutputTarget),
    TESSALOOM_PUT_TEXT(51, OutputTarget),
    {52, "ImageData", MemberKind::kPropertyGet, 0, kNoParameters, VT_ARRAY | VT_UI1,
     "property ImageData", GetImageData},
    TESSALOOM_GET_TEXT(53, ImageMimeType),
    {54, "JpegQuality", MemberKind::kPropertyGet, 0, kNoParameters, VT_I4, "property JpegQuality",
     GetInt<&IGraphGenerator2::get_JpegQuality>},
    TESSALOOM_PUT_INT(54, JpegQuality),
    TESSALOOM_GET_TEXT(55, LastError),
    TESSALOOM_GET_TEXT(56, AltText),
    TESSALOOM_GET_TEXT(57, RenderStyle),
    TESSALOOM_PUT_TEXT(57, RenderStyle),
    {58, "Scale", MemberKind::kPropertyGet, 0, kNoParameters, VT_I4, "property Scale",
     GetInt<&IGraphGenerator2::get_Scale>},
    TESSALOOM_PUT_INT(58, Scale),
}};

#undef TESSALOOM_METHOD
#undef TESSALOOM_PUT_TEXT
#undef TESSALOOM_PUT_INT
#undef TESSALOOM_METHOD_1
#undef TESSALOOM_GET_TEXT

const InterfaceDescription kInterface{"IGraphGenerator", IID_IGraphGenerator,
                                      "IGraphGenerator Interface",
                                      std::span(kMembers).first(kClassicMembers)};
const InterfaceDescription kInterface2{"IGraphGenerator2", IID_IGraphGenerator2,
                                       "IGraphGenerator2 Interface", kMembers};

const TypeLibraryDescription kTypeLibrary{"TESSALOOMLib",
                                          LIBID_TESSALOOMLib,
                                          1,
                                          0,
                                          1033,
                                          "Tessaloom 1.0 Type Library",
                                          "GraphGenerator",
                                          CLSID_GraphGenerator,
                                          "GraphGenerator Class",
                                          kInterface,
                                          kInterface2};

}  // namespace

const InterfaceDescription& GraphGeneratorInterface() noexcept { return kInterface; }
const InterfaceDescription& GraphGenerator2Interface() noexcept { return kInterface2; }
const TypeLibraryDescription& TessaloomTypeLibrary() noexcept { return kTypeLibrary; }

}  // namespace tessaloom

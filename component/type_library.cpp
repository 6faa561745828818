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

// One table row per member, with the help text every host shows: what the
// member does, the values it takes and its default. The macros only spell
// out the thunk that unpacks the coerced arguments for each shape of member;
// a property both read and written is one macro giving its get and put rows.
#define TESSALOOM_METHOD(id, name, help)                                          \
  MemberDescription {                                                             \
    id, #name, MemberKind::kMethod, 0, kNoParameters, VT_EMPTY, help,             \
        [](IDispatch* s, VARIANT*, VARIANT*) noexcept { return Self(s)->name(); } \
  }
#define TESSALOOM_PUT_TEXT(id, name, help)                              \
  MemberDescription {                                                   \
    id, #name, MemberKind::kPropertyPut, 1, kTextValue, VT_EMPTY, help, \
        [](IDispatch* s, VARIANT* a, VARIANT*) noexcept {               \
          return Self(s)->put_##name(a[0].bstrVal);                     \
        }                                                               \
  }
#define TESSALOOM_PUT_INT(id, name, help)                                                          \
  MemberDescription {                                                                              \
    id, #name, MemberKind::kPropertyPut, 1, kIntValue, VT_EMPTY, help,                             \
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

template <HRESULT (IGraphGenerator2::*Get)(VARIANT_BOOL*) noexcept>
HRESULT GetBool(IDispatch* self, VARIANT*, VARIANT* result) noexcept {
  VARIANT_BOOL value = VARIANT_FALSE;
  const HRESULT hr = (Self(self)->*Get)(&value);
  if (FAILED(hr)) return hr;
  result->vt = VT_BOOL;
  result->boolVal = value;
  return hr;
}

template <HRESULT (IGraphGenerator2::*Get)(VARIANT*) noexcept>
HRESULT GetVariant(IDispatch* self, VARIANT*, VARIANT* result) noexcept {
  return (Self(self)->*Get)(result);
}

constexpr std::array<ParameterDescription, kMaxParameters> kBoolValue{{{"newVal", VT_BOOL}}};
constexpr std::array<ParameterDescription, kMaxParameters> kAnyValue{{{"newVal", VT_VARIANT}}};

#define TESSALOOM_GET_TEXT(id, name, help)                                \
  MemberDescription {                                                     \
    id, #name, MemberKind::kPropertyGet, 0, kNoParameters, VT_BSTR, help, \
        GetText<&IGraphGenerator2::get_##name>                            \
  }
#define TESSALOOM_TEXT_PROPERTY(id, name, help) \
  TESSALOOM_GET_TEXT(id, name, help), TESSALOOM_PUT_TEXT(id, name, help)
#define TESSALOOM_INT_PROPERTY(id, name, help)              \
  MemberDescription{id,                                     \
                    #name,                                  \
                    MemberKind::kPropertyGet,               \
                    0,                                      \
                    kNoParameters,                          \
                    VT_I4,                                  \
                    help,                                   \
                    GetInt<&IGraphGenerator2::get_##name>}, \
      TESSALOOM_PUT_INT(id, name, help)

#define TESSALOOM_BOOL_PROPERTY(id, name, help)                         \
  MemberDescription{id,                                                 \
                    #name,                                              \
                    MemberKind::kPropertyGet,                           \
                    0,                                                  \
                    kNoParameters,                                      \
                    VT_BOOL,                                            \
                    help,                                               \
                    GetBool<&IGraphGenerator2::get_##name>},            \
      MemberDescription {                                               \
    id, #name, MemberKind::kPropertyPut, 1, kBoolValue, VT_EMPTY, help, \
        [](IDispatch* s, VARIANT* a, VARIANT*) noexcept {               \
          return Self(s)->put_##name(a[0].boolVal);                     \
        }                                                               \
  }
// A property of any type: the put is handed the argument as the caller gave it.
#define TESSALOOM_VARIANT_PROPERTY(id, name, help)                                            \
  MemberDescription{id,                                                                       \
                    #name,                                                                    \
                    MemberKind::kPropertyGet,                                                 \
                    0,                                                                        \
                    kNoParameters,                                                            \
                    VT_VARIANT,                                                               \
                    help,                                                                     \
                    GetVariant<&IGraphGenerator2::get_##name>},                               \
      MemberDescription {                                                                     \
    id, #name, MemberKind::kPropertyPut, 1, kAnyValue, VT_EMPTY, help,                        \
        [](IDispatch* s, VARIANT* a, VARIANT*) noexcept { return Self(s)->put_##name(a[0]); } \
  }

// Words the series members share: a first try otherwise draws the table the
// other way round.
#define TESSALOOM_SERIES_LAYOUT                                                             \
  " The series (AddSeries) stand side by side along the category axis, each labelled with " \
  "its title; the items (AddItemToSeries) are the legend's entries. For a line or colour "  \
  "per product over months, add the products as items and each month as a series."

// The classic members first, in vtable order, then IGraphGenerator2's; the
// classic interface's description is the first 39 rows.
constexpr std::size_t kClassicMembers = 39;
// Words the value-axis ends share.
#define TESSALOOM_AXIS_END                                                                        \
  " a number within the 4-byte float range; empty (Empty, Null, None or \"\"), or NaN, makes "    \
  "it automatic (from the data), the default, and reads back as Empty (None). Other values "      \
  "are refused (E_INVALIDARG). Data beyond the ends is cut off at the plot's edge; ends set the " \
  "wrong way round swap. The modern themes widen equal ends upward by a tenth of their size (by " \
  "1 at zero); the classic theme rounds an end outward to a whole number and splits its axis "    \
  "into whole steps that meet both ends."

const std::array<MemberDescription, kClassicMembers + 29> kMembers{{
    {1, "ErrorReason", MemberKind::kPropertyGet, 0, kNoParameters, VT_BSTR,
     "The message of what last went wrong, \"\" on a new object. A later call that "
     "succeeds does not clear it and a hosting refusal outlasts every later message; LastError "
     "gives the latest call's alone.",
     GetErrorReason},
    TESSALOOM_PUT_TEXT(2, ChartTitle,
                       "The title centred above the chart; any text, default \"\" "
                       "(no title)."),
    TESSALOOM_PUT_TEXT(3, SeriesLabel,
                       "The name of the one series that DrawPieGraph, "
                       "Draw3DPieGraph, DrawBoxWhiskerGraph, DrawStackedBarGraph and "
                       "Draw3DStackedBarGraph draw; any text, default \"\". Other Draw methods "
                       "ignore it."),
    {4,
     "AddData",
     MemberKind::kMethod,
     2,
     {{{"xVal", VT_BSTR}, {"yVal", VT_R4}}},
     VT_EMPTY,
     "Adds a point to the single data set that the Draw methods without \"Series\" in their "
     "name draw: xVal its label (any text), yVal its value (a finite number within the 4-byte "
     "float range). At most 256 points; later ones are ignored.",
     InvokeAddData},
    TESSALOOM_PUT_INT(5, GraphHeight,
                      "The image height in pixels, default 350; 0 and negative values "
                      "are ignored."),
    TESSALOOM_PUT_INT(6, GraphWidth,
                      "The image width in pixels, default 500; 0 and negative values "
                      "are ignored."),
    TESSALOOM_PUT_TEXT(7, XAxisLabel,
                       "The title of the category axis; any text, default \"\" (none)."),
    TESSALOOM_PUT_TEXT(8, YAxisLabel,
                       "The title of the value axis; any text, default \"\" (none)."),
    TESSALOOM_METHOD(9, DrawPieGraph,
                     "Draws the single data set (AddData) as a pie, one slice per point named "
                     "in the legend, and writes the image; negative values become 0, in the "
                     "data too."),
    TESSALOOM_METHOD(10, DrawBarGraph,
                     "Draws the single data set (AddData) as bars, one per point labelled on "
                     "the category axis, and writes the image (FilePath and FileName, or "
                     "ImageData when OutputTarget is \"memory\"); LastError says what failed."),
    TESSALOOM_PUT_TEXT(11, FileName,
                       "The image's file name in FilePath, default \"Graph.jpg\". With "
                       "OutputFormat \"\" a name ending in jpg (any case) gives a JPEG and any "
                       "other a BMP named with the extension bmp (OutputFileName tells); with a "
                       "format the name is used as given."),
    TESSALOOM_PUT_TEXT(12, FilePath,
                       "The folder the image is written to: an existing folder, a relative path "
                       "taken from the process's current folder; default \"\", which a Draw to "
                       "a file refuses. Not used when OutputTarget is \"memory\"."),
    TESSALOOM_METHOD(13, Draw3DBarGraph,
                     "Draws the single data set (AddData) as 3D bars, one per point labelled "
                     "on the category axis, and writes the image."),
    TESSALOOM_METHOD(14, Draw3DPieGraph,
                     "Draws the single data set (AddData) as a 3D pie, one slice per point "
                     "named in the legend; negative values become 0, in the data too."),
    TESSALOOM_METHOD(15, ClearData,
                     "Empties the single data set (AddData); the series table, colours and "
                     "properties stay."),
    TESSALOOM_METHOD(16, DrawLineGraph,
                     "Draws the single data set (AddData) as a line through one marked point "
                     "per value, labelled on the category axis, and writes the image."),
    TESSALOOM_METHOD(17, Draw3DLineGraph,
                     "Draws the single data set (AddData) as a 3D ribbon through one point per "
                     "value, labelled on the category axis, and writes the image."),
    TESSALOOM_METHOD_1(18, HasGridLines, "HasGridLines", VT_I4, lVal,
                       "Draws grid lines across the plot at the value ticks when HasGridLines "
                       "is not 0 (True), none when it is 0; default 0."),
    TESSALOOM_METHOD_1(19, HasBackColor, "HasBackColor", VT_I4, lVal,
                       "Fills the chart's background with BackColor when HasBackColor is not 0 "
                       "(True); 0, the default, leaves it white."),
    TESSALOOM_METHOD(20, DrawBoxWhiskerGraph,
                     "Draws the single data set's values (AddData) as one box and whiskers "
                     "(median, quartiles, extremes) named by SeriesLabel; the points' labels "
                     "are not drawn."),
    TESSALOOM_METHOD_1(21, AddDataEx, "yData", VT_R4, fltVal,
                       "Adds the next value of the current series (the latest AddSeries) for "
                       "its next item, in the order of AddItemToSeries: a finite number within "
                       "the 4-byte float range. Values past the item count, or before the first "
                       "AddSeries, are ignored; missing ones are drawn as 0."),
    TESSALOOM_METHOD_1(22, AddSeries, "sSeriesTitle", VT_BSTR, bstrVal,
                       "Starts a series of the series table, titled sSeriesTitle (any text); "
                       "its values follow with AddDataEx, one per item. At most 256 "
                       "series." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD(23, Draw3DBarSeriesGraph,
                     "Draws the series table as groups of 3D bars: one group per series, one "
                     "bar per item." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD(24, DrawBarSeriesGraph,
                     "Draws the series table as groups of bars: one group per series, one bar "
                     "per item." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD_1(25, AddItemToSeries, "ItemName", VT_BSTR, bstrVal,
                       "Adds an item named ItemName (any text) to every series: item k takes "
                       "the k-th AddDataEx value of each series. Add all items before the "
                       "first AddSeries; at most 256." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD(26, SetVerticalGraph,
                     "Draws later charts with the categories along the bottom and the value "
                     "axis upright (the default)."),
    TESSALOOM_METHOD(27, SetHorizontalGraph,
                     "Draws later bar, line and box charts on their side: categories down the "
                     "left, the value axis along the bottom (3D line charts stay upright); "
                     "SetVerticalGraph turns it back."),
    TESSALOOM_METHOD(28, Draw3DPieSeriesGraph,
                     "Draws the series table as 3D pies, one per series titled with its name, "
                     "one slice per item named in the legend; negative values become 0, in "
                     "the data too."),
    TESSALOOM_METHOD(29, DrawPieSeriesGraph,
                     "Draws the series table as pies, one per series titled with its name, "
                     "one slice per item named in the legend; negative values become 0, in "
                     "the data too."),
    TESSALOOM_METHOD(30, DrawLineSeriesGraph,
                     "Draws the series table as lines, one per item, through one point per "
                     "series." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD(31, Draw3DLineSeriesGraph,
                     "Draws the series table as 3D ribbons, one per item, through one point "
                     "per series." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD(32, DrawBoxWhiskerSeriesGraph,
                     "Draws the series table as one box and whiskers per series, summing up "
                     "that series' values over the items (median, quartiles, extremes)."),
    TESSALOOM_METHOD(33, DrawStackedBarSeriesGraph,
                     "Draws the series table as stacked bars: one bar per series, one segment "
                     "per item; negative values become 0, in the data too (the modern and dark "
                     "themes keep them and stack them down from zero). Returns S_FALSE (1) "
                     "when there is no series or no item." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD(34, Draw3DStackedBarSeriesGraph,
                     "Draws the series table as 3D stacked bars: one bar per series, one "
                     "segment per item; negative values become 0, in the data too. Returns "
                     "S_FALSE (1) when there is no series or no item." TESSALOOM_SERIES_LAYOUT),
    TESSALOOM_METHOD(35, DrawStackedBarGraph,
                     "Draws the single data set (AddData) as one stacked bar named by "
                     "SeriesLabel, one segment per point named in the legend; negative values "
                     "become 0, in the data too (the modern and dark themes keep them and stack "
                     "them down from zero)."),
    TESSALOOM_METHOD(36, Draw3DStackedBarGraph,
                     "Draws the single data set (AddData) as one 3D stacked bar named by "
                     "SeriesLabel, one segment per point named in the legend; negative values "
                     "become 0, in the data too."),
    TESSALOOM_METHOD(37, ClearSeriesData,
                     "Empties the series table (items, series and their values); the single "
                     "data set, colours and properties stay."),
    TESSALOOM_PUT_TEXT(40, BackColor,
                       "The background colour drawn while HasBackColor is on: "
                       "\"#RRGGBB\" or one of the 24 colour names (\"red\", \"skyblue\", ...; any "
                       "case); default and \"\" white, an unknown name maroon."),
    TESSALOOM_METHOD_1(43, AddColor, "Color", VT_BSTR, bstrVal,
                       "Adds the next colour for the bars, slices or lines: \"#RRGGBB\" or a "
                       "colour name as BackColor takes (\"\" adds none). The colours serve the "
                       "next Draw only; after them, and by default, the standard palette."),
    TESSALOOM_TEXT_PROPERTY(50, OutputFormat,
                            "The image format: \"\" (the default: the FileName rule), \"bmp\", "
                            "\"jpeg\" (or \"jpg\"), \"png\", \"svg\" or \"pdf\", any case; with a "
                            "format the file is written under FileName as given. Other values "
                            "are refused (E_INVALIDARG)."),
    TESSALOOM_TEXT_PROPERTY(51, OutputTarget,
                            "Where a Draw puts the image: \"file\" (the default: FilePath and "
                            "FileName) or \"memory\" (ImageData, no file written), any case. "
                            "Other values are refused (E_INVALIDARG)."),
    {52, "ImageData", MemberKind::kPropertyGet, 0, kNoParameters, VT_ARRAY | VT_UI1,
     "The bytes of the image the last Draw kept in memory (OutputTarget "
     "\"memory\"); empty after a Draw that kept none.",
     GetImageData},
    TESSALOOM_GET_TEXT(53, ImageMimeType,
                       "The type of ImageData's bytes: \"image/png\", \"image/jpeg\", "
                       "\"image/bmp\", \"image/svg+xml\" or \"application/pdf\"; \"\" when there "
                       "are none."),
    TESSALOOM_INT_PROPERTY(54, JpegQuality,
                           "The quality of JPEG images, 1 to 100, default 75; other values "
                           "are refused (E_INVALIDARG)."),
    TESSALOOM_GET_TEXT(55, LastError,
                       "The error of the most recent call alone, \"\" when it went "
                       "well (ErrorReason keeps older messages)."),
    TESSALOOM_GET_TEXT(56, AltText,
                       "The last chart drawn in words, for <img alt>: its kind, "
                       "titles, each value (past 50, \"and N more\"), the smallest and largest; "
                       "\"\" before the first Draw."),
    TESSALOOM_TEXT_PROPERTY(57, RenderStyle,
                            "How charts are drawn: \"classic\" (the default: the classic "
                            "pixels, byte for byte) or \"smooth\" (anti-aliased shapes and "
                            "grey-scale text on the same layout), any case. Other values are "
                            "refused (E_INVALIDARG)."),
    TESSALOOM_INT_PROPERTY(58, Scale,
                           "The image's enlargement, 1 to 4, default 1: it is GraphWidth x "
                           "Scale by GraphHeight x Scale pixels, lines and text scaled with "
                           "it. Other values are refused (E_INVALIDARG)."),
    TESSALOOM_GET_TEXT(59, OutputFileName,
                       "The path the last Draw wrote, FilePath and the file's name (\"\" when "
                       "it wrote no file): with OutputFormat \"\" a FileName not ending in jpg "
                       "is written as a BMP, its extension bmp."),
    TESSALOOM_TEXT_PROPERTY(60, Theme,
                            "The chart's look: \"classic\" (the default: the classic layout "
                            "and colours, byte for byte), \"modern\" (sans-serif text, nice "
                            "ticks, light gridlines, a colour-blind-safe palette, no outlines) "
                            "or \"dark\" (the modern look on a dark background), any case. "
                            "Modern and dark are always drawn anti-aliased, in every "
                            "OutputFormat, whatever RenderStyle says. Other values are refused "
                            "(E_INVALIDARG)."),
    TESSALOOM_BOOL_PROPERTY(
        61, ShowValues,
        "Labels each bar, line point and slice with its value when True; "
        "default False. A label that would leave the plot or cover other text is "
        "left out; classic pies write the value before the percentage."),
    TESSALOOM_VARIANT_PROPERTY(62, ValueAxisMin, "The value axis's lower end:" TESSALOOM_AXIS_END),
    TESSALOOM_VARIANT_PROPERTY(63, ValueAxisMax, "The value axis's upper end:" TESSALOOM_AXIS_END),
    TESSALOOM_TEXT_PROPERTY(
        64, ValueFormat,
        "The number format of the ticks and value labels, as a spreadsheet "
        "format code (\"#,##0\", \"0.00\", \"0.0%\", \"$#,##0\"); "
        "default \"\" (automatic; classic ticks stay whole numbers, as before)."),
    TESSALOOM_TEXT_PROPERTY(65, LegendPosition,
                            "Where the legend goes: \"auto\" (the default: the theme decides; "
                            "classic puts it right), \"right\", \"top\", \"bottom\" or "
                            "\"none\", any case. Classic top and bottom legends are rows in a "
                            "box under the title or along the bottom (a pie's below it). Other "
                            "values are refused (E_INVALIDARG)."),
    TESSALOOM_BOOL_PROPERTY(66, TransparentBackground,
                            "Leaves the background transparent when True, in every theme: a PNG "
                            "with alpha, an SVG or PDF without a background; whatever is "
                            "painted in the background colour shows what lies beneath. BMP and "
                            "JPEG have no transparency and keep the background; default False."),
}};

#undef TESSALOOM_METHOD
#undef TESSALOOM_PUT_TEXT
#undef TESSALOOM_PUT_INT
#undef TESSALOOM_METHOD_1
#undef TESSALOOM_GET_TEXT
#undef TESSALOOM_TEXT_PROPERTY
#undef TESSALOOM_INT_PROPERTY
#undef TESSALOOM_SERIES_LAYOUT
#undef TESSALOOM_BOOL_PROPERTY
#undef TESSALOOM_VARIANT_PROPERTY
#undef TESSALOOM_AXIS_END

const InterfaceDescription kInterface{"IGraphGenerator", IID_IGraphGenerator,
                                      "IGraphGenerator Interface",
                                      std::span(kMembers).first(kClassicMembers)};
const InterfaceDescription kInterface2{
    "IGraphGenerator2", IID_IGraphGenerator2,
    "A chart: set its properties, give it data (AddData for a single set; AddItemToSeries, "
    "AddSeries and AddDataEx for a series table), call one Draw method, then read LastError.",
    kMembers};

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

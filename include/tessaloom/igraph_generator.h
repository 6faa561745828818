// The component's automation interfaces with the identifiers of the class,
// the interfaces and the type library. IGraphGenerator holds the 39 classic
// members; IGraphGenerator2, the class's default interface, adds the output
// choices (format, memory target, JPEG quality) and the texts read after a
// draw. Members are in vtable order; each returns S_OK (the stacked-bar series
// methods may return S_FALSE); what went wrong is read back from ErrorReason.
#pragma once

#include <cstdint>

#include "tessaloom/com.h"

namespace tessaloom {

// {4F463A34-8A46-437E-8B62-422717E99546}
inline constexpr CLSID CLSID_GraphGenerator{
    0x4F463A34, 0x8A46, 0x437E, {0x8B, 0x62, 0x42, 0x27, 0x17, 0xE9, 0x95, 0x46}};
// {4BB9C6F2-DE51-46B5-82B7-5B74648E0CD9}
inline constexpr IID IID_IGraphGenerator{
    0x4BB9C6F2, 0xDE51, 0x46B5, {0x82, 0xB7, 0x5B, 0x74, 0x64, 0x8E, 0x0C, 0xD9}};
// {9C2E7D41-5A08-4F3B-B6D2-3E81A7C45F10}
inline constexpr IID IID_IGraphGenerator2{
    0x9C2E7D41, 0x5A08, 0x4F3B, {0xB6, 0xD2, 0x3E, 0x81, 0xA7, 0xC4, 0x5F, 0x10}};
// {1F9E95CB-6957-4BC9-AF99-C2DE36F1CAA5}, version 1.0, locale 1033
inline constexpr GUID LIBID_TESSALOOMLib{
    0x1F9E95CB, 0x6957, 0x4BC9, {0xAF, 0x99, 0xC2, 0xDE, 0x36, 0xF1, 0xCA, 0xA5}};

inline constexpr char kProgId[] = "Tessaloom.GraphGenerator.1";
inline constexpr char kVersionIndependentProgId[] = "Tessaloom.GraphGenerator";

class IGraphGenerator : public IDispatch {
 public:
  virtual HRESULT get_ErrorReason(BSTR* value) noexcept = 0;             // 1
  virtual HRESULT put_ChartTitle(BSTR value) noexcept = 0;               // 2
  virtual HRESULT put_SeriesLabel(BSTR value) noexcept = 0;              // 3
  virtual HRESULT AddData(BSTR xVal, float yVal) noexcept = 0;           // 4
  virtual HRESULT put_GraphHeight(std::int32_t value) noexcept = 0;      // 5
  virtual HRESULT put_GraphWidth(std::int32_t value) noexcept = 0;       // 6
  virtual HRESULT put_XAxisLabel(BSTR value) noexcept = 0;               // 7
  virtual HRESULT put_YAxisLabel(BSTR value) noexcept = 0;               // 8
  virtual HRESULT DrawPieGraph() noexcept = 0;                           // 9
  virtual HRESULT DrawBarGraph() noexcept = 0;                           // 10
  virtual HRESULT put_FileName(BSTR value) noexcept = 0;                 // 11
  virtual HRESULT put_FilePath(BSTR value) noexcept = 0;                 // 12
  virtual HRESULT Draw3DBarGraph() noexcept = 0;                         // 13
  virtual HRESULT Draw3DPieGraph() noexcept = 0;                         // 14
  virtual HRESULT ClearData() noexcept = 0;                              // 15
  virtual HRESULT DrawLineGraph() noexcept = 0;                          // 16
  virtual HRESULT Draw3DLineGraph() noexcept = 0;                        // 17
  virtual HRESULT HasGridLines(std::int32_t hasGridLines) noexcept = 0;  // 18
  virtual HRESULT HasBackColor(std::int32_t hasBackColor) noexcept = 0;  // 19
  virtual HRESULT DrawBoxWhiskerGraph() noexcept = 0;                    // 20
  virtual HRESULT AddDataEx(float yData) noexcept = 0;                   // 21
  virtual HRESULT AddSeries(BSTR sSeriesTitle) noexcept = 0;             // 22
  virtual HRESULT Draw3DBarSeriesGraph() noexcept = 0;                   // 23
  virtual HRESULT DrawBarSeriesGraph() noexcept = 0;                     // 24
  virtual HRESULT AddItemToSeries(BSTR ItemName) noexcept = 0;           // 25
  virtual HRESULT SetVerticalGraph() noexcept = 0;                       // 26
  virtual HRESULT SetHorizontalGraph() noexcept = 0;                     // 27
  virtual HRESULT Draw3DPieSeriesGraph() noexcept = 0;                   // 28
  virtual HRESULT DrawPieSeriesGraph() noexcept = 0;                     // 29
  virtual HRESULT DrawLineSeriesGraph() noexcept = 0;                    // 30
  virtual HRESULT Draw3DLineSeriesGraph() noexcept = 0;                  // 31
  virtual HRESULT DrawBoxWhiskerSeriesGraph() noexcept = 0;              // 32
  virtual HRESULT DrawStackedBarSeriesGraph() noexcept = 0;              // 33
  virtual HRESULT Draw3DStackedBarSeriesGraph() noexcept = 0;            // 34
  virtual HRESULT DrawStackedBarGraph() noexcept = 0;                    // 35
  virtual HRESULT Draw3DStackedBarGraph() noexcept = 0;                  // 36
  virtual HRESULT ClearSeriesData() noexcept = 0;                        // 37
  virtual HRESULT put_BackColor(BSTR value) noexcept = 0;                // 40
  virtual HRESULT AddColor(BSTR Color) noexcept = 0;                     // 43

 protected:
  ~IGraphGenerator() = default;
};

// The output choices and after-draw texts. DISPIDs follow the classic ones.
// Puts of a value outside the documented set answer E_INVALIDARG, leave the
// setting as it was and give the reason in ErrorReason and LastError.
class IGraphGenerator2 : public IGraphGenerator {
 public:
  // "" (the file name decides: "jpg" gives JPEG, anything else BMP with the
  // extension replaced), or "bmp", "jpeg", "png", "svg", "pdf" (any letter
  // case; "jpg" too): that format, written under FileName exactly as given.
  // SVG and PDF are vector documents of the chart (PDF in the smooth style
  // whatever RenderStyle says).
  virtual HRESULT get_OutputFormat(BSTR* value) noexcept = 0;  // 50
  virtual HRESULT put_OutputFormat(BSTR value) noexcept = 0;   // 50
  // "file" (the default) or "memory": a Draw keeps the image's bytes in
  // ImageData and writes nothing; FilePath and FileName are not used then.
  virtual HRESULT get_OutputTarget(BSTR* value) noexcept = 0;  // 51
  virtual HRESULT put_OutputTarget(BSTR value) noexcept = 0;   // 51
  // The bytes of the last image drawn to memory (VT_ARRAY | VT_UI1; empty
  // before one). The caller owns the array.
  virtual HRESULT get_ImageData(SAFEARRAY** value) noexcept = 0;  // 52
  // The MIME type of those bytes ("image/png", ...); "" before one.
  virtual HRESULT get_ImageMimeType(BSTR* value) noexcept = 0;  // 53
  // 1 to 100, 75 by default; the JPEG encoder's quality.
  virtual HRESULT get_JpegQuality(std::int32_t* value) noexcept = 0;  // 54
  virtual HRESULT put_JpegQuality(std::int32_t value) noexcept = 0;   // 54
  // The error text of the most recent call alone ("" when it succeeded);
  // ErrorReason keeps the first-recorded rules and is never cleared.
  virtual HRESULT get_LastError(BSTR* value) noexcept = 0;  // 55
  // A plain-language description of the last chart drawn, for <img alt>.
  virtual HRESULT get_AltText(BSTR* value) noexcept = 0;  // 56
  // "classic" (the default: the classic pixel rules, byte for byte) or
  // "smooth" (anti-aliased shapes, shaped grey-scale text, same layout).
  virtual HRESULT get_RenderStyle(BSTR* value) noexcept = 0;  // 57
  virtual HRESULT put_RenderStyle(BSTR value) noexcept = 0;   // 57
  // 1 to 4, 1 by default: the image is GraphWidth x Scale by GraphHeight x
  // Scale pixels, its lines and text scaled with it (classic charts are
  // enlarged pixel for pixel).
  virtual HRESULT get_Scale(std::int32_t* value) noexcept = 0;  // 58
  virtual HRESULT put_Scale(std::int32_t value) noexcept = 0;   // 58
  // The path the last Draw wrote, FilePath and the name the file got ("" when
  // it wrote none): FileName may become another name (a BMP's extension).
  virtual HRESULT get_OutputFileName(BSTR* value) noexcept = 0;  // 59
  // The chart options. Text values ignore letter case; a put of a value
  // outside the set answers E_INVALIDARG and leaves the setting as it was.
  // "classic" (the default), "modern" or "dark".
  virtual HRESULT get_Theme(BSTR* value) noexcept = 0;  // 60
  virtual HRESULT put_Theme(BSTR value) noexcept = 0;   // 60
  // Value labels on bars, line points and slices; off by default.
  virtual HRESULT get_ShowValues(VARIANT_BOOL* value) noexcept = 0;  // 61
  virtual HRESULT put_ShowValues(VARIANT_BOOL value) noexcept = 0;   // 61
  // The value axis's fixed ends: a VT_R8 number, or VT_EMPTY when automatic
  // (the default). A put takes anything that converts to a finite number;
  // VT_EMPTY, VT_NULL, "" and NaN make the end automatic again.
  virtual HRESULT get_ValueAxisMin(VARIANT* value) noexcept = 0;  // 62
  virtual HRESULT put_ValueAxisMin(VARIANT value) noexcept = 0;   // 62
  virtual HRESULT get_ValueAxisMax(VARIANT* value) noexcept = 0;  // 63
  virtual HRESULT put_ValueAxisMax(VARIANT value) noexcept = 0;   // 63
  // The number format code of ticks, value labels and AltText; "" (the
  // default) is automatic.
  virtual HRESULT get_ValueFormat(BSTR* value) noexcept = 0;  // 64
  virtual HRESULT put_ValueFormat(BSTR value) noexcept = 0;   // 64
  // "auto" (the default), "right", "top", "bottom" or "none".
  virtual HRESULT get_LegendPosition(BSTR* value) noexcept = 0;  // 65
  virtual HRESULT put_LegendPosition(BSTR value) noexcept = 0;   // 65
  // A PNG with alpha and an SVG without a background; off by default.
  virtual HRESULT get_TransparentBackground(VARIANT_BOOL* value) noexcept = 0;  // 66
  virtual HRESULT put_TransparentBackground(VARIANT_BOOL value) noexcept = 0;   // 66

 protected:
  ~IGraphGenerator2() = default;
};

}  // namespace tessaloom

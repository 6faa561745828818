// The component's one automation interface, IGraphGenerator, with the
// identifiers of the class, the interface and the type library. Members are
// in vtable order; each returns S_OK (the stacked-bar series methods may
// return S_FALSE); what went wrong is read back from ErrorReason.
#pragma once

#include <cstdint>

#include "platform/com.h"

namespace tessaloom {

// {4F463A34-8A46-437E-8B62-422717E99546}
inline constexpr CLSID CLSID_GraphGenerator{
    0x4F463A34, 0x8A46, 0x437E, {0x8B, 0x62, 0x42, 0x27, 0x17, 0xE9, 0x95, 0x46}};
// {4BB9C6F2-DE51-46B5-82B7-5B74648E0CD9}
inline constexpr IID IID_IGraphGenerator{
    0x4BB9C6F2, 0xDE51, 0x46B5, {0x82, 0xB7, 0x5B, 0x74, 0x64, 0x8E, 0x0C, 0xD9}};
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

}  // namespace tessaloom

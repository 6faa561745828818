// IGraphGenerator2: refused values, LastError beside ErrorReason, AltText, unwritable files.
#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"
#include "tests/support/generator.h"
#include "tests/support/image_files.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

void AddMonths(CGraphGenerator& g, int count) {
  for (int i = 0; i < count; ++i) {
    const std::u16string label = u"m" + Utf8ToUtf16(std::to_string(i + 1));
    g.AddData(B(label).get(), static_cast<float>(i % 7) - 1.5f);
  }
}

// Refused values leave the setting as it was; an unknown format, theme or legend place and a
// quality, scale or axis end out of range are refused through the command-line tool too.
TEST(OutputMembersTest, BadValuesAreRefusedAndLeaveTheSettingAsItWas) {
  using Put = HRESULT (*)(CGraphGenerator&);
  const std::pair<Put, const char*> cases[] = {
      {[](CGraphGenerator& g) { return g.put_OutputFormat(B(std::u16string(u"png\0x", 5)).get()); },
       "Unknown OutputFormat"},
      {[](CGraphGenerator& g) { return g.put_OutputTarget(B(u"disk").get()); },
       "Unknown OutputTarget"},
      {[](CGraphGenerator& g) { return g.put_RenderStyle(B(u"shiny").get()); },
       "Unknown RenderStyle: use \"classic\" or \"smooth\""},
      {[](CGraphGenerator& g) { return g.put_JpegQuality(0); },
       "JpegQuality must be from 1 to 100"},
      {[](CGraphGenerator& g) { return g.put_Scale(0); }, "Scale must be from 1 to 4"},
      {[](CGraphGenerator& g) { return g.put_Scale(5); }, "Scale must be from 1 to 4"},
      {[](CGraphGenerator& g) { return g.put_Theme(B(u"modern ").get()); },
       "Unknown Theme: use \"classic\", \"modern\" or \"dark\""},
      {[](CGraphGenerator& g) { return g.put_LegendPosition(B(u"left").get()); },
       "Unknown LegendPosition: use \"auto\", \"right\", \"top\", \"bottom\" or \"none\""},
      {[](CGraphGenerator& g) {
         const auto text = B(u"1,5");
         VARIANT v;
         v.vt = VT_BSTR, v.bstrVal = text.get();
         return g.put_ValueAxisMin(v);
       },
       "ValueAxisMin must be a number"},
      {[](CGraphGenerator& g) { return g.put_ValueAxisMax(*Variant(1e39).get()); },
       "ValueAxisMax must be a number within the 4-byte float range, or empty"},
      {[](CGraphGenerator& g) { return g.put_ValueFormat(B(u"0.0;(0.0)").get()); },
       "Invalid number format \"0.0;(0.0)\""},
  };
  for (const auto& [put, message] : cases) {
    auto g = NewGenerator();
    EXPECT_EQ(put(*g), E_INVALIDARG) << message;
    const std::string last = Text(*g, &CGraphGenerator::get_LastError);
    EXPECT_EQ(last.find(message), 0u) << last;
    EXPECT_EQ(ErrorReasonOf(*g), last);
    std::int32_t quality = 0, scale = 0;
    EXPECT_EQ(g->get_JpegQuality(&quality), S_OK);
    EXPECT_EQ(g->get_Scale(&scale), S_OK);
    Variant low, high;
    EXPECT_EQ(g->get_ValueAxisMin(low.get()), S_OK);
    EXPECT_EQ(g->get_ValueAxisMax(high.get()), S_OK);
    EXPECT_EQ((std::tuple{Text(*g, &CGraphGenerator::get_OutputFormat),
                          Text(*g, &CGraphGenerator::get_OutputTarget),
                          Text(*g, &CGraphGenerator::get_RenderStyle), quality, scale,
                          Text(*g, &CGraphGenerator::get_Theme),
                          Text(*g, &CGraphGenerator::get_LegendPosition), low.get()->vt,
                          high.get()->vt, Text(*g, &CGraphGenerator::get_ValueFormat)}),
              (std::tuple{"", "file", "classic", 75, 1, "classic", "auto", VT_EMPTY, VT_EMPTY, ""}))
        << message;
  }
}

// LastError is the latest call's while ErrorReason stays; AltText describes the last chart.
TEST(OutputMembersTest, LastErrorIsTheLatestCallsAndAltTextDescribesTheLastChartInWords) {
  auto g = NewGenerator();
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_AltText), "");
  AddMonths(*g, 3);
  ASSERT_EQ(g->put_FilePath(B(u"/no/such/folder").get()), S_OK);
  ASSERT_EQ(g->DrawLineGraph(), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError),
            "Invalid File Path: \"/no/such/folder\": not a folder that can be opened");
  ASSERT_EQ(g->put_OutputTarget(B(u"memory").get()), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError), "");
  ASSERT_EQ(g->DrawLineGraph(), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError), "");
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid File Path");

  g->put_ChartTitle(B(u"Sales").get());
  g->put_YAxisLabel(B(u"Units").get());
  g->put_FileName(B(u"never-said.jpg").get());
  ASSERT_EQ(g->DrawPieGraph(), S_OK);  // a pie draws negative values as 0
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_AltText),
            "Pie chart \"Sales\", y axis \"Units\", 3 values: m1 0, m2 0, m3 0.5. "
            "Smallest value 0 (m1), largest 0.5 (m3).");
  AddTable(*g, {u"Jan, early", u"Feb"}, {{u"North", {1, 7}}, {u"South", {3}}});
  ASSERT_EQ(g->DrawLineSeriesGraph(), S_OK);
  EXPECT_EQ(
      Text(*g, &CGraphGenerator::get_AltText),
      "Line chart \"Sales\", y axis \"Units\", 2 series, 2 items each: North: Jan, early 1, "
      "Feb 7; South: Jan, early 3, Feb 0. Smallest value 0 (South, Feb), largest 7 (North, Feb).");
  // The numbers read as the chart's ticks and labels do.
  g->put_ValueFormat(B(u"$#,##0.0").get());
  g->AddData(B(u"Big").get(), 12345.67f);
  ASSERT_EQ(g->DrawBarGraph(), S_OK);
  EXPECT_NE(Text(*g, &CGraphGenerator::get_AltText).find("Big $12,345.7. Smallest value $0.0 (m1)"),
            std::string::npos)
      << Text(*g, &CGraphGenerator::get_AltText);
}

// A read-only folder or a full disk fails the Draw before the frame lays the chart out; no file
// stays.
TEST(OutputMembersTest, AFileThatCannotBeWrittenFailsBeforeTheDrawing) {
  ScratchDir dir;
  const char* const kReadOnly = "Unable to open file for writing";
  const char* const kFull = "Unable to write file: No space left on device";
  const std::tuple<const char16_t*, bool, const char*> cases[] = {{u"", false, kReadOnly},
                                                                  {u"png", true, kFull},
                                                                  {u"svg", false, kReadOnly},
                                                                  {u"pdf", true, kFull}};
  for (const auto& [format, full, message] : cases) {
    FaultyFiles faults;
    faults.refuseCreate = !full;
    faults.full = full;
    auto g = NewGenerator();
    g->graph.files = &faults;
    g->put_FilePath(B(Utf8ToUtf16(dir.Path())).get());
    ASSERT_EQ(g->put_OutputFormat(B(format).get()), S_OK);
    AddMonths(*g, 3);
    EXPECT_EQ(g->DrawBarGraph(), S_OK);
    EXPECT_EQ(ErrorReasonOf(*g), message) << message;
    // LastError names the file a refused name concerns.
    const std::string named = full ? "" : ": \"" + dir.Path() + "/Graph.jpg\"";
    EXPECT_TRUE(Text(*g, &CGraphGenerator::get_LastError).starts_with(message + named))
        << Text(*g, &CGraphGenerator::get_LastError);
    EXPECT_EQ(g->graph.canvasWidth, 0) << message;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace tessaloom

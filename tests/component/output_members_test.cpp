// IGraphGenerator2 on one object: the image kept in memory, the refused
// values, LastError beside ErrorReason, and AltText.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/settings_sources.h"
#include "component/type_library.h"
#include "platform/text.h"
#include "tests/component/test_support.h"
#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using testing::B;
using testing::ErrorReasonOf;
using testing::NewGenerator;

std::string Text(CGraphGenerator& g, HRESULT (CGraphGenerator::*get)(BSTR*) noexcept) {
  Bstr text;
  if (FAILED((g.*get)(text.out()))) return "<failed>";
  return BstrToUtf8(text.get());
}

std::vector<std::uint8_t> ImageData(CGraphGenerator& g) {
  Variant v;  // owns the array, as a script's VARIANT does
  v->vt = VT_ARRAY | VT_UI1;
  EXPECT_EQ(g.get_ImageData(&v->parray), S_OK);
  Variant copy;
  EXPECT_EQ(VariantCopy(copy.get(), v.get()), S_OK);
  const SAFEARRAY* a = copy->parray;
  return {a->pvData, a->pvData + a->cElements};
}

class Counting final : public ChartRenderer {
 public:
  void Render(CGraph&) override { ++renders; }
  int renders = 0;
};

void AddMonths(CGraphGenerator& g, int count) {
  for (int i = 0; i < count; ++i) {
    const std::u16string label = u"m" + Utf8ToUtf16(std::to_string(i + 1));
    g.AddData(B(label).get(), static_cast<float>(i % 7) - 1.5f);
  }
}

TEST(OutputMembersTest, TheDefaultInterfaceAddsItsMembersAfterTheClassicOnes) {
  const InterfaceDescription& classic = GraphGeneratorInterface();
  const InterfaceDescription& all = GraphGenerator2Interface();
  EXPECT_EQ(TessaloomTypeLibrary().defaultInterface.iid, IID_IGraphGenerator2);
  ASSERT_EQ(all.members.size(), classic.members.size() + 14);
  EXPECT_EQ(all.members.data(), classic.members.data());  // the same 39 rows
  struct Row {
    const char* name;
    DISPID id;
    MemberKind kind;
  };
  const Row rows[] = {
      {"OutputFormat", 50, MemberKind::kPropertyGet},
      {"OutputFormat", 50, MemberKind::kPropertyPut},
      {"OutputTarget", 51, MemberKind::kPropertyGet},
      {"OutputTarget", 51, MemberKind::kPropertyPut},
      {"ImageData", 52, MemberKind::kPropertyGet},
      {"ImageMimeType", 53, MemberKind::kPropertyGet},
      {"JpegQuality", 54, MemberKind::kPropertyGet},
      {"JpegQuality", 54, MemberKind::kPropertyPut},
      {"LastError", 55, MemberKind::kPropertyGet},
      {"AltText", 56, MemberKind::kPropertyGet},
      {"RenderStyle", 57, MemberKind::kPropertyGet},
      {"RenderStyle", 57, MemberKind::kPropertyPut},
      {"Scale", 58, MemberKind::kPropertyGet},
      {"Scale", 58, MemberKind::kPropertyPut},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const MemberDescription& m = all.members[classic.members.size() + i];
    EXPECT_STREQ(m.name, rows[i].name);
    EXPECT_EQ(m.dispid, rows[i].id) << m.name;
    EXPECT_EQ(m.kind, rows[i].kind) << m.name;
  }
}

TEST(OutputMembersTest, MemoryTargetKeepsTheImageAndWritesNothing) {
  image_test::ScratchDir dir;
  auto g = NewGenerator();
  AddMonths(*g, 12);
  EXPECT_TRUE(ImageData(*g).empty());
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_ImageMimeType), "");
  ASSERT_EQ(g->put_FilePath(B(Utf8ToUtf16(dir.path())).get()), S_OK);
  ASSERT_EQ(g->put_OutputTarget(B(u"Memory").get()), S_OK);
  ASSERT_EQ(g->put_OutputFormat(B(u"PNG").get()), S_OK);
  ASSERT_EQ(g->DrawBarGraph(), S_OK);
  EXPECT_EQ(ErrorReasonOf(*g), "");
  const std::vector<std::uint8_t> png = ImageData(*g);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_ImageMimeType), "image/png");
  EXPECT_TRUE(image_test::Names(dir.path()).empty());

  // No folder is needed in memory; back to a file, the same bytes land there.
  ASSERT_EQ(g->put_FilePath(B(u"/no/such/folder").get()), S_OK);
  ASSERT_EQ(g->DrawBarGraph(), S_OK);
  EXPECT_EQ(ErrorReasonOf(*g), "");
  ASSERT_EQ(g->put_FilePath(B(Utf8ToUtf16(dir.path())).get()), S_OK);
  ASSERT_EQ(g->put_FileName(B(u"chart.bin").get()), S_OK);
  ASSERT_EQ(g->put_OutputTarget(B(u"file").get()), S_OK);
  ASSERT_EQ(g->DrawBarGraph(), S_OK);
  EXPECT_EQ(image_test::ReadAll(dir.path() + "/chart.bin"), png);
}

TEST(OutputMembersTest, BadValuesAreRefusedAndLeaveTheSettingAsItWas) {
  struct Case {
    const char* name;
    HRESULT (*put)(CGraphGenerator&);
    const char* message;
  };
  const Case cases[] = {
      {"format", [](CGraphGenerator& g) { return g.put_OutputFormat(B(u"gif").get()); },
       "Unknown OutputFormat"},
      {"format with a NUL",
       [](CGraphGenerator& g) { return g.put_OutputFormat(B(std::u16string(u"png\0x", 5)).get()); },
       "Unknown OutputFormat"},
      {"target", [](CGraphGenerator& g) { return g.put_OutputTarget(B(u"disk").get()); },
       "Unknown OutputTarget"},
      {"quality 0", [](CGraphGenerator& g) { return g.put_JpegQuality(0); }, "JpegQuality"},
      {"quality 101", [](CGraphGenerator& g) { return g.put_JpegQuality(101); }, "JpegQuality"},
  };
  for (const Case& c : cases) {
    auto g = NewGenerator();
    EXPECT_EQ(c.put(*g), E_INVALIDARG) << c.name;
    EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError).find(c.message), 0u) << c.name;
    EXPECT_EQ(ErrorReasonOf(*g), Text(*g, &CGraphGenerator::get_LastError)) << c.name;
    EXPECT_EQ(Text(*g, &CGraphGenerator::get_OutputFormat), "") << c.name;
    EXPECT_EQ(Text(*g, &CGraphGenerator::get_OutputTarget), "file") << c.name;
    std::int32_t quality = 0;
    EXPECT_EQ(g->get_JpegQuality(&quality), S_OK);
    EXPECT_EQ(quality, 75) << c.name;
  }
}

TEST(OutputMembersTest, LastErrorIsTheLatestCallsWhileErrorReasonStays) {
  auto g = NewGenerator();
  AddMonths(*g, 3);
  ASSERT_EQ(g->put_FilePath(B(u"/no/such/folder").get()), S_OK);
  ASSERT_EQ(g->DrawLineGraph(), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError), "Invalid File Path");
  ASSERT_EQ(g->put_OutputTarget(B(u"memory").get()), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError), "");
  ASSERT_EQ(g->DrawLineGraph(), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError), "");
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid File Path");
  ASSERT_EQ(g->DrawBarSeriesGraph(), S_OK);  // no series yet
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError),
            "Series Members name not given or Series not added");
}

TEST(OutputMembersTest, AltTextDescribesTheLastChartInWords) {
  auto g = NewGenerator();
  ASSERT_EQ(g->put_OutputTarget(B(u"memory").get()), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_AltText), "");

  g->put_ChartTitle(B(u"Sales").get());
  g->put_YAxisLabel(B(u"Units").get());
  g->put_FileName(B(u"never-said.jpg").get());
  AddMonths(*g, 3);
  ASSERT_EQ(g->DrawPieGraph(), S_OK);  // a pie draws negative values as 0
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_AltText),
            "Pie chart \"Sales\", y axis \"Units\", 3 values: m1 0, m2 0, m3 0.5. "
            "Smallest value 0 (m1), largest 0.5 (m3).");

  g->ClearData();
  AddMonths(*g, 53);
  ASSERT_EQ(g->DrawBarGraph(), S_OK);
  const std::string many = Text(*g, &CGraphGenerator::get_AltText);
  EXPECT_NE(many.find(", m50 -1.5, and 3 more. Smallest value -1.5 (m1), largest 4.5 (m7)."),
            std::string::npos)
      << many;

  g->AddItemToSeries(B(u"Jan").get());
  g->AddItemToSeries(B(u"Feb").get());
  g->AddSeries(B(u"North").get());
  g->AddDataEx(1);
  g->AddDataEx(7);
  g->AddSeries(B(u"South").get());
  g->AddDataEx(3);
  ASSERT_EQ(g->DrawLineSeriesGraph(), S_OK);
  EXPECT_EQ(Text(*g, &CGraphGenerator::get_AltText),
            "Line chart \"Sales\", y axis \"Units\", 2 series, 2 items each: North: Jan 1, Feb 7; "
            "South: Jan 3, Feb 0. Smallest value 0 (South, Feb), largest 7 (North, Feb).");
}

// On a restricted host the method group is still checked with the memory
// target, but no output folder is: the image goes to none.
TEST(OutputMembersTest, MemoryTargetKeepsTheGroupCheckAndNeedsNoSiteFolder) {
  struct Case {
    const char* target;
    const char* groups;  // the site's allowed method groups
    int renders;
    const char* refusal;  // after "Please contact ... not allowed to use Non Series Graphs
                          // method of Tessaloom component"; null: drawn
  };
  const Case cases[] = {
      {"memory", "Non Series Graphs", 1, nullptr},
      {"file", "Non Series Graphs", 0, " in /elsewhere path"},
      {"memory", "Series Graphs", 0, ""},
  };
  for (const Case& c : cases) {
    MemorySettingsSources sources;
    sources.SetInstallationPath("/opt/q");
    sources.SetGatehold(1);
    sources.files["/opt/q/Admin.ini"] = "[Settings]\nInstalled=Tessaloom\nApplied=Tessaloom\n";
    sources.files["/opt/q/WebSite.ini"] =
        std::string("[Path]\na=/srv/www/a\n[Security]\na=Tessaloom\n[a]\nTessaloom=") + c.groups +
        "\n";
    sources.request = "/srv/www/a/page.py";
    Counting renderer;
    auto g = NewGenerator();
    g->accessSettings = &sources;
    g->graph.renderer = &renderer;
    g->put_FilePath(B(u"/elsewhere").get());
    g->put_OutputTarget(B(Utf8ToUtf16(c.target)).get());
    AddMonths(*g, 2);
    EXPECT_EQ(g->DrawBarGraph(), S_OK);
    EXPECT_EQ(renderer.renders, c.renders) << c.target << " " << c.groups;
    const std::string refused =
        c.refusal == nullptr
            ? ""
            : std::string(
                  "Please contact your hosting administrator, as you are not allowed to use "
                  "Non Series Graphs method of Tessaloom component") +
                  c.refusal;
    EXPECT_EQ(Text(*g, &CGraphGenerator::get_LastError), refused) << c.target << " " << c.groups;
  }
}

}  // namespace
}  // namespace tessaloom

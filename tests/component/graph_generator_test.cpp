// The object's stores as its charts report them (limits, Clears, colours, ErrorReason) and what it
// answers through its interfaces.
#include "component/graph_generator.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "tessaloom/module.h"
#include "tests/support/generator.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers
using Draw = HRESULT (CGraphGenerator::*)() noexcept;
constexpr Draw kBars = &CGraphGenerator::DrawBarGraph;
constexpr Draw kSeriesBars = &CGraphGenerator::DrawBarSeriesGraph;

// Called through the interface, not late-bound: NaN and infinity are refused as the late-bound
// path refuses 1e39, and take no place. Series values follow items and series, 256 of each.
TEST(GraphGeneratorTest, TheStoresKeepAnyFiniteFloatOfTheFirst256PointsItemsAndSeries) {
  auto g = NewGenerator();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  g->AddItemToSeries(B(u"i").get());
  g->AddSeries(B(u"s").get());
  for (const float bad : {std::numeric_limits<float>::quiet_NaN(), kInf, -kInf}) {
    EXPECT_EQ(g->AddData(B(u"bad").get(), bad), DISP_E_OVERFLOW);
    EXPECT_EQ(g->AddDataEx(bad), DISP_E_OVERFLOW);
  }
  EXPECT_TRUE(Described(*g, kSeriesBars).starts_with("Bar chart, 1 series, 1 item each: s: i 0."));
  ASSERT_EQ(g->AddData(nullptr, -0.5f), S_OK);  // a null label is an empty one
  for (int i = 1; i < 300; ++i) ASSERT_EQ(g->AddData(B(u"p").get(), static_cast<float>(i)), S_OK);
  const std::string text = Described(*g, kBars);
  EXPECT_TRUE(text.starts_with("Bar chart, 256 values:  -0.5, p 1, p 2,")) << text;
  EXPECT_TRUE(text.ends_with("and 206 more. Smallest value -0.5 (), largest 255 (p).")) << text;

  g->ClearSeriesData();
  g->AddDataEx(9.0f);  // before any series: stored nowhere
  g->AddSeries(B(u"no items").get());
  g->AddDataEx(9.0f);  // a series without items takes no values
  EXPECT_EQ(Described(*g, kSeriesBars), "");
  EXPECT_EQ(ErrorReasonOf(*g), "Series Members name not given or Series not added");
  g->ClearSeriesData();
  AddTable(*g, {u"Q1", u"Q2"}, {{u"x", {1, 2, 3}}});  // the third has no item
  EXPECT_EQ(Described(*g, kSeriesBars),
            "Bar chart, 1 series, 2 items each: x: Q1 1, Q2 2. Smallest value 1 (x, Q1), "
            "largest 2 (x, Q2).");
  g->ClearSeriesData();
  for (int i = 0; i < 300; ++i) g->AddItemToSeries(B(u"i").get());
  for (int i = 0; i < 300; ++i) g->AddSeries(B(u"s").get());
  for (int i = 0; i < 300; ++i) g->AddDataEx(3.0f);  // to the last series taken
  const std::string series = Described(*g, kSeriesBars);
  EXPECT_TRUE(series.starts_with("Bar chart, 256 series, 256 items each: s: i 0,")) << series;
  EXPECT_TRUE(series.ends_with("Smallest value 0 (s, i), largest 3 (s, i).")) << series;
}

// Sizes below one are ignored; script colours and the title outlive both Clears.
TEST(GraphGeneratorTest, EachClearKeepsTheOtherStoreColoursPropertiesAndMessages) {
  auto g = NewGenerator();
  ModelRecorder model;
  g->graph.renderer = &model;
  for (const int bad : {0, INT32_MIN}) EXPECT_EQ(g->put_GraphWidth(bad), S_OK);
  g->AddData(B(u"a").get(), 1.0f);
  AddTable(*g, {u"i"}, {{u"s", {7}}});
  g->AddColor(B(u"red").get());
  g->put_ChartTitle(B(u"T").get());
  EXPECT_EQ(g->ClearData(), S_OK);
  EXPECT_EQ(Described(*g, kBars), "");
  EXPECT_TRUE(
      Described(*g, kSeriesBars).starts_with("Bar chart \"T\", 1 series, 1 item each: s: i 7."));
  EXPECT_EQ(model.last, "0 0..10/1; s: 0=7; legend i colour ff");
  g->AddColor(B(u"red").get());
  EXPECT_EQ(g->ClearSeriesData(), S_OK);
  EXPECT_EQ(Described(*g, kSeriesBars), "");
  g->AddData(B(u"a").get(), 1.0f);
  EXPECT_TRUE(Described(*g, kBars).starts_with("Bar chart \"T\", 1 value: a 1."));
  EXPECT_EQ(model.last, "0 0..10/1; a: 0=1; colour ff");
  g->graph.renderer = nullptr;  // the image keeps the default width
  g->put_OutputFormat(B(u"bmp").get());
  g->DrawBarGraph();
  ASSERT_GT(g->graph.imageBytes.size(), 22u);
  EXPECT_EQ(g->graph.imageBytes[18] + 256 * g->graph.imageBytes[19], 500);

  // The flag alone means white, as does an empty colour; a draw uses up the script's colours,
  // and later ones are counted on; at most 256 are kept.
  g->graph.renderer = &model;
  g->HasBackColor(2);
  g->AddColor(B(u"#00FF00").get());
  EXPECT_EQ(g->AddColor(nullptr), S_OK);  // no colour, not counted
  g->DrawBarGraph();
  EXPECT_EQ(model.last, "0 0..10/1; a: 0=1; colour ff00 back ffffff");
  g->put_BackColor(B(u"red").get());
  g->put_BackColor(B(u"").get());
  g->AddColor(B(u"tan").get());
  g->DrawBarGraph();
  EXPECT_EQ(model.last, "0 0..10/1; a: 0=1; colour 6bc6ff back ffffff");
  for (int i = 0; i < 1000; ++i) g->AddColor(B(u"red").get());
  g->DrawBarGraph();
  std::size_t reds = 0;
  for (std::size_t at = 0; (at = model.last.find(" colour ff ", at)) != std::string::npos; ++at)
    ++reds;
  EXPECT_EQ(reds, 256u);

  // ErrorReason: the access message outranks the engine's.
  g->graph.SetErrorText("engine failed");
  EXPECT_EQ(ErrorReasonOf(*g), "engine failed");
  g->accessErrorText = "Invalid path specified";
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid path specified");
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid path specified");  // reading clears nothing
  EXPECT_EQ(g->get_ErrorReason(nullptr), E_POINTER);
}

TEST(GraphGeneratorObjectTest, AnswersForItsInterfacesWithOneIdentityAndWhatAScriptEngineAsks) {
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(CreateGraphGenerator(IID_IUnknown, unknown.out()), S_OK);
  ComPtr<IGraphGenerator> generator;
  ASSERT_EQ(unknown->QueryInterface(IID_IGraphGenerator, generator.out()), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(generator.get()), unknown.get());
  ComPtr<ISupportErrorInfo> info;
  ASSERT_EQ(unknown->QueryInterface(IID_ISupportErrorInfo, info.out()), S_OK);
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_IGraphGenerator), S_OK);
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  void* p = unknown.get();
  EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  // What a script engine asks of IDispatch: parameter names, interface IDs, no argument block.
  ComPtr<IDispatch> object;
  ASSERT_EQ(unknown->QueryInterface(IID_IDispatch, object.out()), S_OK);
  std::u16string member = u"AddData", p1 = u"YVAL", p0 = u"xVal", bad = u"zVal";
  OLECHAR* names[] = {member.data(), p1.data(), p0.data(), bad.data()};
  DISPID ids[4] = {};
  EXPECT_EQ(object->GetIDsOfNames(GUID_NULL, names, 4, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(std::vector<DISPID>(ids, ids + 4), (std::vector<DISPID>{4, 1, 0, DISPID_UNKNOWN}));
  EXPECT_EQ(object->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  // A property both read and written: the get row comes first, the name is the put's.
  std::u16string property = u"OutputFormat", value = u"newVal";
  OLECHAR* propertyNames[] = {property.data(), value.data()};
  EXPECT_EQ(object->GetIDsOfNames(GUID_NULL, propertyNames, 2, 0, ids), S_OK);
  EXPECT_EQ(std::vector<DISPID>(ids, ids + 2), (std::vector<DISPID>{50, 0}));

  const auto invoke = [&](REFIID iid, WORD flags, DISPID id = 15) {
    return object->Invoke(id, iid, 0, flags, nullptr, nullptr, nullptr, nullptr);
  };
  EXPECT_EQ(invoke(IID_IDispatch, DISPATCH_METHOD), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(invoke(GUID_NULL, DISPATCH_METHOD), S_OK);
  EXPECT_EQ(invoke(GUID_NULL, 0), DISP_E_MEMBERNOTFOUND);  // no kind of call asked for
  for (const DISPID unassigned : {0, -1, 38, 44, INT32_MIN})
    EXPECT_EQ(invoke(GUID_NULL, DISPATCH_METHOD | DISPATCH_PROPERTYGET, unassigned),
              DISP_E_MEMBERNOTFOUND);
}

}  // namespace
}  // namespace tessaloom

// The object's stores between the script's calls (their limits, what each
// Clear keeps, the colour list, which message ErrorReason shows), and what it
// answers through its interfaces.
#include "component/graph_generator.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "tessaloom/module.h"
#include "tests/component/test_support.h"

namespace tessaloom {
namespace {

using testing::B;
using testing::ErrorReasonOf;
using testing::NewGenerator;

std::size_t Count(const std::string& list, char separator) {
  return static_cast<std::size_t>(std::count(list.begin(), list.end(), separator));
}

// Called through the interface, not late-bound: NaN and infinity are
// refused as the late-bound path refuses 1e39, and take no place.
TEST(GraphGeneratorTest, AddDataKeepsAnyFiniteFloatOfTheFirst256Points) {
  auto g = NewGenerator();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  g->AddItemToSeries(B(u"i").get());
  g->AddSeries(B(u"s").get());
  for (const float bad : {std::numeric_limits<float>::quiet_NaN(), kInf, -kInf}) {
    EXPECT_EQ(g->AddData(B(u"bad").get(), bad), DISP_E_OVERFLOW);
    EXPECT_EQ(g->AddDataEx(bad), DISP_E_OVERFLOW);
  }
  EXPECT_EQ((std::tuple{g->dataCount, g->seriesValueCount}), (std::tuple{0, 0}));
  ASSERT_EQ(g->AddData(nullptr, -0.5f), S_OK);
  for (int i = 1; i < 300; ++i) ASSERT_EQ(g->AddData(B(u"p").get(), static_cast<float>(i)), S_OK);
  EXPECT_EQ((std::tuple{g->dataCount, g->dataValues[255], Count(g->dataLabels, ',')}),
            (std::tuple{256, 255.0f, 256u}));
  EXPECT_EQ(g->dataLabels.substr(0, 5), ",p,p,");  // a null label is an empty one
}

TEST(GraphGeneratorTest, SeriesValuesFollowItemsAndSeriesUpTo256Each) {
  auto g = NewGenerator();
  g->AddDataEx(9.0f);  // before any series: stored nowhere
  g->AddSeries(B(u"no items").get());
  g->AddDataEx(9.0f);  // a series without items takes no values
  EXPECT_EQ((std::tuple{g->seriesValueCount, g->SeriesValue(0, 0)}), (std::tuple{0, 0.0f}));
  g->ClearSeriesData();
  testing::AddTable(*g, {u"Q1", u"Q2"}, {{u"x", {1, 2, 3}}});  // the third has no item
  EXPECT_EQ((std::tuple{g->SeriesValue(0, 1), g->SeriesValue(0, 2)}), (std::tuple{2.0f, 0.0f}));
  for (int i = 0; i < 300; ++i) g->AddItemToSeries(B(u"i").get());
  for (int i = 0; i < 300; ++i) g->AddSeries(B(u"s").get());
  for (int i = 0; i < 300; ++i) g->AddDataEx(3.0f);
  // The 257th series on are refused.
  EXPECT_EQ(
      (std::tuple{g->itemCount, g->seriesIndex, Count(g->seriesTitles, '|'), g->seriesValueCount}),
      (std::tuple{256, 255, 256u, 256}));
  EXPECT_EQ(g->SeriesValue(255, 255), 3.0f);
}

// Sizes below one are ignored.
TEST(GraphGeneratorTest, EachClearKeepsTheOtherStoreColoursAndProperties) {
  auto g = NewGenerator();
  for (const int bad : {0, INT32_MIN}) EXPECT_EQ(g->put_GraphWidth(bad), S_OK);
  g->AddData(B(u"a").get(), 1.0f);
  testing::AddTable(*g, {u"i"}, {{u"s", {7}}});
  g->AddColor(B(u"red").get());
  g->put_ChartTitle(B(u"T").get());
  EXPECT_EQ(g->ClearData(), S_OK);
  EXPECT_EQ((std::tuple{g->dataCount, g->dataLabels, g->SeriesValue(0, 0)}),
            (std::tuple{0, "", 7.0f}));
  EXPECT_EQ(g->ClearSeriesData(), S_OK);
  EXPECT_EQ((std::tuple{g->itemNames + g->seriesTitles, g->seriesIndex, g->SeriesValue(0, 0)}),
            (std::tuple{"", -1, 0.0f}));
  EXPECT_EQ((std::tuple{g->graph.colorList.size(), g->graph.chartTitle, g->graph.graphWidth}),
            (std::tuple{1u, "T", 500}));
}

TEST(GraphGeneratorTest, Colours) {
  auto g = NewGenerator();
  g->HasBackColor(2);  // the flag alone means white
  EXPECT_EQ(g->graph.backColor, 0xFFFFFFu);
  g->put_BackColor(B(u"red").get());
  g->put_BackColor(B(u"").get());
  EXPECT_EQ(g->graph.backColor, 0xFFFFFFu);
  EXPECT_EQ(g->AddColor(nullptr), S_OK);  // no colour, not counted
  g->AddColor(B(u"#00FF00").get());
  g->graph.ClearAll();  // a draw empties the model's colours; the index keeps counting
  g->AddColor(B(u"tan").get());
  ASSERT_EQ(g->graph.colorList.size(), 1u);
  EXPECT_EQ((std::tuple{g->graph.colorList[0].colorIndex, g->graph.GetColor(0)}),
            (std::tuple{1u, 0x6BC6FFu}));
  for (int i = 0; i < 1000; ++i) g->AddColor(B(u"red").get());
  // Past every slot counted, not stored.
  EXPECT_EQ((std::tuple{g->colorCount, g->graph.colorList.size()}), (std::tuple{1002, 256u}));
}

TEST(GraphGeneratorTest, AccessMessageOutranksEngineMessages) {
  auto g = NewGenerator();
  g->graph.SetErrorText("engine failed");
  EXPECT_EQ(ErrorReasonOf(*g), "engine failed");
  g->accessErrorText = "Invalid path specified";
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid path specified");
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid path specified");  // reading clears nothing
  EXPECT_EQ(g->get_ErrorReason(nullptr), E_POINTER);
}

TEST(GraphGeneratorObjectTest, AnswersForItsInterfacesWithOneIdentity) {
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
}

// What a script engine can ask of IDispatch beyond what the Python tests reach:
// parameter names, interface IDs and a missing argument block.
TEST(GraphGeneratorObjectTest, AnswersWhatAScriptEngineAsks) {
  ComPtr<IDispatch> object;
  ASSERT_EQ(CreateGraphGenerator(IID_IDispatch, object.out()), S_OK);
  std::u16string member = u"AddData", p1 = u"YVAL", p0 = u"xVal", bad = u"zVal";
  OLECHAR* names[] = {member.data(), p1.data(), p0.data(), bad.data()};
  DISPID ids[4] = {};
  EXPECT_EQ(object->GetIDsOfNames(GUID_NULL, names, 4, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(std::vector<DISPID>(ids, ids + 4), (std::vector<DISPID>{4, 1, 0, DISPID_UNKNOWN}));
  EXPECT_EQ(object->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  // A property both read and written: the get row comes first, the name is the put's.
  std::u16string property = u"OutputFormat", value = u"newVal";
  OLECHAR* property_names[] = {property.data(), value.data()};
  EXPECT_EQ(object->GetIDsOfNames(GUID_NULL, property_names, 2, 0, ids), S_OK);
  EXPECT_EQ(std::vector<DISPID>(ids, ids + 2), (std::vector<DISPID>{50, 0}));

  const auto invoke = [&](REFIID iid, WORD flags) {
    return object->Invoke(15, iid, 0, flags, nullptr, nullptr, nullptr, nullptr);
  };
  EXPECT_EQ(invoke(IID_IDispatch, DISPATCH_METHOD), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(invoke(GUID_NULL, DISPATCH_METHOD), S_OK);
  EXPECT_EQ(invoke(GUID_NULL, 0), DISP_E_MEMBERNOTFOUND);  // no kind of call asked for
}

}  // namespace
}  // namespace tessaloom

#include "component/graph_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "component/module.h"
#include "tests/component/test_support.h"

namespace tessaloom {
namespace {

using testing::B;
using testing::ErrorReasonOf;
using testing::NewGenerator;

std::vector<std::string> Split(const std::string& list, char separator) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : list) {
    if (c == separator) {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  EXPECT_TRUE(current.empty()) << "list does not end with its separator";
  return parts;
}

TEST(GraphGeneratorTest, NewObjectHasTheDocumentedDefaults) {
  auto g = NewGenerator();
  EXPECT_EQ(ErrorReasonOf(*g), "");
  EXPECT_EQ(g->componentName, "Tessaloom");
  EXPECT_EQ(g->seriesIndex, -1);
  EXPECT_EQ(g->dataCount, 0);
  EXPECT_EQ(g->itemCount, 0);
  EXPECT_EQ(g->colorCount, 0);
  EXPECT_EQ(g->pendingSeries, nullptr);
  EXPECT_EQ(g->graph.graphWidth, 500);
  EXPECT_EQ(g->graph.graphHeight, 350);
  EXPECT_EQ(g->graph.fileName, "Graph.jpg");
  EXPECT_EQ(g->graph.filePath, "");
  EXPECT_EQ(g->graph.isVertical, 1u);
  for (const auto& row : g->seriesValues) {
    for (float v : row) ASSERT_EQ(v, 0.0f);
  }
}

TEST(GraphGeneratorTest, SizesBelowOneAreIgnored) {
  struct Case {
    std::int32_t value;
    std::int32_t expected;
  };
  const Case cases[] = {{0, 500}, {-5, 500}, {INT32_MIN, 500}, {1, 1}, {INT32_MAX, INT32_MAX}};
  for (const Case& c : cases) {
    auto g = NewGenerator();
    EXPECT_EQ(g->put_GraphWidth(c.value), S_OK);
    EXPECT_EQ(g->put_GraphHeight(c.value), S_OK);
    EXPECT_EQ(g->graph.graphWidth, c.expected) << c.value;
    EXPECT_EQ(g->graph.graphHeight, c.expected == 500 ? 350 : c.expected) << c.value;
  }
}

TEST(GraphGeneratorTest, TextPropertiesAreStoredUnchanged) {
  auto g = NewGenerator();
  EXPECT_EQ(g->put_ChartTitle(B(u"Sales \u00e9\U0001F600").get()), S_OK);
  EXPECT_EQ(g->put_XAxisLabel(B(u"Month\u00e9").get()), S_OK);
  EXPECT_EQ(g->put_YAxisLabel(B(u"  Units ").get()), S_OK);
  EXPECT_EQ(g->put_FileName(B(u"").get()), S_OK);
  EXPECT_EQ(g->put_FilePath(B(u"..\\x/").get()), S_OK);
  EXPECT_EQ(g->put_SeriesLabel(B(u"S").get()), S_OK);
  EXPECT_EQ(g->graph.chartTitle, "Sales \xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(g->graph.xAxisLabel, "Month\xC3\xA9");
  EXPECT_EQ(g->graph.xAxisLabelLength, 6);  // code points, not bytes
  EXPECT_EQ(g->graph.yAxisLabel, "  Units ");
  EXPECT_EQ(g->graph.fileName, "");
  EXPECT_EQ(g->graph.filePath, "..\\x/");
  EXPECT_EQ(g->singleSeriesLabel, "S");

  // A null BSTR is empty text: it clears.
  EXPECT_EQ(g->put_ChartTitle(nullptr), S_OK);
  EXPECT_EQ(g->graph.chartTitle, "");
  // A lone surrogate cannot be stored as UTF-8; it becomes U+FFFD.
  const char16_t lone[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(g->put_ChartTitle(Bstr(std::u16string_view(lone, 3)).get()), S_OK);
  EXPECT_EQ(g->graph.chartTitle,
            "a\xEF\xBF\xBD"
            "b");
}

TEST(GraphGeneratorTest, AddDataKeepsAnyFloatOfTheFirst256Points) {
  auto g = NewGenerator();
  const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(), -1e38f};
  for (float v : values) ASSERT_EQ(g->AddData(nullptr, v), S_OK);
  EXPECT_TRUE(std::isnan(g->dataValues[0]));
  EXPECT_EQ(g->dataValues[1], std::numeric_limits<float>::infinity());
  EXPECT_EQ(g->dataValues[2], -1e38f);
  EXPECT_EQ(g->dataLabels, ",,,");  // a null label is an empty label
  for (int i = 3; i < 300; ++i) {
    const std::u16string label = u"p" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
    ASSERT_EQ(g->AddData(B(label).get(), static_cast<float>(i)), S_OK);
  }
  EXPECT_EQ(g->dataCount, 256);
  EXPECT_EQ(g->dataValues[255], 255.0f);
  const auto labels = Split(g->dataLabels, ',');
  ASSERT_EQ(labels.size(), 256u);
  EXPECT_EQ(labels[3], "pD");
  EXPECT_EQ(labels[255], "pV");  // 255 % 26 = 21
}

TEST(GraphGeneratorTest, ClearDataKeepsSeriesColoursAndProperties) {
  auto g = NewGenerator();
  g->AddData(B(u"a").get(), 1.0f);
  g->AddItemToSeries(B(u"i").get());
  g->AddSeries(B(u"s").get());
  g->AddDataEx(7.0f);
  g->AddColor(B(u"red").get());
  g->put_ChartTitle(B(u"T").get());
  EXPECT_EQ(g->ClearData(), S_OK);
  EXPECT_EQ(g->dataCount, 0);
  EXPECT_EQ(g->dataLabels, "");
  EXPECT_EQ(g->itemCount, 1);
  EXPECT_EQ(g->seriesValues[0][0], 7.0f);
  EXPECT_EQ(g->graph.colorList.size(), 1u);
  EXPECT_EQ(g->graph.chartTitle, "T");

  EXPECT_EQ(g->ClearSeriesData(), S_OK);
  g->AddData(B(u"b").get(), 2.0f);
  EXPECT_EQ(g->dataCount, 1);
  EXPECT_EQ(g->itemNames, "");
  EXPECT_EQ(g->seriesTitles, "");
  EXPECT_EQ(g->seriesIndex, -1);
  EXPECT_EQ(g->seriesValueCount, 0);
  EXPECT_EQ(g->itemCount, 0);
  EXPECT_EQ(g->seriesValues[0][0], 0.0f);
  EXPECT_EQ(g->colorCount, 1);
}

TEST(GraphGeneratorTest, SeriesValuesFollowItemsAndSeries) {
  auto g = NewGenerator();
  // Before any series there is no row: nothing is stored anywhere.
  g->AddDataEx(9.0f);
  for (const auto& row : g->seriesValues) {
    for (float v : row) ASSERT_EQ(v, 0.0f);
  }
  // A series without items takes no values.
  g->AddSeries(B(u"empty").get());
  g->AddDataEx(9.0f);
  EXPECT_EQ(g->seriesValueCount, 0);
  EXPECT_EQ(g->seriesValues[0][0], 0.0f);

  g->ClearSeriesData();
  for (const char16_t* item : {u"Q1", u"Q2", u"Q3"}) g->AddItemToSeries(B(item).get());
  g->AddSeries(B(u"A").get());
  for (float v : {1.0f, 2.0f, 3.0f, 4.0f}) g->AddDataEx(v);  // the fourth has no item
  g->AddSeries(B(u"B").get());
  g->AddDataEx(5.0f);
  EXPECT_EQ(g->seriesIndex, 1);
  EXPECT_EQ(g->seriesValueCount, 1);
  EXPECT_EQ(g->seriesValues[0][0], 1.0f);
  EXPECT_EQ(g->seriesValues[0][2], 3.0f);
  EXPECT_EQ(g->seriesValues[0][3], 0.0f);
  EXPECT_EQ(g->seriesValues[1][0], 5.0f);
  EXPECT_EQ(g->itemNames, "Q1|Q2|Q3|");
  EXPECT_EQ(g->seriesTitles, "A|B|");
}

TEST(GraphGeneratorTest, StoreLimitsStopAt256SeriesAnd256Items) {
  auto g = NewGenerator();
  for (int i = 0; i < 300; ++i) g->AddItemToSeries(B(u"i").get());
  EXPECT_EQ(g->itemCount, 256);
  EXPECT_EQ(Split(g->itemNames, '|').size(), 256u);

  for (int i = 0; i < 256; ++i) g->AddSeries(B(u"s").get());
  EXPECT_EQ(g->seriesIndex, 255);
  g->AddDataEx(1.0f);
  g->AddDataEx(2.0f);
  // The 257th series is refused: the value position carries on in series 255.
  g->AddSeries(B(u"extra").get());
  EXPECT_EQ(g->seriesIndex, 255);
  EXPECT_EQ(g->seriesValueCount, 2);
  EXPECT_EQ(Split(g->seriesTitles, '|').size(), 256u);
  for (int i = 0; i < 300; ++i) g->AddDataEx(3.0f);
  EXPECT_EQ(g->seriesValueCount, 256);
  EXPECT_EQ(g->seriesValues[255][255], 3.0f);
}

TEST(GraphGeneratorTest, VerticalBarsInNamesCannotSplitTheLists) {
  auto g = NewGenerator();
  g->AddItemToSeries(B(u"a|b").get());
  g->AddItemToSeries(B(u"|").get());
  g->AddSeries(B(u"x||y").get());
  EXPECT_EQ(g->itemNames,
            "a\xC2\xA6"
            "b|\xC2\xA6|");
  EXPECT_EQ(g->seriesTitles, "x\xC2\xA6\xC2\xA6y|");
  EXPECT_EQ(Split(g->itemNames, '|').size(), 2u);
}

TEST(GraphGeneratorTest, BackColorWritesTheModelAtOnce) {
  struct Case {
    std::u16string text;
    COLORREF expected;
  };
  const Case cases[] = {{u"#FF0000", 0x0000FF}, {u"##00FF00", 0x00FF00}, {u"#F", 0x0000F0},
                        {u"", 0xFFFFFF},        {u"red", 0x0000FF},      {u"Red", 0x0000FF},
                        {u"bogus", 0x562C87},   {u" red", 0x562C87}};
  for (const Case& c : cases) {
    auto g = NewGenerator();
    g->put_BackColor(B(u"peach").get());
    EXPECT_EQ(g->put_BackColor(B(c.text).get()), S_OK);
    EXPECT_EQ(g->graph.backColor, c.expected);
  }
}

TEST(GraphGeneratorTest, SwitchValuesAreStoredUnchangedAndTheFlagAloneMeansWhite) {
  auto g = NewGenerator();
  g->HasBackColor(2);
  EXPECT_EQ(g->graph.hasBackColor, 2u);
  EXPECT_EQ(g->graph.backColor, 0xFFFFFFu);
  g->HasGridLines(-7);
  EXPECT_EQ(g->graph.hasGridLines, 0xFFFFFFF9u);
  g->SetHorizontalGraph();
  EXPECT_EQ(g->graph.isVertical, 0u);
  g->SetVerticalGraph();
  EXPECT_EQ(g->graph.isVertical, 1u);
  // The request is kept after a 3D line chart, for the charts after it.
  g->graph.SetGraphType(GRAPH_3D_LINE);
  g->SetHorizontalGraph();
  EXPECT_EQ(g->graph.isVertical, 0u);
}

TEST(GraphGeneratorTest, AddColorAppendsWithARunningIndex) {
  auto g = NewGenerator();
  EXPECT_EQ(g->AddColor(B(u"").get()), S_OK);
  EXPECT_EQ(g->AddColor(nullptr), S_OK);
  EXPECT_EQ(g->colorCount, 0);
  EXPECT_TRUE(g->graph.colorList.empty());

  g->AddColor(B(u"#00FF00").get());
  g->AddColor(B(u"tan").get());
  EXPECT_EQ(g->colorCount, 2);
  ASSERT_EQ(g->graph.colorList.size(), 2u);
  EXPECT_EQ(g->graph.colorList[1].colorIndex, 1u);
  EXPECT_EQ(g->graph.GetColor(0), 0x00FF00u);
  EXPECT_EQ(g->graph.GetColor(1), 0x6BC6FFu);

  // A draw empties the model's colours; the index keeps counting.
  g->graph.ClearAll();
  g->AddColor(B(u"red").get());
  EXPECT_EQ(g->graph.colorList[0].colorIndex, 2u);

  // Past every slot colours are counted but not stored.
  for (int i = 0; i < 1000; ++i) g->AddColor(B(u"red").get());
  EXPECT_EQ(g->colorCount, 1003);
  EXPECT_EQ(g->graph.colorList.size(), 256u);
}

TEST(GraphGeneratorTest, AccessMessageOutranksEngineMessages) {
  auto g = NewGenerator();
  g->graph.SetErrorText("engine failed");
  EXPECT_EQ(ErrorReasonOf(*g), "engine failed");
  g->accessErrorText = "Invalid path specified";
  g->graph.SetErrorText("later engine text");
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid path specified");
  EXPECT_EQ(ErrorReasonOf(*g), "Invalid path specified");  // reading clears nothing
  EXPECT_EQ(g->get_ErrorReason(nullptr), E_POINTER);
}

TEST(GraphGeneratorObjectTest, AnswersForItsFourInterfacesOnly) {
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(CreateGraphGenerator(IID_IUnknown, unknown.out()), S_OK);
  void* p = nullptr;
  for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID_IGraphGenerator}) {
    ASSERT_EQ(unknown->QueryInterface(iid, &p), S_OK);
    EXPECT_EQ(p, unknown.get());  // one identity for the dual interface
    static_cast<IUnknown*>(p)->Release();
  }
  ComPtr<ISupportErrorInfo> info;
  ASSERT_EQ(unknown->QueryInterface(IID_ISupportErrorInfo, info.out()), S_OK);
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_IGraphGenerator), S_OK);
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
  EXPECT_EQ(unknown->QueryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(ModuleTest, RefusesOtherClassesAndInterfaces) {
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(DllGetClassObject(IID_IGraphGenerator, IID_IClassFactory, &p),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(p, nullptr);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out()), S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
}

TEST(ModuleTest, KnowsItsTwoProgIdsInAnyCase) {
  struct Case {
    const char* progId;
    HRESULT expected;
  };
  const Case cases[] = {{"Tessaloom.GraphGenerator", S_OK},
                        {"TESSALOOM.GRAPHGENERATOR.1", S_OK},
                        {"Tessaloom.GraphGenerator.2", CO_E_CLASSSTRING},
                        {" Tessaloom.GraphGenerator", CO_E_CLASSSTRING}};
  for (const Case& c : cases) {
    CLSID clsid;
    EXPECT_EQ(ClassFromProgId(c.progId, &clsid), c.expected) << c.progId;
    EXPECT_EQ(clsid == CLSID_GraphGenerator, c.expected == S_OK) << c.progId;
  }
}

}  // namespace
}  // namespace tessaloom

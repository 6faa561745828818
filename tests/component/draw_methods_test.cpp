// What each Draw method hands to the chart model, written down in place of drawing it, and the
// scale it chooses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/color.h"
#include "component/scale.h"
#include "tests/support/generator.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

TEST(ComputeScaleLimitsTest, RoundsOutwardToTensInTenStepsAndCoversEveryValue) {
  const std::tuple<std::int32_t, std::int32_t, ScaleLimits> cases[] = {
      {0, 47, {0, 50, 5}},     {3, 100, {0, 110, 11}},
      {20, 20, {10, 30, 2}},   {-15, -5, {-20, 10, 3}},
      {-10, -10, {-20, 0, 2}}, {12, 19, {10, 20, 1}},
      {0, 0, {0, 0, 0}},       {10, 10, {0, 20, 2}},
      {-3, 5, {-10, 10, 2}},   {0, 19, {0, 20, 2}},
      {0, 30, {0, 40, 4}},     {INT32_MIN, INT32_MAX, {INT32_MIN, INT32_MAX, 429496729}},
  };
  for (const auto& [m, M, expected] : cases)
    EXPECT_EQ(ComputeScaleLimits(m, M), expected) << m << ", " << M;

  // Values count truncated, but a value under one unit from zero stays on its side of the axis.
  const std::pair<std::vector<float>, ScaleLimits> values[] = {
      {{-0.5f, 5.0f}, {-10, 10, 2}}, {{-0.9f}, {-10, 0, 1}},        {{-5.0f, 0.5f}, {-10, 10, 2}},
      {{0.5f}, {0, 0, 0}},           {{-9.5f, 9.5f}, {-10, 10, 2}}, {{0.0f, -0.0f}, {0, 0, 0}},
  };
  for (const auto& [added, expected] : values) {
    ValueRange range;
    for (const float v : added) range.Add(v);
    EXPECT_EQ(range.Limits(), expected) << added.front();
  }
}

// Stacked charts and pies draw (and store) negatives as 0, so a stacked scale covers totals as
// drawn; labels keep commas and bars; script colours serve one draw; missing values are 0.
TEST(DrawMethodsTest, WhatEachMethodHandsToTheModel) {
  auto g = NewGenerator();
  ModelRecorder model;
  g->graph.renderer = &model;
  const auto add = [&](std::initializer_list<std::pair<const char16_t*, float>> points) {
    g->ClearData();
    for (const auto& [label, value] : points) g->AddData(B(label).get(), value);
  };
  add({{u"a", 12.9f}, {u"b", 7.9f}});
  g->DrawStackedBarGraph();
  EXPECT_EQ(model.last, "20 0..20/2; : 0=12.9 1=7.9; legend a legend b");
  add({{u"a", -20.0f}, {u"b", 50.0f}});
  g->DrawStackedBarGraph();
  EXPECT_EQ(model.last, "20 0..60/6; : 0=0 1=50; legend a legend b");

  add({{u"a,b", 5.0f}, {u"c", -3.0f}, {u"d", 2.0f}});
  g->AddColor(B(u"red").get());
  EXPECT_EQ(g->DrawBarGraph(), S_OK);
  EXPECT_EQ(model.last, "0 -10..10/2; a,b: 0=5; c: 0=-3; d: 0=2; colour ff");
  g->put_SeriesLabel(B(u"Share").get());
  g->DrawPieGraph();
  EXPECT_EQ(model.last, "1 -10..10/2; Share: 0=5 1=0 2=2; legend a,b legend c legend d");
  g->DrawBarGraph();
  EXPECT_EQ(model.last, "0 0..10/1; a,b: 0=5; c: 0=0; d: 0=2;");

  AddTable(*g, {u"Q1", u"Q|2", u"Q,3"}, {{u"A|,", {10, 20}}, {u"B", {5, -40, 60}}});
  EXPECT_EQ(g->DrawBarSeriesGraph(), S_OK);
  const std::string legend = "legend Q1 legend Q|2 legend Q,3";
  EXPECT_EQ(model.last, "0 -50..70/12; A|,: 0=10 1=20 2=0; B: 0=5 1=-40 2=60; " + legend);
  g->DrawStackedBarSeriesGraph();
  EXPECT_EQ(model.last, "20 0..70/7; A|,: 0=10 1=20 2=0; B: 0=5 1=0 2=60; " + legend);
  g->DrawBarSeriesGraph();
  EXPECT_EQ(model.last.substr(0, 10), "0 0..70/7;");
}

// The fuzz replay's properties cover extra leading '#', digits past the sixth, lower-case digits
// and a '#' past the front. A non-digit keeps its code: 'G','0' -> 71 * 16 mod 256 = 112.
TEST(ParseColorTest, HexDigitsOrANameElseTheFirstPaletteColour) {
  const std::pair<std::string, COLORREF> cases[] = {
      {"#FF0000", 0x0000FF}, {"#F", 0x0000F0},        {"#", 0x000000},    {"#G00000", 0x000070},
      {"#1Z", 0x00006A},     {"#\xFF\xFF", 0x0000EF}, {"RED", 0x0000FF},  {"tan", 0x6BC6FF},
      {"voilet", 0x870056},  {"peach", 0xB1E2FF},     {" red", 0x562C87}, {"red ", 0x562C87},
      {"violet", 0x562C87},  {"r\303\251d", 0x562C87}};
  for (const auto& [text, color] : cases) EXPECT_EQ(ParseColor(text), color) << '"' << text << '"';
}

}  // namespace
}  // namespace tessaloom

// The SVG surface: documents an XML parser reads, the classic pixel rules in vector geometry and
// text that stays text whatever it holds. Extreme coordinates: surfaces_test.cpp.
#include "draw/svg_surface.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include "draw/font_engine.h"
#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

// Finishes and parses the document into `doc`; returns the drawn elements (its group's children).
std::vector<const XMLElement*> Parse(SvgSurface& s, XMLDocument& doc, std::string_view text = "t") {
  std::string svg, error;
  EXPECT_TRUE(s.Finish(text, text, svg, error)) << error;
  EXPECT_EQ(doc.Parse(svg.c_str(), svg.size()), tinyxml2::XML_SUCCESS) << svg;
  std::vector<const XMLElement*> elements;
  const XMLElement* group = doc.RootElement() ? doc.RootElement()->FirstChildElement("g") : nullptr;
  for (auto e = group ? group->FirstChildElement() : nullptr; e; e = e->NextSiblingElement())
    elements.push_back(e);
  return elements;
}

std::string Attr(const XMLElement* e, const char* name) {
  return e != nullptr && e->Attribute(name) != nullptr ? e->Attribute(name) : "<none>";
}

const std::vector<Point> kTriangle = {{0, 4}, {4, 4}, {4, 0}};
constexpr Pen kRed{1, 0x0000FF}, kWide{2, 0};
constexpr Brush kBrush{1};
// Directions from the centre (5, 5) of an 11 x 11 pie.
constexpr Point kThree{10, 5}, kTwelve{5, 0}, kFarTwelve{5, -40}, kFarThree{99, 5};

// Each row pins one classic rule as the elements drawn ("name|attribute=value|..."). Pixel (x, y)
// is the square [x, x+1) x [y, y+1): a 1-pixel stroke along x + 0.5 paints column x.
TEST(SvgSurfaceTest, ShapesAndTextFollowTheClassicPixelRules) {
  using S = SvgSurface;
  const std::int64_t a = StandardTextMetrics(Font::Chart(16)).ascent;
  const std::int64_t w = TextWidth(Font::Chart(16), "Hi");
  const auto n = [](std::int64_t v) { return std::to_string(v); };
  const std::vector<std::pair<std::vector<std::string>, std::function<void(S&)>>> cases = {
      // Rectangle: the pen on the border pixels [10,13] x [10,12]; one pixel wide, a column in
      // the pen colour; 1 x 1 or empty, nothing; a 2-pixel pen on pixel edges, up and left.
      {{"path|d=M10.5 10.5H13.5V12.5H10.5Z"}, [](S& s) { s.Rectangle(14, 13, 10, 10); }},
      {{"path|fill=#ff0000"}, [](S& s) { s.SelectPen(kRed), s.Rectangle(10, 10, 11, 14); }},
      {{}, [](S& s) { s.Rectangle(10, 10, 11, 11), s.Rectangle(10, 10, 10, 20); }},
      {{"path|d=M2 2H8V6H2Z"}, [](S& s) { s.SelectPen(kWide), s.Rectangle(2, 2, 9, 7); }},
      // FillSolidRect with a negative extent paints back from x.
      {{"path|d=M2 5H5V7H2Z"}, [](S& s) { s.FillSolidRect(5, 5, -3, 2, 0x00FF00); }},
      // Lines from the start pixel's left edge to the end pixel's: leftward (1..4, 0), the end
      // left out; a new pen, a new path; a zero length, nothing; a 2-pixel pen, square caps.
      {{"path|d=M5 0.5 1 0.5"}, [](S& s) { s.MoveTo(4, 0), s.LineTo(0, 0); }},
      {{"path|d=M0 0.5 4 0.5 8 0.5", "path|d=M8.5 0 8.5 4|stroke=#ff0000"},
       [](S& s) {
         s.LineTo(4, 0), s.LineTo(8, 0), s.SelectPen(kRed), s.LineTo(8, 0), s.LineTo(8, 4);
       }},
      {{"path|stroke-linecap=square"},
       [](S& s) { s.SelectPen(kWide), s.MoveTo(10, 5), s.LineTo(20, 5); }},
      // Polygon: the alternate rule through pixel centres; FillPolygon: winding, no outline.
      {{"path|fill-rule=evenodd", "path|d=M0.5 4.5 4.5 4.5 4.5 0.5Z|stroke=<none>"},
       [](S& s) { s.Polygon(kTriangle), s.FillPolygon(kTriangle, kBrush); }},
      // Ellipse through the extreme pixels' centres.
      {{"ellipse|cx=3.5|rx=3"}, [](S& s) { s.Ellipse(0, 0, 7, 6); }},
      // Pie counter-clockwise from 3 to 12 o'clock; from 12 to 3, the large arc; equal
      // directions, the whole ellipse in two half arcs.
      {{"path|d=M5.5 5.5L10.5 5.5A5 5 0 0 0 5.5 0.5Z"},
       [](S& s) { s.Pie(0, 0, 11, 11, kThree, kTwelve); }},
      {{"path|d=M5.5 5.5L5.5 0.5A5 5 0 1 0 10.5 5.5Z"},
       [](S& s) { s.Pie(0, 0, 11, 11, kFarTwelve, kFarThree); }},
      {{"path|d=M5.5 5.5L10.5 5.5A5 5 0 1 0 0.5 5.5A5 5 0 1 0 10.5 5.5Z"},
       [](S& s) { s.Pie(0, 0, 11, 11, kThree, kFarThree); }},
      // Text: the classic's opaque cell in the background colour from (x, y), the baseline
      // `ascent` below; upward, turned about its start `ascent` right of x; a 16-pixel cell's em.
      {{"path|d=M10 20H" + n(10 + w) + "V36H10Z|fill=#ffff00",
        "text|x=10|y=" + n(20 + a) + "|fill=#0000ff|font-size=14"},
       [](S& s) { s.SetBkColor(0x00FFFF), s.SetTextColor(0xFF0000), s.TextOut(10, 20, "Hi"); }},
      {{"path|d=M10 " + n(100 - w) + "H26V100H10Z",
        "text|transform=rotate(-90 " + n(10 + a) + " 100)|x=" + n(10 + a) + "|y=100"},
       [](S& s) { s.SelectFont(Font::Chart(16, 900)), s.TextOut(10, 100, "Hi"); }},
  };
  for (const auto& [expected, draw] : cases) {
    SCOPED_TRACE(expected.empty() ? "nothing" : expected.front());
    SvgSurface s(200, 200, 1);
    s.SelectFont(Font::Chart(16));
    draw(s);
    XMLDocument doc;
    const std::vector<const XMLElement*> drawn = Parse(s, doc);
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      std::string got = drawn[i]->Name(), rest = expected[i];
      for (std::size_t bar = rest.find('|'); bar != std::string::npos; bar = rest.find('|')) {
        rest.erase(0, bar + 1);
        const std::string name = rest.substr(0, rest.find('='));
        got += "|" + name + "=" + Attr(drawn[i], name.c_str());
      }
      EXPECT_EQ(got, expected[i]);
    }
  }
}

// Text stays character data: markup escaped, bad UTF-8 and noncharacters U+FFFD, what XML cannot
// carry dropped.
TEST(SvgSurfaceTest, HostileTextStaysText) {
  // The text given and as parsed; nullptr for no text element.
  const std::pair<std::string, const char*> cases[] = {
      {"</text><script>alert(1)</script>", "</text><script>alert(1)</script>"},
      {"a & b \"c\" 'd'", "a & b \"c\" 'd'"},
      {"bell\x07 esc\x1b nul" + std::string(1, '\0') + "!", "bell esc nul!"},
      {"\xC2\x85next line", "next line"},  // U+0085, a C1 control
      {"bad \xFF\xC3 utf8", "bad \xEF\xBF\xBD\xEF\xBF\xBD utf8"},
      {"\xEF\xBF\xBE", "\xEF\xBF\xBD"},  // U+FFFE, a noncharacter, as on every surface
      {"\x01\x02", nullptr},             // controls alone: nothing left to show
      {"\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80", "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80"},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    SvgSurface s(100, 50, 1);
    s.SelectFont(Font::Chart(12));
    s.TextOut(1, 1, text);
    XMLDocument doc;
    const std::vector<const XMLElement*> drawn = Parse(s, doc, text);
    const XMLElement* root = doc.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->FirstChildElement("script"), nullptr);
    EXPECT_STREQ(root->FirstChildElement("title")->GetText(), expected);
    EXPECT_STREQ(root->FirstChildElement("desc")->GetText(), expected);
    const bool shown = !drawn.empty() && std::string(drawn.back()->Name()) == "text";
    EXPECT_EQ(shown, expected != nullptr);
    EXPECT_STREQ(shown ? drawn.back()->GetText() : expected, expected);
  }
}

// Width, height and scale (at most 4); the document's width, height and view box, sides at least 1.
TEST(SvgSurfaceTest, DocumentSizeIsTheCanvasTimesTheScale) {
  const std::tuple<std::int32_t, std::int32_t, std::int32_t, const char*> cases[] = {
      {500, 350, 2, "1000 700 0 0 500 350"},
      {500, 350, 9, "2000 1400 0 0 500 350"},
      {0, -5, 0, "1 1 0 0 1 1"}};
  for (const auto& [width, height, scale, expected] : cases) {
    SvgSurface s(width, height, scale);
    XMLDocument doc;
    Parse(s, doc);
    const XMLElement* svg = doc.RootElement();
    EXPECT_EQ(Attr(svg, "width") + " " + Attr(svg, "height") + " " + Attr(svg, "viewBox"),
              expected);
  }
}

}  // namespace
}  // namespace tessaloom

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/chart_input.h"
#include "cli/commands.h"

namespace tessaloom::cli {
namespace {

std::string EscapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

struct GalleryEntry {
  std::string method;
  bool horizontal;
  bool grid;
  bool backColor;
};

// One picture of a gallery entry: file, OutputFormat, RenderStyle, Scale,
// Theme.
struct Shot {
  std::string file;
  const char* format;
  const char* style;
  std::int32_t scale;
  const char* caption;
  const char* theme = "classic";
};

// Five charts a web back end typically serves, each in the three themes.
struct ServedChart {
  const char* stem;
  const char* method;
  bool horizontal;
  const char* title;
  const char* csv;
};
constexpr ServedChart kServedCharts[] = {
    {"sales", "DrawBarGraph", false, "Monthly sales (k$)",
     "Jan,12\nFeb,30\nMar,-8\nApr,27\nMay,-4\nJun,18\n"},
    {"channels", "DrawLineSeriesGraph", false, "Orders by channel",
     ",Web,Shop,Phone\nJan,31,22,9\nFeb,28,24,11\nMar,35,21,10\nApr,38,19,12\n"
     "May,41,23,10\nJun,44,25,13\nJul,40,27,12\nAug,37,26,11\nSep,45,24,14\n"
     "Oct,49,22,13\nNov,55,28,15\nDec,62,33,17\n"},
    {"budget", "DrawPieGraph", false, "Household budget",
     "Rent,1200\nFood,650\nSavings,400\nTransport,300\nUtilities,220\nLeisure,180\n"
     "Other,90\n"},
    {"regions", "DrawStackedBarSeriesGraph", true, "Shipments by region",
     ",Q1,Q2,Q3,Q4\nNorth-east warehouse,32,45,28,51\nCentral distribution,18,22,35,30\n"
     "West coast fulfilment,25,12,40,22\nSouthern cross-dock,14,19,16,24\n"},
    {"scripts", "DrawBarGraph", false, "\u9500\u552E \u00B7 \u0645\u0628\u064A\u0639\u0627\u062A",
     "\u5317\u4EAC,31\n\u0627\u0644\u0631\u064A\u0627\u0636,24\n\u4E0A\u6D77,37\n"
     "\u0627\u0644\u0642\u0627\u0647\u0631\u0629,19\n"},
};

// Draws the chart `g` holds once per shot into `dir` (the component keeps
// the data between draws); returns the entry's HTML and counts failures.
std::string DrawShots(LateBound& g, const std::string& method, const std::string& title,
                      const std::string& dir, std::span<const Shot> shots, int& failures) {
  g.Put("FilePath", LateBound::Text(dir));
  std::string images;
  for (const Shot& shot : shots) {
    g.Put("FileName", LateBound::Text(shot.file));
    g.Put("OutputFormat", LateBound::Text(shot.format));
    g.Put("RenderStyle", LateBound::Text(shot.style));
    g.Put("Scale", Variant(shot.scale));
    g.Put("Theme", LateBound::Text(shot.theme));
    const tessaloom::HRESULT hr = g.Call(method);
    const std::string reason = g.ErrorReason();
    if (tessaloom::FAILED(hr) || !reason.empty()) {
      ++failures;
      std::fprintf(stderr, "%s: %s\n", shot.file.c_str(), reason.c_str());
    }
    const std::string alt = EscapeHtml(g.GetText("AltText"));
    // Scale 2 is shown at the chart's own size: sharp on a dense screen.
    images += std::string_view(shot.format) == "pdf"
                  ? "<figure><a href=\"" + shot.file + "\">" + shot.file + "</a>"
                  : "<figure><img src=\"" + shot.file + "\" width=\"500\" alt=\"" + alt + "\">";
    images += "<figcaption>" + std::string(shot.caption) + "</figcaption></figure>";
  }
  return "<section><h2>" + EscapeHtml(title) + "</h2>" + images + "<p><small>" +
         EscapeHtml(g.GetText("AltText")) + "</small></p></section>\n";
}

}  // namespace

int Gallery(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("demo").c_str(), stdout);
    return 0;
  }
  if (argc > 3) return Usage("demo takes at most one DIR", "demo");
  const std::string dir = argc > 2 ? argv[2] : "out";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return Fail("cannot create " + dir + ": " + ec.message());
  const char* single[] = {"DrawBarGraph",          "Draw3DBarGraph", "DrawStackedBarGraph",
                          "Draw3DStackedBarGraph", "DrawLineGraph",  "Draw3DLineGraph",
                          "DrawPieGraph",          "Draw3DPieGraph", "DrawBoxWhiskerGraph"};
  const char* series[] = {
      "DrawBarSeriesGraph",          "Draw3DBarSeriesGraph", "DrawStackedBarSeriesGraph",
      "Draw3DStackedBarSeriesGraph", "DrawLineSeriesGraph",  "Draw3DLineSeriesGraph",
      "DrawPieSeriesGraph",          "Draw3DPieSeriesGraph", "DrawBoxWhiskerSeriesGraph"};
  std::vector<GalleryEntry> entries;
  int n = 0;
  for (const char* m : single) entries.push_back({m, false, n % 2 == 0, n++ % 3 == 0});
  for (const char* m : series) entries.push_back({m, false, n % 2 == 0, n++ % 3 == 0});
  // Kinds that can also lie on their side.
  for (const char* m :
       {"DrawBarGraph", "Draw3DBarGraph", "DrawStackedBarGraph", "Draw3DStackedBarGraph",
        "DrawLineGraph", "DrawBoxWhiskerGraph", "DrawBarSeriesGraph", "DrawStackedBarSeriesGraph",
        "DrawLineSeriesGraph", "DrawBoxWhiskerSeriesGraph"}) {
    entries.push_back({m, true, true, false});
  }

  std::string html =
      "<!doctype html>\n<meta charset=\"utf-8\">\n<title>Tessaloom gallery</title>\n"
      "<style>body{font-family:sans-serif}figure{display:inline-block;margin:8px}"
      "figcaption{text-align:center;max-width:1008px}</style>\n<h1>Tessaloom gallery</h1>\n";
  int failures = 0;
  for (const ServedChart& c : kServedCharts) {
    LateBound g;
    if (!g.Ok()) return Fail("cannot create the component");
    DrawOptions o;
    o.title = c.title;
    o.horizontal = c.horizontal;
    ApplyOptions(g, o);
    std::vector<CsvRow> rows;
    std::string error;
    ParseCsv(c.csv, rows, error);
    FeedData(g, rows, IsSeriesMethod(c.method), error);
    const std::string stem = c.stem;
    const Shot shots[] = {{stem + ".png", "png", "classic", 1, "classic"},
                          {stem + "-modern.png", "png", "smooth", 1, "modern", "modern"},
                          {stem + "-dark.png", "png", "smooth", 1, "dark", "dark"}};
    html += DrawShots(g, c.method, c.title, dir, shots, failures);
  }
  for (const GalleryEntry& e : entries) {
    LateBound g;
    if (!g.Ok()) return Fail("cannot create the component");
    const std::string file = e.method + (e.horizontal ? "-horizontal" : "") + ".jpg";
    DrawOptions o;
    o.title = e.method + (e.horizontal ? " (horizontal)" : "");
    o.xLabel = IsSeriesMethod(e.method) ? "Quarter" : "Month";
    o.yLabel = "Units sold";
    o.grid = e.grid;
    o.horizontal = e.horizontal;
    o.seriesLabel = "2026";
    if (e.backColor) o.backColor = "#F0F4FF";
    ApplyOptions(g, o);
    std::vector<CsvRow> rows;
    std::string error;
    const char* data =
        IsSeriesMethod(e.method)
            ? ",Q1,Q2,Q3,Q4\nNorth,32,45,28,51\nSouth,18,22,35,30\nWest,25,12,40,22\n"
            : "Jan,12\nFeb,19\nMar,31\nApr,24\nMay,37\nJun,29\n";
    ParseCsv(data, rows, error);
    FeedData(g, rows, IsSeriesMethod(e.method), error);
    const std::string stem = e.method + (e.horizontal ? "-horizontal" : "");
    // The classic JPEG and PNG, then the smooth PNG at Scale 1 and 2 (shown
    // at the same size, for screens of twice the density).
    const Shot shots[] = {{stem + ".jpg", "", "classic", 1, "classic JPEG"},
                          {stem + ".png", "png", "classic", 1, "classic PNG"},
                          {stem + "-smooth.png", "png", "smooth", 1, "smooth"},
                          {stem + "-smooth-x2.png", "png", "smooth", 2, "smooth, Scale 2"},
                          {stem + "-modern.png", "png", "smooth", 1, "modern", "modern"},
                          {stem + "-dark.png", "png", "smooth", 1, "dark", "dark"}};
    html += DrawShots(g, e.method, o.title, dir, shots, failures);
  }
  // Labels in four scripts, in both styles and as vector documents.
  {
    LateBound g;
    if (!g.Ok()) return Fail("cannot create the component");
    DrawOptions o;
    o.title = "Sales \u00B7 \u9500\u552E \u00B7 \u0645\u0628\u064A\u0639\u0627\u062A";
    o.xLabel = "\u0393\u03BB\u03CE\u03C3\u03C3\u03B1 / Language";
    o.yLabel = "\u0907\u0915\u093E\u0907\u092F\u093E\u0901";
    o.grid = true;
    ApplyOptions(g, o);
    std::vector<CsvRow> rows;
    std::string error;
    ParseCsv(
        "\u4E2D\u6587,31\n\u0627\u0644\u0639\u0631\u0628\u064A\u0629,24\n"
        "\u0939\u093F\u0928\u094D\u0926\u0940,37\n\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC,"
        "19\n",
        rows, error);
    FeedData(g, rows, false, error);
    const Shot shots[] = {{"Scripts.png", "png", "classic", 1, "classic PNG"},
                          {"Scripts-smooth.png", "png", "smooth", 1, "smooth"},
                          {"Scripts-smooth-x2.png", "png", "smooth", 2, "smooth, Scale 2"},
                          {"Scripts.svg", "svg", "classic", 1, "SVG"},
                          {"Scripts.pdf", "pdf", "smooth", 1, "PDF"}};
    html += DrawShots(g, "DrawBarGraph", "Labels in Chinese, Arabic, Hindi and Greek", dir, shots,
                      failures);
  }
  std::ofstream index(std::filesystem::path(dir) / "index.html");
  index << html;
  if (!index) return Fail("cannot write index.html in " + dir);
  std::printf(
      "%zu charts (classic JPEG and PNG, smooth PNG at Scale 1 and 2, modern and dark PNG; SVG "
      "and PDF) in %s (open %s/index.html)\n",
      entries.size() + 1 + std::size(kServedCharts), dir.c_str(), dir.c_str());
  return failures == 0 ? 0 : 1;
}

}  // namespace tessaloom::cli

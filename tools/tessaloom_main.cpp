// tessaloom: the command-line face of the component.
//   tessaloom demo [DIR]                 a gallery of every Draw method, with index.html
//   tessaloom draw METHOD DATA.csv -o FILE [options]
//   tessaloom convert FILE.bmp|FILE.jpg  converts between BMP and JPEG
//   tessaloom register|unregister [LIBRARY]  (un)registers the server
// Everything goes through the component's automation interface.
#include <dlfcn.h>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "component/color.h"
#include "component/registration.h"
#include "draw/text_shaper.h"
#include "image/cimg.h"
#include "platform/text.h"
#include "tessaloom/tessaloom.h"
#include "tools/csv.h"
#include "tools/draw_options.h"
#include "tools/late_bound.h"

namespace {

using tessaloom::Variant;
using tessaloom::tools::DrawOptions;
using tessaloom::tools::LateBound;
using tessaloom::tools::ParseDrawOptions;

// Exit codes: 0 the image (or file) was written, 1 it was not, 2 the
// command line was wrong.
constexpr int kFailed = 1;
constexpr int kUsageError = 2;

struct CommandHelp {
  const char* name;
  const char* text;
};

constexpr CommandHelp kCommands[] = {
    {"demo",
     "  tessaloom demo [DIR]\n"
     "      draws every chart into DIR (default ./out) and writes DIR/index.html\n"},
    {"draw",
     "  tessaloom draw METHOD DATA.csv -o FILE [--title T] [--x-label X] [--y-label Y]\n"
     "      [--width W] [--height H] [--colors C1,C2,...] [--back-color C] [--grid]\n"
     "      [--horizontal] [--series-label S] [--format F] [--quality N] [--alt] [--header]\n"
     "      [--smooth] [--scale N]\n"
     "      METHOD is a Draw method, e.g. DrawBarGraph or DrawPieSeriesGraph.\n"
     "      Single-set methods read rows of label,value (--header: the first row names\n"
     "      the columns). Series methods read a header row whose first cell is ignored\n"
     "      and whose other cells name the items, then rows of series title followed by\n"
     "      one value per item. DATA.csv - reads standard input. At most 256 points,\n"
     "      items and series are drawn. Options take --name value or --name=value.\n"
     "      FILE ending in .png, .jpg (.jpeg), .bmp, .svg or .pdf gives that format,\n"
     "      anything else a BMP; --format bmp|jpeg|png|svg|pdf overrides it. --smooth\n"
     "      draws anti-aliased shapes and shaped text on the classic layout; --scale N\n"
     "      (1-4) makes the image N times as wide and high. -o - writes the image to\n"
     "      standard output (PNG unless --format says otherwise). --quality N (1-100)\n"
     "      sets the JPEG quality; --alt prints a description of the chart (to standard\n"
     "      error with -o -). Colours are #RRGGBB or one of the 24 names (red, skyblue,\n"
     "      ...).\n"},
    {"convert",
     "  tessaloom convert FILE.bmp|FILE.jpg\n"
     "      writes FILE.jpg from a BMP, or FILE.bmp from a JPEG\n"},
    {"register",
     "  tessaloom register [LIBRARY]\n"
     "  tessaloom unregister [LIBRARY]\n"
     "      runs the server's DllRegisterServer or DllUnregisterServer on the registry\n"
     "      file ($TESSALOOM_REGISTRY, else /etc/tessaloom/registry.reg); LIBRARY\n"
     "      defaults to the libtessaloom.so this tool uses\n"},
};

// The usage of one command, or of all with an empty name.
std::string Help(std::string_view command = {}) {
  if (command == "unregister") command = "register";
  std::string text = "usage:\n";
  for (const CommandHelp& c : kCommands) {
    if (command.empty() || command == c.name) text += c.text;
  }
  if (command.empty()) text += "  tessaloom --version\n";
  return text;
}

bool AsksForHelp(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") return true;
  }
  return false;
}

int Usage(const std::string& message, std::string_view command = {}) {
  std::fprintf(stderr, "tessaloom: %s\n%s", message.c_str(), Help(command).c_str());
  return kUsageError;
}

void Warn(const std::string& message) {
  std::fprintf(stderr, "tessaloom: warning: %s\n", message.c_str());
}

// The component draws any other text as maroon without a word; say so.
void WarnAboutColor(const std::string& text) {
  const bool hex = text.size() == 7 && text[0] == '#' &&
                   text.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
  const bool named = std::any_of(
      tessaloom::kColorNames.begin(), tessaloom::kColorNames.end(),
      [&](std::string_view name) { return tessaloom::EqualsIgnoreAsciiCase(name, text); });
  if (!hex && !named) Warn("unknown colour \"" + text + "\" is drawn as maroon");
}

bool IsSeriesMethod(const std::string& method) {
  return method.find("Series") != std::string::npos;
}

// Splits an output path into the folder and file name the component takes.
void SplitOutput(const std::string& output, std::string& folder, std::string& name) {
  const std::filesystem::path path(output);
  folder = path.has_parent_path() ? path.parent_path().string() : ".";
  name = path.filename().string();
}

// The format a file name's extension asks for: "png", "jpeg", "bmp", "svg",
// "pdf", or "" (the component's own rule) for any other.
std::string FormatOfName(const std::string& name) {
  std::string extension = std::filesystem::path(name).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".png") return "png";
  if (extension == ".jpg" || extension == ".jpeg") return "jpeg";
  if (extension == ".bmp") return "bmp";
  if (extension == ".svg") return "svg";
  if (extension == ".pdf") return "pdf";
  return "";
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tessaloom: %s\n", message.c_str());
  return kFailed;
}

void ApplyOptions(LateBound& g, const DrawOptions& o) {
  if (!o.title.empty()) g.Put("ChartTitle", LateBound::Text(o.title));
  if (!o.xLabel.empty()) g.Put("XAxisLabel", LateBound::Text(o.xLabel));
  if (!o.yLabel.empty()) g.Put("YAxisLabel", LateBound::Text(o.yLabel));
  if (!o.seriesLabel.empty()) g.Put("SeriesLabel", LateBound::Text(o.seriesLabel));
  if (o.width != 0) g.Put("GraphWidth", Variant(std::int32_t{o.width}));
  if (o.height != 0) g.Put("GraphHeight", Variant(std::int32_t{o.height}));
  for (const std::string& c : o.colors) {
    std::vector<Variant> args;
    args.push_back(LateBound::Text(c));
    g.Call("AddColor", std::move(args));
  }
  if (!o.backColor.empty()) {
    g.Put("BackColor", LateBound::Text(o.backColor));
    std::vector<Variant> on;
    on.emplace_back(std::int32_t{1});
    g.Call("HasBackColor", std::move(on));
  }
  if (o.grid) {
    std::vector<Variant> on;
    on.emplace_back(std::int32_t{1});
    g.Call("HasGridLines", std::move(on));
  }
  if (o.horizontal) g.Call("SetHorizontalGraph");
}

// The format a chart is written in: --format, else by the file's extension.
std::string OutputFormat(const DrawOptions& o) {
  if (!o.format.empty()) return o.format;
  return o.output == "-" ? "png" : FormatOfName(o.output);
}

// Output settings; false with the component's message for a refused value.
bool ApplyOutput(LateBound& g, const DrawOptions& o, std::string& error) {
  const bool toStdout = o.output == "-";
  const std::string format = OutputFormat(o);
  if (tessaloom::FAILED(g.Put("OutputFormat", LateBound::Text(format))) ||
      (o.smooth && tessaloom::FAILED(g.Put("RenderStyle", LateBound::Text("smooth")))) ||
      (o.scale != 0 && tessaloom::FAILED(g.Put("Scale", Variant(std::int32_t{o.scale})))) ||
      (o.quality != 0 &&
       tessaloom::FAILED(g.Put("JpegQuality", Variant(std::int32_t{o.quality}))))) {
    error = g.GetText("LastError");
    return false;
  }
  if (toStdout) {
    g.Put("OutputTarget", LateBound::Text("memory"));
    return true;
  }
  std::string folder, name;
  SplitOutput(o.output, folder, name);
  g.Put("FilePath", LateBound::Text(folder));
  g.Put("FileName", LateBound::Text(name));
  return true;
}

// Writes the image kept in memory to standard output.
bool WriteImageData(LateBound& g) {
  Variant data = g.Get("ImageData");
  if (data->vt != (tessaloom::VT_ARRAY | tessaloom::VT_UI1) || data->parray == nullptr) {
    return false;
  }
  const tessaloom::SAFEARRAY& bytes = *data->parray;
  return bytes.cElements == 0 ||
         (std::fwrite(bytes.pvData, 1, bytes.cElements, stdout) == bytes.cElements &&
          std::fflush(stdout) == 0);
}

// Feeds the CSV rows; false with a message naming the line on bad data.
bool FeedData(LateBound& g, const std::vector<tessaloom::tools::CsvRow>& rows, bool series,
              std::string& error) {
  if (!series) {
    for (const auto& row : rows) {
      if (row.fields.size() != 2) {
        error = "line " + std::to_string(row.line) + ": expected label,value";
        return false;
      }
      std::vector<Variant> args;
      args.push_back(LateBound::Text(row.fields[0]));
      args.push_back(LateBound::Text(row.fields[1]));  // the component parses the number
      if (tessaloom::FAILED(g.Call("AddData", std::move(args)))) {
        error = "line " + std::to_string(row.line) + ": \"" + row.fields[1] +
                "\" is not a number in range";
        return false;
      }
    }
    return true;
  }
  if (rows.empty()) {
    error = "no header row naming the items";
    return false;
  }
  const std::size_t items = rows[0].fields.size() - 1;
  for (std::size_t k = 1; k <= items; ++k) {
    std::vector<Variant> args;
    args.push_back(LateBound::Text(rows[0].fields[k]));
    g.Call("AddItemToSeries", std::move(args));
  }
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& row = rows[r];
    if (row.fields.size() != items + 1) {
      error = "line " + std::to_string(row.line) + ": expected a title and " +
              std::to_string(items) + " values";
      return false;
    }
    std::vector<Variant> title;
    title.push_back(LateBound::Text(row.fields[0]));
    g.Call("AddSeries", std::move(title));
    for (std::size_t k = 1; k <= items; ++k) {
      std::vector<Variant> args;
      args.push_back(LateBound::Text(row.fields[k]));
      if (tessaloom::FAILED(g.Call("AddDataEx", std::move(args)))) {
        error = "line " + std::to_string(row.line) + ": \"" + row.fields[k] +
                "\" is not a number in range";
        return false;
      }
    }
  }
  return true;
}

// Reads the data file, or standard input for "-".
bool ReadData(const std::string& path, std::string& text, std::string& error) {
  std::error_code ec;
  if (path != "-" && std::filesystem::is_directory(path, ec)) {
    error = path + " is a folder, not a data file";
    return false;
  }
  std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
  if (in == nullptr) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  char chunk[16384];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, n);
  const bool failed = std::ferror(in) != 0;
  if (in != stdin) std::fclose(in);
  if (failed) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

// The store keeps 256 points, items and series; say what it drops.
void WarnAboutDroppedRows(const std::vector<tessaloom::tools::CsvRow>& rows, bool series) {
  constexpr std::size_t kKept = 256;
  const std::size_t data_rows = series ? rows.size() - 1 : rows.size();
  if (data_rows > kKept) {
    Warn(std::to_string(data_rows - kKept) + (series ? " series" : " rows") +
         " past the 256th were dropped");
  }
  if (series && rows[0].fields.size() - 1 > kKept) {
    Warn(std::to_string(rows[0].fields.size() - 1 - kKept) + " items past the 256th were dropped");
  }
}

#ifdef TESSALOOM_FRONT_TOOL
// This build of the tool holds the component whole and loads no shared
// library, so a classic chart costs little more than encoding it. Smooth
// charts, PDF, the gallery and registration need the shared library and its
// smooth module, and text in complex or right-to-left scripts its shaper
// (HarfBuzz has no static library): the full tool does them, with the same
// command line, so the output is the same whichever tool is run. It
// lies beside this program in the build tree, and in the library-executable
// folder once installed.
int HandOver(char** argv) {
  // This program's file: /proc/self/exe, else (no /proc, as in a chroot
  // where a package is being installed) the name it was started by, which
  // the tool never changes directory away from.
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    if (started != nullptr) self = std::filesystem::canonical(started, ec);
  }
  if (ec || self.empty()) return Fail("cannot find this program's own file");
  const std::filesystem::path folder = self.parent_path();
  const std::filesystem::path candidates[] = {
      folder / TESSALOOM_FULL_TOOL, folder / TESSALOOM_TOOL_TO_LIBEXEC / TESSALOOM_FULL_TOOL};
  for (const std::filesystem::path& full : candidates) {
    execv(full.c_str(), argv);
    if (errno != ENOENT) return Fail("cannot run " + full.string() + ": " + std::strerror(errno));
  }
  return Fail("cannot find " + candidates[1].lexically_normal().string() +
              ", which draws smooth charts, PDF and shaped text, shows the gallery and registers "
              "the server");
}

// Hands a chart whose data this program has already read from standard
// input over to the full tool, which reads the same bytes from a memory
// file put in its place.
int HandOverWithInput(char** argv, const std::string& data) {
  const int fd = memfd_create("tessaloom-data", 0);
  if (fd < 0)
    return Fail(std::string("cannot keep the data for the full tool: ") + std::strerror(errno));
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = errno;
      close(fd);
      return Fail(std::string("cannot keep the data for the full tool: ") + std::strerror(error));
    }
    written += static_cast<std::size_t>(n);
  }
  if (lseek(fd, 0, SEEK_SET) != 0 || dup2(fd, STDIN_FILENO) < 0) {
    const int error = errno;
    close(fd);
    return Fail(std::string("cannot give the data to the full tool: ") + std::strerror(error));
  }
  close(fd);
  return HandOver(argv);
}

// True when a text the chart draws needs the shaper this program lacks.
bool NeedsFullTool(const DrawOptions& o, const std::string& data) {
  if (tessaloom::ShapingAvailable()) return false;
  for (const std::string* text : {&o.title, &o.xLabel, &o.yLabel, &o.seriesLabel, &data}) {
    if (tessaloom::NeedsShaping(*text)) return true;
  }
  return false;
}
#endif

int Draw(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("draw").c_str(), stdout);
    return 0;
  }
  if (argc < 4) return Usage("draw needs METHOD DATA.csv -o FILE", "draw");
  const std::string method = argv[2];
  const std::string data_path = argv[3];
  DrawOptions o;
  std::string error;
  if (!ParseDrawOptions(std::vector<std::string>(argv, argv + argc), 4, o, error)) {
    return Usage(error, "draw");
  }
  const std::string& output = o.output;
  if (output.empty()) return Usage("draw needs -o FILE", "draw");
#ifdef TESSALOOM_FRONT_TOOL
  if (o.smooth || tessaloom::EqualsIgnoreAsciiCase(OutputFormat(o), "pdf")) return HandOver(argv);
#endif
  std::string text;
  if (!ReadData(data_path, text, error)) return Fail(error);
#ifdef TESSALOOM_FRONT_TOOL
  if (NeedsFullTool(o, text)) {
    return data_path == "-" ? HandOverWithInput(argv, text) : HandOver(argv);
  }
#endif
  std::vector<tessaloom::tools::CsvRow> rows;
  if (!tessaloom::tools::ParseCsv(text, rows, error)) return Fail(data_path + ": " + error);
  const bool series = IsSeriesMethod(method);
  if (o.header && !series && !rows.empty()) rows.erase(rows.begin());
  if (rows.size() < (series ? 2u : 1u)) return Fail(data_path + ": no data rows");
  WarnAboutDroppedRows(rows, series);
  for (const std::string& c : o.colors) WarnAboutColor(c);
  if (!o.backColor.empty()) WarnAboutColor(o.backColor);

  LateBound g;
  if (!g.ok()) return Fail("cannot create the component");
  ApplyOptions(g, o);
  if (!FeedData(g, rows, series, error)) return Fail(data_path + ": " + error);
  if (!ApplyOutput(g, o, error)) return Fail(error);
  const tessaloom::HRESULT hr = g.Call(method);
  if (hr == tessaloom::DISP_E_UNKNOWNNAME) return Fail("no Draw method named " + method);
  const std::string reason = g.ErrorReason();
  if (tessaloom::FAILED(hr) || hr == tessaloom::S_FALSE || !reason.empty()) {
    return Fail(reason.empty() ? "drawing failed" : reason);
  }
  if (output == "-" && !WriteImageData(g)) return Fail("cannot write the image to standard output");
  if (o.alt) std::fprintf(output == "-" ? stderr : stdout, "%s\n", g.GetText("AltText").c_str());
  return 0;
}

#ifndef TESSALOOM_FRONT_TOOL
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

// One picture of a gallery entry: file, OutputFormat, RenderStyle, Scale.
struct Shot {
  std::string file;
  const char* format;
  const char* style;
  std::int32_t scale;
  const char* caption;
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

int Demo(int argc, char** argv) {
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
  for (const GalleryEntry& e : entries) {
    LateBound g;
    if (!g.ok()) return Fail("cannot create the component");
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
    std::vector<tessaloom::tools::CsvRow> rows;
    std::string error;
    const char* data =
        IsSeriesMethod(e.method)
            ? ",Q1,Q2,Q3,Q4\nNorth,32,45,28,51\nSouth,18,22,35,30\nWest,25,12,40,22\n"
            : "Jan,12\nFeb,19\nMar,31\nApr,24\nMay,37\nJun,29\n";
    tessaloom::tools::ParseCsv(data, rows, error);
    FeedData(g, rows, IsSeriesMethod(e.method), error);
    const std::string stem = e.method + (e.horizontal ? "-horizontal" : "");
    // The classic JPEG and PNG, then the smooth PNG at Scale 1 and 2 (shown
    // at the same size, for screens of twice the density).
    const Shot shots[] = {{stem + ".jpg", "", "classic", 1, "classic JPEG"},
                          {stem + ".png", "png", "classic", 1, "classic PNG"},
                          {stem + "-smooth.png", "png", "smooth", 1, "smooth"},
                          {stem + "-smooth-x2.png", "png", "smooth", 2, "smooth, Scale 2"}};
    html += DrawShots(g, e.method, o.title, dir, shots, failures);
  }
  // Labels in four scripts, in both styles and as vector documents.
  {
    LateBound g;
    if (!g.ok()) return Fail("cannot create the component");
    DrawOptions o;
    o.title = "Sales \u00B7 \u9500\u552E \u00B7 \u0645\u0628\u064A\u0639\u0627\u062A";
    o.xLabel = "\u0393\u03BB\u03CE\u03C3\u03C3\u03B1 / Language";
    o.yLabel = "\u0907\u0915\u093E\u0907\u092F\u093E\u0901";
    o.grid = true;
    ApplyOptions(g, o);
    std::vector<tessaloom::tools::CsvRow> rows;
    std::string error;
    tessaloom::tools::ParseCsv(
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
      "%zu charts (classic JPEG and PNG, smooth PNG at Scale 1 and 2; SVG and PDF) in %s "
      "(open %s/index.html)\n",
      entries.size() + 1, dir.c_str(), dir.c_str());
  return failures == 0 ? 0 : 1;
}

#endif  // TESSALOOM_FRONT_TOOL

int Convert(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("convert").c_str(), stdout);
    return 0;
  }
  if (argc != 3) return Usage("convert needs one FILE", "convert");
  const std::string source = argv[2];
  const std::string extension = std::filesystem::path(source).extension().string();
  std::string lower;
  for (char c : extension) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool from_bmp = lower == ".bmp";
  tessaloom::CIMG converter;
  if (!converter.Convert(source,
                         from_bmp ? tessaloom::ImageType::JPEG : tessaloom::ImageType::BMP)) {
    return Fail(source + ": " + converter.GetError());
  }
  const std::size_t dot = source.rfind('.');
  const std::string stem = dot == std::string::npos ? source : source.substr(0, dot);
  std::printf("%s%s\n", stem.c_str(), from_bmp ? ".JPG" : ".BMP");
  return 0;
}

#ifndef TESSALOOM_FRONT_TOOL
std::string HresultText(tessaloom::HRESULT hr) {
  struct Name {
    tessaloom::HRESULT hr;
    const char* name;
  };
  static constexpr Name kNames[] = {{tessaloom::SELFREG_E_CLASS, "SELFREG_E_CLASS"},
                                    {tessaloom::SELFREG_E_TYPELIB, "SELFREG_E_TYPELIB"},
                                    {tessaloom::E_INVALIDARG, "E_INVALIDARG"},
                                    {tessaloom::E_OUTOFMEMORY, "E_OUTOFMEMORY"},
                                    {tessaloom::E_FAIL, "E_FAIL"}};
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(hr));
  for (const Name& n : kNames) {
    if (n.hr == hr) return std::string(n.name) + " (" + hex + ")";
  }
  return hex;
}

// Like a server registration tool: the server registers itself through its
// own entry point. Without LIBRARY that is the library this tool is linked
// to; with it, LIBRARY is loaded for the occasion.
int Registration(int argc, char** argv, bool registering) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("register").c_str(), stdout);
    return 0;
  }
  if (argc > 3) return Usage(std::string(argv[1]) + " takes at most one LIBRARY", "register");
  const std::string entry_name = registering ? "DllRegisterServer" : "DllUnregisterServer";
  const std::string registry = tessaloom::RegistryFilePath();
  using Entry = tessaloom::HRESULT (*)() noexcept;
  const Entry own = registering ? &DllRegisterServer : &DllUnregisterServer;
  Entry entry = own;
  std::string path;
  std::string error;
  if (argc == 3) {
    // A bare file name means the file here, not one on the loader's search path.
    path = std::filesystem::absolute(argv[2]).lexically_normal().string();
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* reason = dlerror();
      return Fail("cannot load " + (reason != nullptr ? std::string(reason) : path));
    }
    void* symbol = dlsym(library, entry_name.c_str());
    if (symbol == nullptr) return Fail(path + " is not a server: it has no " + entry_name);
    entry = reinterpret_cast<Entry>(symbol);
  } else if (!tessaloom::ThisLibraryPath(path, error)) {
    return Fail(error);
  }
  tessaloom::HRESULT hr = tessaloom::S_OK;
  if (entry == own) {
    // Our own library (also when LIBRARY is the same file): run its steps
    // here, so a failure comes with its reason.
    if (argc == 3 && !tessaloom::ThisLibraryPath(path, error)) return Fail(error);
    hr = registering ? tessaloom::RegisterServer(path, error) : tessaloom::UnregisterServer(error);
  } else {
    hr = entry();
  }
  if (tessaloom::FAILED(hr)) {
    return Fail(entry_name + " in " + path + " failed: " + HresultText(hr) +
                (error.empty() ? " (registry " + registry + ")" : ": " + error));
  }
  std::printf("%s in %s succeeded (registry %s)\n", entry_name.c_str(), path.c_str(),
              registry.c_str());
  return 0;
}

#endif  // TESSALOOM_FRONT_TOOL

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc < 2) return Usage("no command");
    const std::string command = argv[1];
    if (command == "--version") {
      std::printf("tessaloom %s\n", TESSALOOM_VERSION);
      return 0;
    }
    if (command == "draw") return Draw(argc, argv);
    if (command == "convert") return Convert(argc, argv);
#ifdef TESSALOOM_FRONT_TOOL
    if (command == "demo" || command == "register" || command == "unregister") {
      return HandOver(argv);
    }
#else
    if (command == "demo") return Demo(argc, argv);
    if (command == "register") return Registration(argc, argv, true);
    if (command == "unregister") return Registration(argc, argv, false);
#endif
    if (command == "-h" || command == "--help" || command == "help") {
      std::fputs(Help().c_str(), stdout);
      return 0;
    }
    return Usage("unknown command " + command);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

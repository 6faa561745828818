#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"
#include "cli/chart_input.h"
#include "cli/commands.h"
#include "cli/csv.h"
#include "cli/draw_options.h"
#include "cli/late_bound.h"
#include "cli/process_fonts.h"
#include "component/color.h"
#include "platform/text.h"
#ifdef TESSALOOM_FRONT_TOOL
#include "cli/hand_over.h"
#endif

namespace tessaloom::cli {
namespace {

// The component draws any other text as maroon without a word; say so.
void WarnAboutColor(const std::string& text) {
  const bool hex = text.size() == 7 && text[0] == '#' &&
                   text.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
  const bool named = std::any_of(
      tessaloom::kColorNames.begin(), tessaloom::kColorNames.end(),
      [&](std::string_view name) { return tessaloom::EqualsIgnoreAsciiCase(name, text); });
  if (!hex && !named) Warn("unknown colour \"" + text + "\" is drawn as maroon");
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
  const std::string extension = LowerAscii(std::filesystem::path(name).extension().string());
  if (extension == ".png") return "png";
  if (extension == ".jpg" || extension == ".jpeg") return "jpeg";
  if (extension == ".bmp") return "bmp";
  if (extension == ".svg") return "svg";
  if (extension == ".pdf") return "pdf";
  return "";
}

// Where the image goes: a file put in place of the name, or straight into
// what the name already is: kFile, or the descriptor to write to (standard
// output or error when the name is one of them, as /dev/stdout is), or
// kOpenStream for another device, FIFO or socket (links followed).
constexpr int kFile = -1;
constexpr int kOpenStream = -2;
int StreamOf(const std::string& output) {
  if (output == "-") return STDOUT_FILENO;
  struct stat named {};
  if (::stat(output.c_str(), &named) != 0) return kFile;
  for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    struct stat open {};
    if (::fstat(fd, &open) == 0 && open.st_dev == named.st_dev && open.st_ino == named.st_ino) {
      return fd;
    }
  }
  return S_ISREG(named.st_mode) || S_ISDIR(named.st_mode) ? kFile : kOpenStream;
}

// The format a chart is written in: --format, else by the file's extension,
// else PNG for a stream.
std::string OutputFormat(const DrawOptions& o, bool stream) {
  if (!o.format.empty()) return o.format;
  const std::string byName = o.output == "-" ? "" : FormatOfName(o.output);
  return byName.empty() && stream ? "png" : byName;
}

// The chart options that were given; false for a value the component refuses.
bool ApplyChartOptions(LateBound& g, const DrawOptions& o) {
  const std::pair<const char*, const std::string&> texts[] = {{"Theme", o.theme},
                                                              {"ValueFormat", o.valueFormat},
                                                              {"LegendPosition", o.legend},
                                                              {"ValueAxisMin", o.valueMin},
                                                              {"ValueAxisMax", o.valueMax}};
  for (const auto& [name, value] : texts) {
    if (!value.empty() && tessaloom::FAILED(g.Put(name, LateBound::Text(value)))) return false;
  }
  return !(o.showValues && tessaloom::FAILED(g.Put("ShowValues", Variant(true)))) &&
         !(o.transparent && tessaloom::FAILED(g.Put("TransparentBackground", Variant(true))));
}

// Output settings; false with the component's message for a refused value.
bool ApplyOutput(LateBound& g, const DrawOptions& o, bool stream, std::string& error) {
  const std::string format = OutputFormat(o, stream);
  if (!ApplyChartOptions(g, o) ||
      tessaloom::FAILED(g.Put("OutputFormat", LateBound::Text(format))) ||
      (o.smooth && tessaloom::FAILED(g.Put("RenderStyle", LateBound::Text("smooth")))) ||
      (o.scale != 0 && tessaloom::FAILED(g.Put("Scale", Variant(std::int32_t{o.scale})))) ||
      (o.quality != 0 &&
       tessaloom::FAILED(g.Put("JpegQuality", Variant(std::int32_t{o.quality}))))) {
    error = g.GetText("LastError");
    return false;
  }
  if (stream) {
    g.Put("OutputTarget", LateBound::Text("memory"));
    return true;
  }
  std::string folder, name;
  SplitOutput(o.output, folder, name);
  g.Put("FilePath", LateBound::Text(folder));
  g.Put("FileName", LateBound::Text(name));
  return true;
}

// Warns when the component wrote the file under another name than -o gave
// (an extension it does not know gives a BMP named .bmp).
void WarnAboutWrittenName(LateBound& g, const std::string& output) {
  std::string folder, name;
  SplitOutput(output, folder, name);
  const std::string written = g.GetText("OutputFileName");
  if (written.empty() || written == folder + "/" + name) return;
  const std::string shown =
      std::filesystem::path(output).replace_filename(std::filesystem::path(written).filename());
  Warn("wrote " + shown + ", not " + output +
       ": a name not ending in .png, .jpg, .jpeg, .bmp, .svg or .pdf gives a BMP unless "
       "--format names the format");
}

// Opens the device, FIFO or socket `path` for writing, as a shell redirection
// would (a FIFO waits for its reader); -1 with errno set when it cannot.
int OpenStream(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0 && errno == ENXIO) {  // a socket is connected to, not opened
    sockaddr_un address{AF_UNIX, {}};
    if (path.size() >= sizeof address.sun_path) return errno = ENAMETOOLONG, -1;
    path.copy(address.sun_path, path.size());
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      const int code = errno;
      ::close(fd);
      return errno = code, -1;
    }
  }
  struct stat info {};
  // A file put there since the look before the draw is not written into.
  if (fd >= 0 && ::fstat(fd, &info) == 0 && (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))) {
    ::close(fd);
    return errno = EEXIST, -1;
  }
  return fd;
}

// Writes the image kept in memory to the descriptor `stream` or, for
// kOpenStream, into `output`; false with the reason in `error`.
bool WriteImageData(LateBound& g, int stream, const std::string& output, std::string& error) {
  Variant data = g.Get("ImageData");
  if (data->vt != (tessaloom::VT_ARRAY | tessaloom::VT_UI1) || data->parray == nullptr) {
    error = "no image was kept";
    return false;
  }
  const std::uint8_t* bytes = data->parray->pvData;
  std::size_t left = data->parray->cElements;
  std::fflush(nullptr);
  const int fd = stream == kOpenStream ? OpenStream(output) : stream;
  bool done = fd >= 0;
  while (done && left > 0) {
    const ssize_t written = ::write(fd, bytes, left);
    if (written < 0 && errno == EINTR) continue;
    if (written == 0) errno = EIO;
    done = written > 0;
    if (done) {
      bytes += written;
      left -= static_cast<std::size_t>(written);
    }
  }
  if (!done) error = std::strerror(errno);
  if (fd >= 0 && stream == kOpenStream && ::close(fd) != 0 && done) {
    error = std::strerror(errno);
    done = false;
  }
  return done;
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

// Names the Draw methods when `name` is none of them: the nearest one when
// it looks like a slip, else all of them.
std::string UnknownMethod(std::string_view name) {
  std::string text = "no Draw method named " + WithSuggestion(std::string(name), kDrawMethods);
  if (ClosestName(name, kDrawMethods).empty()) {
    text += "; the methods are ";
    for (const std::string_view method : kDrawMethods) {
      text.append(method).append(method == kDrawMethods[std::size(kDrawMethods) - 1] ? "" : ", ");
    }
  }
  return text;
}

// The store keeps 256 points, items and series; say what it drops.
void WarnAboutDroppedRows(const std::vector<CsvRow>& rows, bool series, bool transposed) {
  constexpr std::size_t kKept = 256;
  const std::size_t dataRows = series ? rows.size() - 1 : rows.size();
  if (dataRows > kKept) {
    Warn(std::to_string(dataRows - kKept) +
         (!series      ? " rows"
          : transposed ? " items"
                       : " series") +
         " past the 256th were dropped");
  }
  if (series && rows[0].fields.size() - 1 > kKept) {
    Warn(std::to_string(rows[0].fields.size() - 1 - kKept) + (transposed ? " series" : " items") +
         " past the 256th were dropped");
  }
}

}  // namespace

bool IsSeriesMethod(const std::string& method) {
  return method.find("Series") != std::string::npos;
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

bool FeedData(LateBound& g, const std::vector<CsvRow>& rows, bool series, std::string& error,
              bool transposed) {
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
    error = transposed ? "no header row naming the series" : "no header row naming the items";
    return false;
  }
  // Each row after the header holds a name and a value per header cell.
  const std::size_t columns = rows[0].fields.size() - 1;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    if (rows[r].fields.size() != columns + 1) {
      error = "line " + std::to_string(rows[r].line) + ": expected a " +
              (transposed ? "name" : "title") + " and " + std::to_string(columns) + " values";
      return false;
    }
  }
  // The component's items are the legend's entries and its series the
  // category positions: the header names the one, the rows the other.
  const std::size_t items = transposed ? rows.size() - 1 : columns;
  const std::size_t seriesCount = transposed ? columns : rows.size() - 1;
  const auto name = [&](bool item, std::size_t i) -> const std::string& {
    return item != transposed ? rows[0].fields[i + 1] : rows[i + 1].fields[0];
  };
  for (std::size_t k = 0; k < items; ++k) {
    std::vector<Variant> args;
    args.push_back(LateBound::Text(name(true, k)));
    g.Call("AddItemToSeries", std::move(args));
  }
  for (std::size_t s = 0; s < seriesCount; ++s) {
    std::vector<Variant> title;
    title.push_back(LateBound::Text(name(false, s)));
    g.Call("AddSeries", std::move(title));
    for (std::size_t k = 0; k < items; ++k) {
      const CsvRow& row = transposed ? rows[k + 1] : rows[s + 1];
      const std::string& cell = row.fields[(transposed ? s : k) + 1];
      std::vector<Variant> args;
      args.push_back(LateBound::Text(cell));
      if (tessaloom::FAILED(g.Call("AddDataEx", std::move(args)))) {
        error = "line " + std::to_string(row.line) + ": \"" + cell + "\" is not a number in range";
        return false;
      }
    }
  }
  return true;
}

int Draw(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("draw").c_str(), stdout);
    return 0;
  }
  if (argc < 4) return Usage("draw needs METHOD DATA.csv -o FILE", "draw");
  // Method names ignore case, as the component's do; the table's spelling
  // decides the kind of data read.
  const auto known =
      std::find_if(std::begin(kDrawMethods), std::end(kDrawMethods),
                   [&](std::string_view name) { return EqualsIgnoreAsciiCase(name, argv[2]); });
  if (known == std::end(kDrawMethods)) return Fail(UnknownMethod(argv[2]));
  const std::string method(*known);
  const std::string dataPath = argv[3];
  DrawOptions o;
  std::string error;
  if (!ParseDrawOptions(std::vector<std::string>(argv, argv + argc), 4, o, error)) {
    return OptionError(error, "draw");
  }
  const std::string& output = o.output;
  if (output.empty()) return Usage("draw needs -o FILE", "draw");
  // The modern themes draw through the smooth surface too, as PDF does.
  const bool modern = !o.theme.empty() && !tessaloom::EqualsIgnoreAsciiCase(o.theme, "classic");
  const bool smoothSurface =
      o.smooth || modern ||
      tessaloom::EqualsIgnoreAsciiCase(OutputFormat(o, StreamOf(output) != kFile), "pdf");
#ifdef TESSALOOM_FRONT_TOOL
  if (smoothSurface) return HandOver(argv);
#else
  // Only the smooth surface starts Pango, which reads the process's default
  // configuration; a classic chart would pay for it (1.5 ms) for nothing.
  if (smoothSurface) UseChartFacesForProcess();
#endif
  std::string text;
  if (!ReadData(dataPath, text, error)) return Fail(error);
  // A file saved as UTF-16 (with its byte-order mark) is read as well; one
  // in a legacy code page is refused rather than guessed at.
  text = DecodeTextFile(text);
  if (const std::size_t good = WellFormedUtf8Length(text); good < text.size()) {
    const auto before =
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(good), '\n');
    return Fail(dataPath + ": line " + std::to_string(before + 1) +
                ": the text is not UTF-8 (save it as UTF-8)");
  }
#ifdef TESSALOOM_FRONT_TOOL
  if (NeedsFullTool(o, text)) {
    return dataPath == "-" ? HandOverWithInput(argv, text) : HandOver(argv);
  }
#endif
  std::vector<CsvRow> rows;
  if (!ParseCsv(text, rows, error)) return Fail(dataPath + ": " + error);
  const bool series = IsSeriesMethod(method);
  if (o.header && !series && !rows.empty()) rows.erase(rows.begin());
  if (rows.size() < (series ? 2u : 1u)) return Fail(dataPath + ": no data rows");
  WarnAboutDroppedRows(rows, series, o.transpose);
  for (const std::string& c : o.colors) WarnAboutColor(c);
  if (!o.backColor.empty()) WarnAboutColor(o.backColor);

  LateBound g;
  if (!g.Ok()) return Fail("cannot create the component");
  ApplyOptions(g, o);
  if (!FeedData(g, rows, series, error, o.transpose)) {
    // Words in the first row are most often a header the options did not name.
    if (!series && !o.header && error.starts_with("line " + std::to_string(rows[0].line) + ":")) {
      error += "; if the first row names the columns, add --header";
    }
    return Fail(dataPath + ": " + error);
  }
  const int stream = StreamOf(output);
  if (!ApplyOutput(g, o, stream != kFile, error)) return Fail(error);
  const tessaloom::HRESULT hr = g.Call(method);
  const std::string reason = g.ErrorReason();
  if (tessaloom::FAILED(hr) || hr == tessaloom::S_FALSE || !reason.empty()) {
    // LastError says as much and may name the path concerned too.
    const std::string detailed = g.GetText("LastError");
    return Fail(!detailed.empty() ? detailed : reason.empty() ? "drawing failed" : reason);
  }
  if (stream != kFile && !WriteImageData(g, stream, output, error)) {
    return Fail("cannot write the image to " + (output == "-" ? "standard output" : output) + ": " +
                error);
  }
  if (stream == kFile) WarnAboutWrittenName(g, output);
  if (o.alt) std::fprintf(stream != kFile ? stderr : stdout, "%s\n", g.GetText("AltText").c_str());
  return 0;
}

}  // namespace tessaloom::cli

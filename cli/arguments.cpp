#include "cli/arguments.h"

#include <cstdio>

namespace tessaloom::cli {
namespace {

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
     "      [--smooth] [--scale N] [--transpose] [--theme classic|modern|dark]\n"
     "      [--show-values] [--value-min N] [--value-max N] [--value-format CODE]\n"
     "      [--legend auto|right|top|bottom|none] [--transparent]\n"
     "      METHOD is a Draw method, e.g. DrawBarGraph or DrawPieSeriesGraph (any\n"
     "      case). DATA.csv is UTF-8, or UTF-16 with its byte-order mark.\n"
     "      Single-set methods read rows of label,value (--header: the first row names\n"
     "      the columns). Series methods read a header row whose first cell is ignored\n"
     "      and whose other cells name the items, then rows of series title followed by\n"
     "      one value per item: the series stand along the category axis and the items\n"
     "      are the legend's entries. --transpose reads a series CSV the other way\n"
     "      round: the header names the series (the categories), each row an item (a\n"
     "      line or colour of the legend) and its values. DATA.csv - reads standard\n"
     "      input. At most 256 points, items and series are drawn. Options take\n"
     "      --name value or --name=value.\n"
     "      FILE ending in .png, .jpg (.jpeg), .bmp, .svg or .pdf gives that format,\n"
     "      anything else a BMP; --format bmp|jpeg|png|svg|pdf overrides it. --smooth\n"
     "      draws anti-aliased shapes and shaped text on the classic layout; --scale N\n"
     "      (1-4) makes the image N times as wide and high. -o - writes the image to\n"
     "      standard output; a FILE that is a device, FIFO or socket (/dev/stdout) is\n"
     "      written into, never replaced by a file; both give PNG unless --format or\n"
     "      the name says otherwise. A link at FILE is replaced, not written through.\n"
     "      --quality N (1-100) sets the JPEG quality; --alt prints a description of\n"
     "      the chart (to standard error when written to a stream). Colours are\n"
     "      #RRGGBB or one of the 24 names (red, skyblue, ...). --theme, --show-values,\n"
     "      --value-min, --value-max (the value axis's ends), --value-format (a number\n"
     "      format code such as #,##0.0; not --format, the image's), --legend and\n"
     "      --transparent set the chart options of those names (README, members).\n"},
    {"convert",
     "  tessaloom convert FILE.bmp|FILE.jpg\n"
     "      writes FILE.jpg from a BMP, or FILE.bmp from a JPEG\n"},
    {"register",
     "  tessaloom register [LIBRARY]\n"
     "  tessaloom unregister [LIBRARY]\n"
     "      runs the server's DllRegisterServer or DllUnregisterServer on the registry\n"
     "      file ($TESSALOOM_REGISTRY, else /etc/tessaloom/registry.reg); LIBRARY\n"
     "      defaults to the libtessaloom.so this tool uses\n"},
    {"serve",
     "  tessaloom serve [--port N] [--workers N] [--bind ADDR] [--document-root DIR]\n"
     "      serves charts over HTTP (GET /chart?... and POST /chart with a JSON body)\n"
     "      on ADDR (default 127.0.0.1) port N (default 8000; 0 picks a free one), and\n"
     "      prints where it listens. Runs python3 -m tessaloom.serve: under gunicorn\n"
     "      with N worker processes (default one per core) when it is installed, else\n"
     "      under the standard library's server, which is for development only.\n"
     "      --document-root DIR is where URL paths lead for the hosting restrictions.\n"
     "      SIGTERM or Ctrl-C stops it.\n"},
};

}  // namespace

std::string Help(std::string_view command) {
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

int Usage(const std::string& message, std::string_view command) {
  std::fprintf(stderr, "tessaloom: %s\n%s", message.c_str(), Help(command).c_str());
  return kUsageError;
}

int OptionError(const std::string& message, std::string_view command) {
  const std::string name(command);
  std::fprintf(stderr, "tessaloom: %s\n'tessaloom %s --help' lists the options\n", message.c_str(),
               name.c_str());
  return kUsageError;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tessaloom: %s\n", message.c_str());
  return kFailed;
}

void Warn(const std::string& message) {
  std::fprintf(stderr, "tessaloom: warning: %s\n", message.c_str());
}

}  // namespace tessaloom::cli

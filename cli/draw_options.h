// The options of `tessaloom draw`: parsed from the arguments after the method
// and the data file, as "--name value" or "--name=value". Parsing never
// throws; a bad option or value gives a message that names it.
#pragma once

#include <string>
#include <vector>

namespace tessaloom::cli {

struct DrawOptions {
  std::string output;  // -o FILE; "-" for standard output
  std::string
      format;  // --format F: "", "bmp", "jpeg", "png", "svg", "pdf" (the component checks it)
  std::string title, xLabel, yLabel, seriesLabel, backColor;
  std::vector<std::string> colors;
  int width = 0, height = 0;  // 0: the component's default
  int quality = 0;            // --quality N; 0: the component's default
  int scale = 0;              // --scale N; 0: the component's default
  bool grid = false, horizontal = false;
  bool alt = false;     // --alt: print AltText
  bool header = false;  // --header: the data's first row names the columns
  bool smooth = false;  // --smooth: RenderStyle "smooth"
  // --transpose: a series CSV's header names the series, each row an item
  bool transpose = false;
};

// Parses args[first ..]; false with `error` on an unknown option, a missing
// value or a size or quality that is not a positive whole number (the
// component bounds them itself).
bool ParseDrawOptions(const std::vector<std::string>& args, std::size_t first, DrawOptions& options,
                      std::string& error);

}  // namespace tessaloom::cli

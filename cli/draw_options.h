// The options of `tessaloom draw`: parsed from the arguments after the method
// and the data file, as "--name value" or "--name=value". Parsing never
// throws; a bad option or value gives a message that names it.
#pragma once

#include <span>
#include <string>
#include <string_view>
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
  // The chart options, handed to the component as text (it checks them):
  // --theme, --value-format, --legend, --value-min and --value-max ("" leaves
  // the component's default); --show-values and --transparent switch on.
  std::string theme, valueFormat, legend, valueMin, valueMax;
  bool showValues = false, transparent = false;
};

// The Draw methods, single-set ones first.
inline constexpr std::string_view kDrawMethods[] = {"DrawBarGraph",
                                                    "Draw3DBarGraph",
                                                    "DrawStackedBarGraph",
                                                    "Draw3DStackedBarGraph",
                                                    "DrawLineGraph",
                                                    "Draw3DLineGraph",
                                                    "DrawPieGraph",
                                                    "Draw3DPieGraph",
                                                    "DrawBoxWhiskerGraph",
                                                    "DrawBarSeriesGraph",
                                                    "Draw3DBarSeriesGraph",
                                                    "DrawStackedBarSeriesGraph",
                                                    "Draw3DStackedBarSeriesGraph",
                                                    "DrawLineSeriesGraph",
                                                    "Draw3DLineSeriesGraph",
                                                    "DrawPieSeriesGraph",
                                                    "Draw3DPieSeriesGraph",
                                                    "DrawBoxWhiskerSeriesGraph"};

// The name of `names` nearest to `word` by edit distance, ignoring ASCII
// case, when it is near enough to be a slip (at most a third of the word's
// length, and at least 2, edits away); empty otherwise.
std::string_view ClosestName(std::string_view word, std::span<const std::string_view> names);

// `word` with " (did you mean X?)" when ClosestName finds one.
std::string WithSuggestion(std::string word, std::span<const std::string_view> names);

// Parses args[first ..]; false with `error` on an unknown option (with the
// nearest one suggested), a missing value or a size or quality that is not
// a positive whole number (the component bounds them itself).
bool ParseDrawOptions(const std::vector<std::string>& args, std::size_t first, DrawOptions& options,
                      std::string& error);

}  // namespace tessaloom::cli

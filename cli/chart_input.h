// What a chart is drawn from, put into a GraphGenerator: the draw options'
// titles, sizes and colours, and the rows of a CSV file. The draw command
// and the gallery share it.
#pragma once

#include <string>
#include <vector>

#include "cli/csv.h"
#include "cli/draw_options.h"
#include "cli/late_bound.h"

namespace tessaloom::cli {

// True for the Draw methods that draw a table of series.
bool IsSeriesMethod(const std::string& method);

// Puts the titles, sizes, colours, grid and orientation the options name.
void ApplyOptions(LateBound& g, const DrawOptions& o);

// Feeds the CSV rows (label,value rows; or for series, a header row naming
// the items, then a title and one value per item; `transposed`: a header row
// naming the series, then an item's name and one value per series); false
// with a message naming the line on bad data.
bool FeedData(LateBound& g, const std::vector<CsvRow>& rows, bool series, std::string& error,
              bool transposed = false);

}  // namespace tessaloom::cli

// The five-number summary a box-whisker chart draws for each series, shared
// by the classic and the modern drawers so that both show the same values.
#pragma once

#include <cstdint>

#include "chart/graph_data.h"

namespace tessaloom {

struct FiveNumbers {
  std::int32_t minimum = 0;
  std::int32_t lowerQuartile = 0;
  std::int32_t median = 0;
  std::int32_t upperQuartile = 0;
  std::int32_t maximum = 0;
};

// Whole-number statistics of a series, its values truncated toward zero
// (negative ones included: the axis covers them). A single value is all
// five numbers; with more, each quartile is the middle of a half of the
// sorted values, and an odd count leaves the median out of both halves. An
// empty series gives zeros. May throw std::bad_alloc.
FiveNumbers Summarize(const CGraphSeries& series);

}  // namespace tessaloom

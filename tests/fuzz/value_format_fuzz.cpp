// Number format codes on arbitrary bytes: the last 16 bytes, when there are
// that many, are two doubles the code writes and the ticks of their range.
#include <cmath>
#include <cstring>

#include "chart/value_format.h"
#include "chart/value_ticks.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  double values[2] = {1234.5, -0.25};
  if (size >= sizeof values) {
    size -= sizeof values;
    std::memcpy(values, data + size, sizeof values);
  }
  const std::string_view code = fuzz::AsText(data, size);
  ValueFormat format;
  std::string error;
  FUZZ_CHECK(format.Parse("0.00", error));
  const std::string before = format.Format(1.5);
  const bool read = format.Parse(code, error);
  FUZZ_CHECK(read == error.empty());
  if (!read) {
    // A refused code leaves the format as it was.
    FUZZ_CHECK(format.Format(1.5) == before);
    return 0;
  }
  // Every text is UTF-8 of bounded length: the code's literals, a sign, at
  // most 309 integer digits (1.8e308) with their separators, 15 decimals.
  const std::size_t most = 2 * code.size() + 500;
  for (const double v : values) {
    const std::string text = format.Format(v);
    FUZZ_CHECK(WellFormedUtf8Length(text) == text.size() && text.size() <= most);
    if (std::isnan(v)) FUZZ_CHECK(text == "NaN");
  }
  ValueRange range;
  range.dataMin = values[0];
  range.dataMax = values[1];
  const ValueTicks ticks = NiceValueTicks(range);
  FUZZ_CHECK(ticks.count >= 2 && ticks.count <= kMaxValueTicks);
  for (std::int32_t i = 0; i < ticks.count; ++i) {
    const std::string text = format.FormatTick(ticks, i);
    FUZZ_CHECK(WellFormedUtf8Length(text) == text.size() && text.size() <= most);
  }
  return 0;
}

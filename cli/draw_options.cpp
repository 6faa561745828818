#include "cli/draw_options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <utility>

#include "platform/text.h"

namespace tessaloom::cli {
namespace {

bool ParseSize(std::string_view name, std::string_view text, int& out, std::string& error) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) {
    error = std::string(name) + ": \"" + std::string(text) + "\" is not a positive whole number";
    return false;
  }
  out = value;
  return true;
}

std::vector<std::string> SplitList(std::string_view list) {
  std::vector<std::string> items;
  for (std::size_t start = 0;;) {
    const std::size_t comma = list.find(',', start);
    items.emplace_back(list.substr(start, comma - start));
    if (comma == std::string_view::npos) return items;
    start = comma + 1;
  }
}

// Switches take no value; the other options take one.
struct Switch {
  std::string_view name;
  bool DrawOptions::*member;
};
constexpr Switch kSwitches[] = {{"--grid", &DrawOptions::grid},
                                {"--horizontal", &DrawOptions::horizontal},
                                {"--alt", &DrawOptions::alt},
                                {"--header", &DrawOptions::header},
                                {"--smooth", &DrawOptions::smooth},
                                {"--transpose", &DrawOptions::transpose},
                                {"--show-values", &DrawOptions::showValues},
                                {"--transparent", &DrawOptions::transparent}};
constexpr std::string_view kValueOptions[] = {
    "-o",       "--title",        "--x-label", "--y-label",   "--series-label", "--back-color",
    "--colors", "--width",        "--height",  "--format",    "--quality",      "--scale",
    "--theme",  "--value-format", "--legend",  "--value-min", "--value-max"};

// Levenshtein distance over ASCII-lowered bytes, one row at a time.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t substitute = diagonal + (LowerAscii(a[i - 1]) != LowerAscii(b[j - 1]));
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitute});
    }
  }
  return row[b.size()];
}

}  // namespace

std::string_view ClosestName(std::string_view word, std::span<const std::string_view> names) {
  // Words past this length are no slip of the keyboard (and stay cheap).
  constexpr std::size_t kLongestWord = 64;
  if (word.size() > kLongestWord) return {};
  const std::size_t allowed = std::max<std::size_t>(2, word.size() / 3);
  std::string_view best;
  std::size_t bestDistance = allowed + 1;
  for (const std::string_view name : names) {
    const std::size_t distance = EditDistance(word, name);
    if (distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best;
}

std::string WithSuggestion(std::string word, std::span<const std::string_view> names) {
  const std::string_view closest = ClosestName(word, names);
  if (!closest.empty()) word.append(" (did you mean ").append(closest).append("?)");
  return word;
}

bool ParseDrawOptions(const std::vector<std::string>& args, std::size_t first, DrawOptions& options,
                      std::string& error) {
  for (std::size_t i = first; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::string_view value;
    bool hasValue = false;
    if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != name.npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasValue = true;
    }
    const auto found = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                    [&](const Switch& entry) { return entry.name == name; });
    if (found != std::end(kSwitches)) {
      if (hasValue) {
        error = std::string(name) + " takes no value";
        return false;
      }
      options.*(found->member) = true;
      continue;
    }
    if (std::find(std::begin(kValueOptions), std::end(kValueOptions), name) ==
        std::end(kValueOptions)) {
      std::vector<std::string_view> known(std::begin(kValueOptions), std::end(kValueOptions));
      for (const Switch& entry : kSwitches) known.push_back(entry.name);
      error = "unknown option " + WithSuggestion(std::string(name), known);
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = std::string(name) + " needs a value";
        return false;
      }
      value = args[i + 1];
    }
    if (name == "-o") {
      options.output = value;
    } else if (name == "--title") {
      options.title = value;
    } else if (name == "--x-label") {
      options.xLabel = value;
    } else if (name == "--y-label") {
      options.yLabel = value;
    } else if (name == "--series-label") {
      options.seriesLabel = value;
    } else if (name == "--back-color") {
      options.backColor = value;
    } else if (name == "--colors") {
      options.colors = SplitList(value);
    } else if (name == "--width") {
      if (!ParseSize(name, value, options.width, error)) return false;
    } else if (name == "--height") {
      if (!ParseSize(name, value, options.height, error)) return false;
    } else if (name == "--scale") {
      if (!ParseSize(name, value, options.scale, error)) return false;
    } else if (name == "--quality") {
      if (!ParseSize(name, value, options.quality, error)) return false;
    } else if (name == "--format") {
      options.format = value;
    } else if (name == "--theme") {
      options.theme = value;
    } else if (name == "--value-format") {
      options.valueFormat = value;
    } else if (name == "--legend") {
      options.legend = value;
    } else if (name == "--value-min") {
      options.valueMin = value;
    } else if (name == "--value-max") {
      options.valueMax = value;
    }
    if (!hasValue) ++i;
  }
  return true;
}

}  // namespace tessaloom::cli

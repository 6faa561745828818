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
// Options whose value is kept as written, and those that take a whole
// number from 1; --colors takes a comma list.
struct TextOption {
  std::string_view name;
  std::string DrawOptions::*member;
};
constexpr TextOption kTextOptions[] = {{"-o", &DrawOptions::output},
                                       {"--title", &DrawOptions::title},
                                       {"--x-label", &DrawOptions::xLabel},
                                       {"--y-label", &DrawOptions::yLabel},
                                       {"--series-label", &DrawOptions::seriesLabel},
                                       {"--back-color", &DrawOptions::backColor},
                                       {"--format", &DrawOptions::format},
                                       {"--theme", &DrawOptions::theme},
                                       {"--value-format", &DrawOptions::valueFormat},
                                       {"--legend", &DrawOptions::legend},
                                       {"--value-min", &DrawOptions::valueMin},
                                       {"--value-max", &DrawOptions::valueMax}};
struct SizeOption {
  std::string_view name;
  int DrawOptions::*member;
};
constexpr SizeOption kSizeOptions[] = {{"--width", &DrawOptions::width},
                                       {"--height", &DrawOptions::height},
                                       {"--scale", &DrawOptions::scale},
                                       {"--quality", &DrawOptions::quality}};
constexpr std::string_view kColorsOption = "--colors";

template <class Entry, std::size_t N>
const Entry* Find(const Entry (&table)[N], std::string_view name) {
  const auto found = std::find_if(std::begin(table), std::end(table),
                                  [&](const Entry& entry) { return entry.name == name; });
  return found != std::end(table) ? found : nullptr;
}

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
    if (const Switch* found = Find(kSwitches, name); found != nullptr) {
      if (hasValue) {
        error = std::string(name) + " takes no value";
        return false;
      }
      options.*(found->member) = true;
      continue;
    }
    const TextOption* text = Find(kTextOptions, name);
    const SizeOption* size = Find(kSizeOptions, name);
    if (text == nullptr && size == nullptr && name != kColorsOption) {
      std::vector<std::string_view> known{kColorsOption};
      for (const TextOption& entry : kTextOptions) known.push_back(entry.name);
      for (const SizeOption& entry : kSizeOptions) known.push_back(entry.name);
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
    if (text != nullptr) {
      options.*(text->member) = value;
    } else if (size != nullptr) {
      if (!ParseSize(name, value, options.*(size->member), error)) return false;
    } else {
      options.colors = SplitList(value);
    }
    if (!hasValue) ++i;
  }
  return true;
}

}  // namespace tessaloom::cli

#include "cli/draw_options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <utility>

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

}  // namespace

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
    // Switches take no value.
    const std::pair<std::string_view, bool*> switches[] = {
        {"--grid", &options.grid},     {"--horizontal", &options.horizontal},
        {"--alt", &options.alt},       {"--header", &options.header},
        {"--smooth", &options.smooth}, {"--transpose", &options.transpose}};
    const auto found = std::find_if(std::begin(switches), std::end(switches),
                                    [&](const auto& entry) { return entry.first == name; });
    if (found != std::end(switches)) {
      if (hasValue) {
        error = std::string(name) + " takes no value";
        return false;
      }
      *found->second = true;
      continue;
    }
    constexpr std::string_view kTakesValue[] = {
        "-o",       "--title", "--x-label", "--y-label", "--series-label", "--back-color",
        "--colors", "--width", "--height",  "--format",  "--quality",      "--scale"};
    if (std::find(std::begin(kTakesValue), std::end(kTakesValue), name) == std::end(kTakesValue)) {
      error = "unknown option " + std::string(name);
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
    }
    if (!hasValue) ++i;
  }
  return true;
}

}  // namespace tessaloom::cli

#include "tessaloom/request_context.h"

#include <cstdlib>
#include <utility>
#include <vector>

namespace tessaloom {
namespace {

thread_local bool tRequestSet = false;
thread_local std::optional<std::string> tPage;

// An environment variable's value; nullopt when it is unset or empty.
std::optional<std::string> Variable(const char* name) {
  // getenv is safe here: the environment is only read, never set, by us.
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] == '\0') return std::nullopt;
  return std::string(value);
}

}  // namespace

RequestScope::RequestScope(std::optional<std::string> pathTranslated)
    : previousSet_(std::exchange(tRequestSet, true)),
      previous_(std::exchange(tPage, std::move(pathTranslated))) {}

RequestScope::~RequestScope() {
  tRequestSet = previousSet_;
  tPage = std::move(previous_);
}

std::optional<std::string> CurrentPathTranslated() {
  std::optional<std::string> page;
  if (tRequestSet) {
    page = tPage;
  } else {
    // Under CGI, PATH_TRANSLATED is the translation of the client's
    // PATH_INFO, so it names the script only where SCRIPT_FILENAME is missing.
    page = Variable("SCRIPT_FILENAME");
    if (!page) page = Variable("PATH_TRANSLATED");
  }
  if (page) *page = NormalizePagePath(*page);
  return page;
}

std::string NormalizePagePath(std::string_view path) {
  if (path.empty()) return {};
  const bool absolute = path.front() == '/';
  std::vector<std::string_view> steps;
  std::size_t kept = 0;  // leading ".." steps of a relative path
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view step = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (step.empty() || step == ".") continue;
    if (step != "..") {
      steps.push_back(step);
    } else if (steps.size() > kept) {
      steps.pop_back();
    } else if (!absolute) {
      steps.push_back(step);
      ++kept;
    }
  }
  if (steps.empty()) return std::string(absolute ? "/" : ".");
  std::string out;
  for (std::string_view step : steps) {
    if (absolute || !out.empty()) out.push_back('/');
    out.append(step);
  }
  return out;
}

}  // namespace tessaloom

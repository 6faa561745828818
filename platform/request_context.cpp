#include "platform/request_context.h"

#include <cstdlib>
#include <utility>

namespace tessaloom {
namespace {

thread_local std::optional<std::string> t_current_request;

}  // namespace

RequestScope::RequestScope(std::string pathTranslated)
    : previous_(std::exchange(t_current_request, std::move(pathTranslated))) {}

RequestScope::~RequestScope() { t_current_request = std::move(previous_); }

std::optional<std::string> CurrentPathTranslated() {
  if (t_current_request) return t_current_request;
  // getenv is safe here: the environment is only read, never set, by us.
  if (const char* cgi = std::getenv("PATH_TRANSLATED")) return std::string(cgi);
  return std::nullopt;
}

}  // namespace tessaloom

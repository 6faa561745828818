// The page being served, as the hosting integration tells the component:
// a per-thread current request. A host sets it for the duration of a
// request with RequestScope (the Python binding offers the same); where no
// host has set one, the CGI variable PATH_TRANSLATED of the process
// environment serves.
#pragma once

#include <optional>
#include <string>

namespace tessaloom {

// Makes `pathTranslated` the calling thread's current request until the
// scope ends, then restores the previous one (scopes nest).
class RequestScope {
 public:
  explicit RequestScope(std::string pathTranslated);
  RequestScope(const RequestScope&) = delete;
  RequestScope& operator=(const RequestScope&) = delete;
  ~RequestScope();

 private:
  std::optional<std::string> previous_;
};

// The physical path of the page being served on this thread: the current
// request's, else the environment's PATH_TRANSLATED; nullopt with neither.
std::optional<std::string> CurrentPathTranslated();

}  // namespace tessaloom

// The page being served, as the hosting integration tells the component:
// a per-thread current request. A host sets it for the duration of a
// request with RequestScope (the Python binding sets one around each call,
// from the request of the calling task or greenlet); where no host has set
// one, the CGI variables of the process environment serve:
// SCRIPT_FILENAME (the script the server runs), else PATH_TRANSLATED. Page
// paths are normalised before anyone sees them, so "/www/a/../b/p.py" is a
// page of /www/b, whatever host named it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessaloom {

// Makes `pathTranslated` the calling thread's current request until the
// scope ends, then restores the previous one (scopes nest). nullopt makes it
// a request whose page is unknown (the host could not name it): no page is
// served, and the environment is not consulted either.
class RequestScope {
 public:
  explicit RequestScope(std::optional<std::string> pathTranslated);
  RequestScope(const RequestScope&) = delete;
  RequestScope& operator=(const RequestScope&) = delete;
  ~RequestScope();

 private:
  bool previousSet_;
  std::optional<std::string> previous_;
};

// The physical path of the page being served on this thread, normalised:
// the current request's, else the environment's SCRIPT_FILENAME, else its
// PATH_TRANSLATED (an empty variable counts as none); nullopt with none, or
// inside a request whose page is unknown.
std::optional<std::string> CurrentPathTranslated();

// `path` with "." steps, repeated and trailing '/' removed and each ".."
// taking back the step before it; ".." at the root stays there. A relative
// path stays relative (a leading ".." it cannot take back is kept; nothing
// left is "."); empty text stays empty. Only '/' separates: a backslash is
// part of a name.
std::string NormalizePagePath(std::string_view path);

}  // namespace tessaloom

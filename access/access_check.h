// The hosting administrator's access check that every Draw call runs before
// it draws: may the web site of the page being served use this component,
// this group of its methods, and this output folder? The settings are read
// afresh through a SettingsSources at every call, so a changed file takes
// effect at the next Draw call. The check reads and writes the component's
// own working fields (AccessFields) and keeps nothing else. One thread at a
// time per object, as for the object itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "access/settings_sources.h"

namespace tessaloom {

// The component's fields the check works on, by reference; they outlive
// the AccessCheck that uses them.
struct AccessFields {
  const std::string& componentName;  // "Tessaloom"
  std::string_view methodGroup;      // the Draw method's group
  const std::string& filePath;       // the chart model's output folder
  const std::string& fileName;       // the chart model's output file in it
  std::string& adminIniPath;         // Admin.ini's path, or why it was not found
  std::string& webSiteIniPath;       // WebSite.ini's path, or why it was not found
  std::int32_t& accessUnrestricted;  // non-zero: no restriction applies
  std::string& sitePath;             // the request's path, then the site's folder
  std::string& outputRoot;           // the site folder's real path the file must
                                     // stay in; empty: no such limit
  std::string& accessErrorText;      // the refusal's message; never cleared
};

// The settings in the registry and the INI files, as the check reads them.
inline constexpr std::string_view kAdminIni = "Admin.ini";
inline constexpr std::string_view kWebSiteIni = "WebSite.ini";
inline constexpr std::string_view kInvalidPathMessage = "Invalid path specified";

// The message refusing output to `path` outside the site's folder.
std::string OutputPathRefusal(std::string_view group, std::string_view component,
                              std::string_view path);

class AccessCheck {
 public:
  AccessCheck(SettingsSources& sources, AccessFields fields) noexcept
      : sources_(sources), fields_(fields) {}

  // Finds Admin.ini and WebSite.ini in the installation folder and sets
  // adminIniPath, webSiteIniPath and accessUnrestricted: unrestricted unless
  // both files are there. webSiteIniPath is left alone without Admin.ini.
  void LocateAccessSettings();

  // The check proper, after LocateAccessSettings. True to allow; false to
  // refuse, with the reason in accessErrorText. Allows when the restriction
  // is off (no settings, the component not installed or not applied to,
  // "EnableGatehold" 0 in its low 16 bits); otherwise the request's site, its
  // component list, its method groups and the output folder must all admit
  // the call (the output folder only when `writesFile`: an image kept in
  // memory goes to no folder). Clears outputRoot first. May throw std::bad_alloc.
  [[nodiscard]] bool CheckAccess();

  bool writesFile = true;

  // True when the output folder filePath lies in the site's folder sitePath,
  // and so does the folder the file filePath/fileName goes to (both compared
  // as real paths, symbolic links resolved, at a path boundary), and neither
  // path takes a parent step. Then outputRoot is the site folder's real path
  // (empty for a site line with an empty folder), which the writer checks
  // again on the folder it opens. Otherwise false with the reason in
  // accessErrorText, naming `methodGroup` and filePath, or filePath/fileName
  // when the file name leads out of the site.
  [[nodiscard]] bool CheckOutputPath(std::string_view methodGroup);

  // False, with kInvalidPathMessage in accessErrorText, when `path` holds a
  // parent step ("/.." or "\.." anywhere); true otherwise.
  [[nodiscard]] bool RejectParentPath(std::string_view path);

 private:
  SettingsSources& sources_;
  AccessFields fields_;
};

}  // namespace tessaloom

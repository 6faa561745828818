#include "access/access_check.h"

#include <charconv>
#include <limits>

#include "platform/file_system.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr std::string_view kContact =
    "Please contact your hosting administrator, as you are not allowed to use ";

std::string ComponentRefusal(std::string_view component) {
  std::string text(kContact);
  text += component;
  text += " component";
  return text;
}

std::string GroupRefusal(std::string_view group, std::string_view component) {
  std::string text(kContact);
  text += group;
  text += " method of ";
  text += component;
  text += " component";
  return text;
}

std::string NoRequestRefusal(std::string_view systemText, std::string_view component,
                             std::string_view group) {
  std::string text(systemText);
  text += "( Unable to proceed further as calling request object not found. Please free ";
  text += component;
  text += " component from Quillfen Gatehold to make ";
  text += group;
  text += " method successfull. )";
  return text;
}

bool HasParentStep(std::string_view path) noexcept {
  return path.find("/..") != std::string_view::npos || path.find("\\..") != std::string_view::npos;
}

// The unsigned decimal text of a DWORD read back as a signed 32-bit number
// would be: values of 2^31 and above saturate at 2147483647.
std::int32_t SaturatingInt32(std::string_view decimal) noexcept {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
  if (error == std::errc::result_out_of_range || value > kMax)
    return static_cast<std::int32_t>(kMax);
  return error == std::errc() ? static_cast<std::int32_t>(value) : 0;
}

}  // namespace

std::string OutputPathRefusal(std::string_view group, std::string_view component,
                              std::string_view path) {
  std::string text = GroupRefusal(group, component);
  text += " in ";
  text += path;
  text += " path";
  return text;
}

void AccessCheck::LocateAccessSettings() {
  const bool adminFound = sources_.FindSettingsFile(kAdminIni, fields_.adminIniPath);
  if (!adminFound) {
    fields_.accessUnrestricted = 1;
    return;
  }
  const bool webSiteFound = sources_.FindSettingsFile(kWebSiteIni, fields_.webSiteIniPath);
  fields_.accessUnrestricted = webSiteFound ? 0 : 1;
}

bool AccessCheck::CheckAccess() {
  const std::string& component = fields_.componentName;
  const std::string_view group = fields_.methodGroup;
  fields_.outputRoot.clear();
  if (fields_.accessUnrestricted != 0) return true;

  const std::string installed =
      sources_.ReadIniString(fields_.adminIniPath, "Settings", "Installed");
  if (!SettingsSources::IsInList(installed, component)) return true;

  std::string gatehold;
  const std::string gateholdKey = std::string(kLocalMachineRoot) + "\\" + std::string(kGateholdKey);
  if (!sources_.ReadRegistryDword(gateholdKey, "EnableGatehold", gatehold)) {
    fields_.accessErrorText = gatehold;
    return false;
  }
  if ((static_cast<std::uint32_t>(SaturatingInt32(gatehold)) & 0xFFFFu) == 0) return true;

  const std::string applied = sources_.ReadIniString(fields_.adminIniPath, "Settings", "Applied");
  if (!SettingsSources::IsInList(applied, component)) return true;

  if (!sources_.GetTranslatedPath(fields_.sitePath)) {
    fields_.accessErrorText = NoRequestRefusal(fields_.sitePath, component, group);
    return false;
  }

  const std::string entry =
      sources_.FindSiteEntry(fields_.webSiteIniPath, "Path", fields_.sitePath);
  const std::size_t equals = entry.find('=');
  if (equals == std::string::npos) {
    fields_.accessErrorText = ComponentRefusal(component);
    return false;
  }
  const std::string site = entry.substr(0, equals);
  fields_.sitePath = entry.substr(equals + 1);

  const std::string allowed = sources_.ReadIniString(fields_.webSiteIniPath, "Security", site);
  if (!SettingsSources::IsInList(allowed, component)) {
    fields_.accessErrorText = ComponentRefusal(component);
    return false;
  }

  const std::string methods = sources_.ReadIniString(fields_.webSiteIniPath, site, component);
  if (EqualsIgnoreAsciiCase(methods, "All") || SettingsSources::IsInList(methods, group)) {
    return !writesFile || CheckOutputPath(group);
  }
  fields_.accessErrorText = GroupRefusal(group, component);
  return false;
}

bool AccessCheck::CheckOutputPath(std::string_view methodGroup) {
  const std::string& output = fields_.filePath;
  const std::string& site = fields_.sitePath;
  if (site.size() <= output.size()) {
    if (!RejectParentPath(output)) return false;
  }
  // Where the file itself goes: the name may lead into subfolders, never up.
  const std::string file = output + "/" + fields_.fileName;
  // A site line with an empty folder admits every output folder.
  if (site.empty()) return RejectParentPath(file);
  // An output path shorter than the site's text gets the folder message
  // below, with or without a parent step; either way no parent step passes.
  std::string realSite;
  std::string real;
  if (HasParentStep(output) || !sources_.RealPath(site, realSite) ||
      !sources_.RealPath(output, real) || !FolderHolds(realSite, real)) {
    fields_.accessErrorText = OutputPathRefusal(methodGroup, fields_.componentName, output);
    return false;
  }
  if (!RejectParentPath(file)) return false;
  if (!sources_.RealPath(SplitFolderAndName(file).folder, real) || !FolderHolds(realSite, real)) {
    fields_.accessErrorText = OutputPathRefusal(methodGroup, fields_.componentName, file);
    return false;
  }
  fields_.outputRoot = std::move(realSite);
  return true;
}

bool AccessCheck::RejectParentPath(std::string_view path) {
  if (!HasParentStep(path)) return true;
  fields_.accessErrorText = kInvalidPathMessage;
  return false;
}

}  // namespace tessaloom

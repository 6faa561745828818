// The fontconfig configuration of just the faces charts draw with
// (draw/fontconfig.conf, copied to fontconfig.conf in the fonts folder
// beside the library), read with its caches: the one prepared in that
// folder's cache/ at build or install, then the system's. Reading it costs
// about a millisecond, against six or more for the system's configuration of
// every installed face. Header-only, so the full tool reads the same one
// (cli/process_fonts.cpp). Any thread.
#pragma once

#include <fontconfig/fontconfig.h>

#include <string>
#include <string_view>

namespace tessaloom {

inline constexpr char kChartFontconfigFile[] = "fontconfig.conf";
// The system's caches, which serve a folder whose faces changed since ours
// was prepared (a package upgrade).
inline constexpr char kSystemFontCache[] = "/var/cache/fontconfig";

// The configuration in `fontsFolder` (absolute, ending in '/'), or null when
// the folder is not absolute, the file is missing, unreadable or not a
// configuration, names caches of its own or no face that is installed. The
// caches are named here from the folder, never from the file, so that no
// cache is ever looked for relative to the current folder.
inline FcConfig* LoadChartFontconfig(std::string_view fontsFolder) noexcept {
  if (fontsFolder.empty() || fontsFolder.front() != '/' || fontsFolder.back() != '/' ||
      fontsFolder.find_first_of(std::string_view("<>&\0", 4)) != std::string_view::npos) {
    return nullptr;
  }
  FcConfig* config = nullptr;
  try {
    const std::string caches = std::string("<fontconfig><cachedir>")
                                   .append(fontsFolder)
                                   .append("cache</cachedir><cachedir>")
                                   .append(kSystemFontCache)
                                   .append("</cachedir></fontconfig>");
    const std::string file = std::string(fontsFolder).append(kChartFontconfigFile);
    config = FcConfigCreate();
    if (config == nullptr) return nullptr;
    bool usable =
        FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(caches.c_str()),
                                       FcFalse) &&
        FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcFalse);
    if (usable) {
      int count = 0;
      FcStrList* dirs = FcConfigGetCacheDirs(config);
      while (dirs != nullptr && FcStrListNext(dirs) != nullptr) ++count;
      if (dirs != nullptr) FcStrListDone(dirs);
      usable = count == 2 && FcConfigBuildFonts(config);
    }
    const FcFontSet* fonts = usable ? FcConfigGetFonts(config, FcSetSystem) : nullptr;
    if (fonts != nullptr && fonts->nfont > 0) return config;
  } catch (...) {  // no memory for the names
  }
  if (config != nullptr) FcConfigDestroy(config);
  return nullptr;
}

}  // namespace tessaloom

#include "access/access_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tessaloom {
namespace {

constexpr char kNonSeries[] = "Non Series Graphs";
constexpr char kSeries[] = "Series Graphs";
constexpr char kComponentRefused[] =
    "Please contact your hosting administrator, as you are not allowed to use Tessaloom "
    "component";
constexpr char kNonSeriesRefused[] =
    "Please contact your hosting administrator, as you are not allowed to use Non Series Graphs "
    "method of Tessaloom component";
constexpr char kMismatch[] = "The type you specified mismatch with registry value type";
constexpr char kNoRequest[] =
    "No data available( Unable to proceed further as calling request object not found. Please "
    "free Tessaloom component from Quillfen Gatehold to make Non Series Graphs method "
    "successfull. )";

std::string OutputRefused(const std::string& group, const std::string& path) {
  return "Please contact your hosting administrator, as you are not allowed to use " + group +
         " method of Tessaloom component in " + path + " path";
}

constexpr char kAdmin[] = "/opt/quillfen/Admin.ini";
constexpr char kWebSite[] = "/opt/quillfen/WebSite.ini";

// A host whose administrator restricts the component: site a may draw
// anything into its folder, site b only series charts.
struct Host {
  Host() {
    sources.SetInstallationPath("/opt/quillfen");
    sources.SetGatehold(1);
    sources.files[kAdmin] = "[Settings]\nInstalled=Tessaloom\nApplied=Tessaloom\n";
    sources.files[kWebSite] =
        "[Path]\n"
        "a=/srv/www/a\n"
        "b=/srv/www\n"
        "[Security]\n"
        "a=Tessaloom\n"
        "b=Other, Tessaloom\n"
        "[a]\n"
        "Tessaloom=All\n"
        "[b]\n"
        "Tessaloom=Series Graphs\n";
    sources.request = "/srv/www/a/page.py";
  }
  void SetSection(const std::string& section, const std::string& lines) {
    std::string& text = sources.files[kWebSite];
    text = "[" + section + "]\n" + lines + text;  // the first occurrence wins
  }
  // LocateAccessSettings then CheckAccess, as a Draw call runs them.
  bool Run() {
    AccessCheck check(sources, Fields());
    check.LocateAccessSettings();
    return check.CheckAccess();
  }
  AccessFields Fields() {
    return AccessFields{componentName,  methodGroup,        filePath, fileName,   adminIniPath,
                        webSiteIniPath, accessUnrestricted, sitePath, outputRoot, accessErrorText};
  }

  MemorySettingsSources sources;
  const std::string componentName = "Tessaloom";
  std::string methodGroup = kNonSeries;
  std::string filePath = "/srv/www/a/img";
  std::string fileName = "Graph.jpg";
  std::string outputRoot;
  std::string adminIniPath;
  std::string webSiteIniPath;
  std::int32_t accessUnrestricted = 0;
  std::string sitePath;
  std::string accessErrorText;
};

struct CheckCase {
  const char* what;
  std::function<void(Host&)> change;
  bool allowed;
  std::string message;  // accessErrorText after the check
};

void RunCases(const std::vector<CheckCase>& cases) {
  for (const CheckCase& c : cases) {
    Host host;
    c.change(host);
    EXPECT_EQ(host.Run(), c.allowed) << c.what;
    EXPECT_EQ(host.accessErrorText, c.message) << c.what;
  }
}

// Settings that would refuse every call if they were read.
void RefuseEverything(Host& h) {
  h.sources.files[kWebSite] = "";
  h.sources.request.reset();
  h.sources.registry.SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen", "EnableGatehold",
                               "1");
}

TEST(CheckAccessTest, MissingOrSwitchedOffSettingsAllowEverything) {
  RunCases({
      {"the settings as they are", [](Host&) {}, true, ""},
      {"no Admin.ini",
       [](Host& h) {
         RefuseEverything(h);
         h.sources.files.erase(kAdmin);
       },
       true, ""},
      {"no WebSite.ini",
       [](Host& h) {
         RefuseEverything(h);
         h.sources.files.erase(kWebSite);
       },
       true, ""},
      {"no registry values", [](Host& h) { h.sources.registry = RegistryDocument(); }, true, ""},
      {"registry unreadable", [](Host& h) { h.sources.registryError = EACCES; }, true, ""},
      {"empty InstallationPath",
       [](Host& h) {
         RefuseEverything(h);
         h.sources.SetInstallationPath("");
       },
       true, ""},
      {"not Installed",
       [](Host& h) {
         RefuseEverything(h);
         h.sources.files[kAdmin] = "[Settings]\nInstalled=Other\nApplied=Tessaloom\n";
       },
       true, ""},
      {"Installed empty",
       [](Host& h) {
         RefuseEverything(h);
         h.sources.files[kAdmin] = "[Settings]\nInstalled=\nApplied=Tessaloom\n";
       },
       true, ""},
      {"EnableGatehold 0, Applied not read",
       [](Host& h) {
         h.sources.request.reset();
         h.sources.SetGatehold(0);
       },
       true, ""},
      {"EnableGatehold 65536 is 0 in its low 16 bits",
       [](Host& h) {
         h.sources.request.reset();
         h.sources.SetGatehold(65536);
       },
       true, ""},
      {"Applied empty",
       [](Host& h) {
         h.sources.request.reset();
         h.sources.files[kAdmin] = "[Settings]\nInstalled=Tessaloom\nApplied=\n";
       },
       true, ""},
      {"not Applied",
       [](Host& h) {
         h.sources.request.reset();
         h.sources.files[kAdmin] = "[Settings]\nInstalled=Tessaloom\nApplied=Other\n";
       },
       true, ""},
  });
}

TEST(CheckAccessTest, TheSwitchIsReadAsASigned32BitNumber) {
  RunCases({
      {"EnableGatehold 1", [](Host& h) { h.sources.request.reset(); }, false, kNoRequest},
      {"EnableGatehold 2^31 saturates to 2147483647",
       [](Host& h) {
         h.sources.request.reset();
         h.sources.SetGatehold(0x80000000u);
       },
       false, kNoRequest},
      {"EnableGatehold 0xFFFF0000 saturates too",
       [](Host& h) {
         h.sources.request.reset();
         h.sources.SetGatehold(0xFFFF0000u);
       },
       false, kNoRequest},
      {"EnableGatehold as REG_SZ",
       [](Host& h) {
         h.sources.registry.SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen",
                                      "EnableGatehold", "0");
       },
       false, kMismatch},
      {"EnableGatehold missing",
       [](Host& h) {
         h.sources.registry.DeleteValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen",
                                        "EnableGatehold");
       },
       false, "No such file or directory"},
      {"Installed with blanks and in another case",
       [](Host& h) {
         h.sources.files[kAdmin] = "[Settings]\nInstalled= Other ,  tessaloom \nApplied=Other\n";
         h.sources.registry.DeleteValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen",
                                        "EnableGatehold");
       },
       false, "No such file or directory"},
  });
}

TEST(CheckAccessTest, TheRequestPicksTheSiteByTheFirstMatchingLine) {
  RunCases({
      {"no request", [](Host& h) { h.sources.request.reset(); }, false, kNoRequest},
      {"site a, first line", [](Host&) {}, true, ""},
      {"site b, second line",
       [](Host& h) {
         h.sources.request = "/srv/www/b/y.py";
         h.methodGroup = kSeries;
         h.filePath = "/srv/www/b/img";
       },
       true, ""},
      {"site b refuses single-set charts", [](Host& h) { h.sources.request = "/srv/www/b/y.py"; },
       false, kNonSeriesRefused},
      {"order of the lines decides",
       [](Host& h) { h.SetSection("Path", "b=/srv/www\na=/srv/www/a\n"); }, false,
       kNonSeriesRefused},
      {"no site for the request", [](Host& h) { h.sources.request = "/home/u/page.py"; }, false,
       kComponentRefused},
      {"empty request matches no folder", [](Host& h) { h.sources.request = ""; }, false,
       kComponentRefused},
      {"an empty folder line takes every other request",
       [](Host& h) {
         h.sources.request = "/home/u/page.py";
         h.filePath = "/tmp/anywhere";
         h.SetSection("Path", "a=/srv/www/a\nc=\n");
         h.SetSection("Security", "c=Tessaloom\n");
         h.SetSection("c", "Tessaloom=all\n");
       },
       true, ""},
      {"the empty folder line comes after site a",
       [](Host& h) {
         h.filePath = "/tmp/anywhere";
         h.SetSection("Path", "a=/srv/www/a\nc=\n");
       },
       false, OutputRefused(kNonSeries, "/tmp/anywhere")},
  });
}

TEST(CheckAccessTest, TheSiteMustListTheComponentAndTheMethodGroup) {
  RunCases({
      {"Security list with blanks and case",
       [](Host& h) { h.SetSection("Security", "a=  Other ,  TESSALOOM \t\n"); }, true, ""},
      {"Security list without the component",
       [](Host& h) { h.SetSection("Security", "a=Other, Tessaloom2\n"); }, false,
       kComponentRefused},
      {"Security list empty", [](Host& h) { h.SetSection("Security", "a=\n"); }, false,
       kComponentRefused},
      {"no Security line for the site", [](Host& h) { h.SetSection("Security", "b=Tessaloom\n"); },
       false, kComponentRefused},
      {"methods all", [](Host& h) { h.SetSection("a", "Tessaloom=all\n"); }, true, ""},
      {"methods ALL", [](Host& h) { h.SetSection("a", "tessaloom = ALL \n"); }, true, ""},
      {"methods ALL, series method",
       [](Host& h) {
         h.SetSection("a", "Tessaloom=ALL\n");
         h.methodGroup = kSeries;
       },
       true, ""},
      {"methods one group, the other asked",
       [](Host& h) { h.SetSection("a", "Tessaloom=Series Graphs\n"); }, false, kNonSeriesRefused},
      {"methods one group, that one asked",
       [](Host& h) { h.SetSection("a", "Tessaloom= non series graphs \n"); }, true, ""},
      {"methods both groups",
       [](Host& h) { h.SetSection("a", "Tessaloom=Series Graphs,Non Series Graphs\n"); }, true, ""},
      {"\"All\" only as the whole list",
       [](Host& h) { h.SetSection("a", "Tessaloom=All, Series Graphs\n"); }, false,
       kNonSeriesRefused},
      {"methods empty", [](Host& h) { h.SetSection("a", "Tessaloom=\n"); }, false,
       kNonSeriesRefused},
      {"no method line", [](Host& h) { h.SetSection("a", "Other=All\n"); }, false,
       kNonSeriesRefused},
      {"series group named in the message",
       [](Host& h) {
         h.SetSection("a", "Tessaloom=Non Series Graphs\n");
         h.methodGroup = kSeries;
       },
       false,
       "Please contact your hosting administrator, as you are not allowed to use Series Graphs "
       "method of Tessaloom component"},
  });
}

TEST(CheckAccessTest, TheOutputFolderMustLieInTheSitesFolder) {
  const auto output = [](const char* path) { return [path](Host& h) { h.filePath = path; }; };
  const auto named = [](const char* name) { return [name](Host& h) { h.fileName = name; }; };
  RunCases({
      {"a file name leading into a subfolder", named("sub/x.bmp"), true, ""},
      {"a file name climbing out", named("../x.bmp"), false, "Invalid path specified"},
      {"a file name climbing with '\\'", named("..\\z.bmp"), false, "Invalid path specified"},
      {"a folder below the site", output("/srv/www/a/img"), true, ""},
      {"the site folder itself", output("/srv/www/a"), true, ""},
      {"with a trailing separator", output("/srv/www/a/"), true, ""},
      {"another written form of a folder inside", output("/srv//www/a/./img"), true, ""},
      {"a parent step with '/'", output("/srv/www/a/../b"), false, "Invalid path specified"},
      {"a parent step with '\\'", output("/srv/www/a/..\\b"), false, "Invalid path specified"},
      {"a parent step that stays inside", output("/srv/www/a/img/../img2"), false,
       "Invalid path specified"},
      {"dots that are no step", output("/srv/www/a/img..x"), true, ""},
      {"three dots count as a step", output("/srv/www/a/..."), false, "Invalid path specified"},
      {"another site's folder", output("/srv/www/b/img"), false,
       OutputRefused(kNonSeries, "/srv/www/b/img")},
      {"a sibling with a longer name", output("/srv/www/ab/img"), false,
       OutputRefused(kNonSeries, "/srv/www/ab/img")},
      {"the folder in another case", output("/SRV/WWW/A/img"), false,
       OutputRefused(kNonSeries, "/SRV/WWW/A/img")},
      {"empty FilePath", output(""), false, OutputRefused(kNonSeries, "")},
      {"a shorter path", output("/srv"), false, OutputRefused(kNonSeries, "/srv")},
      {"a shorter path with a parent step", output("/x/.."), false,
       OutputRefused(kNonSeries, "/x/..")},
      {"a relative path", output("img"), false, OutputRefused(kNonSeries, "img")},
      {"a site folder written with a trailing separator",
       [](Host& h) {
         h.SetSection("Path", "a=/srv/www/a/\n");
         h.filePath = "/srv/www/a";
       },
       true, ""},
  });
}

TEST(CheckAccessTest, LocatesTheSettingsFilesAtEveryCall) {
  Host host;
  ASSERT_TRUE(host.Run());
  EXPECT_EQ(host.adminIniPath, kAdmin);
  EXPECT_EQ(host.webSiteIniPath, kWebSite);
  EXPECT_EQ(host.accessUnrestricted, 0);
  EXPECT_EQ(host.sitePath, "/srv/www/a");
  EXPECT_EQ(host.outputRoot, "/srv/www/a");

  host.sources.files.erase(kWebSite);
  ASSERT_TRUE(host.Run());
  EXPECT_EQ(host.webSiteIniPath, "No such file or directory");
  EXPECT_EQ(host.accessUnrestricted, 1);

  host.sources.files.erase(kAdmin);
  host.webSiteIniPath = "left alone";
  ASSERT_TRUE(host.Run());
  EXPECT_EQ(host.adminIniPath, "No such file or directory");
  EXPECT_EQ(host.webSiteIniPath, "left alone");
  EXPECT_EQ(host.accessUnrestricted, 1);
}

TEST(CheckAccessTest, ARefusalsMessageStaysAfterAnAllowedCall) {
  Host host;
  host.filePath = "/srv/www/b/img";
  EXPECT_FALSE(host.Run());
  host.filePath = "/srv/www/a/img";
  EXPECT_TRUE(host.Run());
  EXPECT_EQ(host.accessErrorText, OutputRefused(kNonSeries, "/srv/www/b/img"));
  host.sources.request.reset();
  EXPECT_FALSE(host.Run());
  EXPECT_EQ(host.sitePath, "No data available");
  EXPECT_EQ(host.accessErrorText, kNoRequest);
}

}  // namespace
}  // namespace tessaloom

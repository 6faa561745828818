#include "access/access_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace tessaloom {
namespace {

constexpr char kNonSeries[] = "Non Series Graphs";
constexpr char kSeries[] = "Series Graphs";
constexpr char kContact[] =
    "Please contact your hosting administrator, as you are not allowed to use ";
const std::string kComponentRefused = std::string(kContact) + "Tessaloom component";
const std::string kNonSeriesRefused =
    std::string(kContact) + "Non Series Graphs method of Tessaloom component";
constexpr char kMismatch[] = "The type you specified mismatch with registry value type";
constexpr char kNoRequest[] =
    "No data available( Unable to proceed further as calling request object not found. Please "
    "free Tessaloom component from Quillfen Gatehold to make Non Series Graphs method "
    "successfull. )";
constexpr char kInvalid[] = "Invalid path specified";
constexpr char kKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen";

std::string OutputRefused(const std::string& path) {
  return kNonSeriesRefused + " in " + path + " path";
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
        "[Path]\na=/srv/www/a\nb=/srv/www\n[Security]\na=Tessaloom\nb=Other, Tessaloom\n"
        "[a]\nTessaloom=All\n[b]\nTessaloom=Series Graphs\n";
    sources.request = "/srv/www/a/page.py";
  }
  // LocateAccessSettings then CheckAccess, as a Draw call runs them.
  bool Run() {
    AccessCheck check(sources, AccessFields{componentName, methodGroup, filePath, fileName,
                                            adminIniPath, webSiteIniPath, accessUnrestricted,
                                            sitePath, outputRoot, accessErrorText});
    check.LocateAccessSettings();
    return check.CheckAccess();
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

using Change = std::function<void(Host&)>;

template <typename... C>
Change All(C... changes) {
  return [=](Host& h) { (changes(h), ...); };
}
// Puts `lines` first in `section` of WebSite.ini (the first occurrence wins).
const auto Section = [](std::string s, std::string lines) -> Change {
  return [=](Host& h) {
    h.sources.files[kWebSite] = "[" + s + "]\n" + lines + h.sources.files[kWebSite];
  };
};
const auto Admin = [](std::string text) -> Change {
  return [=](Host& h) { h.sources.files[kAdmin] = "[Settings]\n" + text; };
};
const auto Gatehold = [](std::uint32_t v) -> Change {
  return [=](Host& h) { h.sources.SetGatehold(v); };
};
const auto Output = [](std::string path) -> Change { return [=](Host& h) { h.filePath = path; }; };
const auto Named = [](std::string name) -> Change { return [=](Host& h) { h.fileName = name; }; };
const auto Request = [](std::optional<std::string> page) -> Change {
  return [=](Host& h) { h.sources.request = page; };
};
const auto Group = [](std::string group) -> Change {
  return [=](Host& h) { h.methodGroup = group; };
};
const Change kNoPage = Request(std::nullopt);
// Settings that would refuse every call if they were read.
Change RefuseEverything(Change then) {
  return All(
      kNoPage,
      [](Host& h) {
        h.sources.files[kWebSite] = "";
        h.sources.registry.SetString(kKey, "EnableGatehold", "1");
      },
      then);
}

struct CheckCase {
  const char* what;
  Change change;
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

TEST(CheckAccessTest, MissingOrSwitchedOffSettingsAllowEverything) {
  RunCases({
      {"no Admin.ini", RefuseEverything([](Host& h) { h.sources.files.erase(kAdmin); }), true, ""},
      {"no WebSite.ini", RefuseEverything([](Host& h) { h.sources.files.erase(kWebSite); }), true,
       ""},
      {"no registry values", [](Host& h) { h.sources.registry = RegistryDocument(); }, true, ""},
      {"registry unreadable", [](Host& h) { h.sources.registryError = EACCES; }, true, ""},
      {"empty InstallationPath",
       RefuseEverything([](Host& h) { h.sources.SetInstallationPath(""); }), true, ""},
      {"not Installed", RefuseEverything(Admin("Installed=Other\nApplied=Tessaloom\n")), true, ""},
      {"EnableGatehold 0", All(kNoPage, Gatehold(0)), true, ""},
      {"EnableGatehold 65536 is 0 in its low 16 bits", All(kNoPage, Gatehold(65536)), true, ""},
      {"not Applied", All(kNoPage, Admin("Installed=Tessaloom\nApplied=Other\n")), true, ""},
  });
}

TEST(CheckAccessTest, TheSwitchIsReadAsASigned32BitNumber) {
  RunCases({
      {"EnableGatehold 1", kNoPage, false, kNoRequest},
      {"2^31 saturates to 2147483647", All(kNoPage, Gatehold(0x80000000u)), false, kNoRequest},
      {"0xFFFF0000 saturates too", All(kNoPage, Gatehold(0xFFFF0000u)), false, kNoRequest},
      {"as REG_SZ", [](Host& h) { h.sources.registry.SetString(kKey, "EnableGatehold", "0"); },
       false, kMismatch},
      {"Installed with blanks and in another case, EnableGatehold missing",
       All(Admin("Installed= Other ,  tessaloom \nApplied=Other\n"),
           [](Host& h) { h.sources.registry.DeleteValue(kKey, "EnableGatehold"); }),
       false, "No such file or directory"},
  });
}

TEST(CheckAccessTest, TheRequestPicksTheSiteByTheFirstMatchingLine) {
  const Change siteB = Request("/srv/www/b/y.py");
  const Change anySite =
      All(All(Request("/home/u/page.py"), Output("/tmp/anywhere")),
          All(Section("Path", "a=/srv/www/a\nc=\n"),
              All(Section("Security", "c=Tessaloom\n"), Section("c", "Tessaloom=all\n"))));
  RunCases({
      {"site b, second line", All(siteB, All(Group(kSeries), Output("/srv/www/b/img"))), true, ""},
      {"site b refuses single-set charts", siteB, false, kNonSeriesRefused},
      {"order of the lines decides", Section("Path", "b=/srv/www\na=/srv/www/a\n"), false,
       kNonSeriesRefused},
      {"no site for the request", Request("/home/u/page.py"), false, kComponentRefused},
      {"empty request matches no folder", Request(""), false, kComponentRefused},
      {"an empty folder line takes every other request", anySite, true, ""},
      {"but no parent step in the name", All(anySite, Named("../x.bmp")), false, kInvalid},
      {"the empty folder line comes after site a",
       All(Output("/tmp/anywhere"), Section("Path", "a=/srv/www/a\nc=\n")), false,
       OutputRefused("/tmp/anywhere")},
  });
}

TEST(CheckAccessTest, TheSiteMustListTheComponentAndTheMethodGroup) {
  RunCases({
      {"Security list with blanks and case", Section("Security", "a=  TESSALOOM \t, Other\n"), true,
       ""},
      {"Security list without the component", Section("Security", "a=Other, Tessaloom2\n"), false,
       kComponentRefused},
      {"no Security line for the site", Section("Security", "b=Tessaloom\n"), false,
       kComponentRefused},
      {"methods ALL", Section("a", "tessaloom = ALL \n"), true, ""},
      {"methods ALL, series method", All(Section("a", "Tessaloom=ALL\n"), Group(kSeries)), true,
       ""},
      {"methods one group, the other asked", Section("a", "Tessaloom=Series Graphs\n"), false,
       kNonSeriesRefused},
      {"methods both groups", Section("a", "Tessaloom= series graphs, Non Series Graphs \n"), true,
       ""},
      {"\"All\" only as the whole list", Section("a", "Tessaloom=All, Series Graphs\n"), false,
       kNonSeriesRefused},
      {"no method line", Section("a", "Other=All\n"), false, kNonSeriesRefused},
      {"series group named in the message",
       All(Section("a", "Tessaloom=Non Series Graphs\n"), Group(kSeries)), false,
       std::string(kContact) + "Series Graphs method of Tessaloom component"},
  });
}

TEST(CheckAccessTest, TheOutputFolderMustLieInTheSitesFolder) {
  RunCases({
      {"a file name leading into a subfolder", Named("sub/x.bmp"), true, ""},
      {"a file name climbing out", Named("../x.bmp"), false, kInvalid},
      {"the site folder itself", Output("/srv/www/a"), true, ""},
      {"another written form of a folder inside", Output("/srv//www/a/./img/"), true, ""},
      {"a parent step with '/'", Output("/srv/www/a/../b"), false, kInvalid},
      {"a parent step with '\\' only", Output("/srv/www/a/img\\..\\b"), false, kInvalid},
      {"a parent step that stays inside", Output("/srv/www/a/img/../img2"), false, kInvalid},
      {"dots that are no step", Output("/srv/www/a/img..x"), true, ""},
      {"three dots count as a step", Output("/srv/www/a/..."), false, kInvalid},
      {"another site's folder", Output("/srv/www/b/img"), false, OutputRefused("/srv/www/b/img")},
      {"a sibling with a longer name", Output("/srv/www/ab/img"), false,
       OutputRefused("/srv/www/ab/img")},
      {"the folder in another case", Output("/SRV/WWW/A/img"), false,
       OutputRefused("/SRV/WWW/A/img")},
      {"empty FilePath", Output(""), false, OutputRefused("")},
      {"a shorter path with a parent step", Output("/x/.."), false, OutputRefused("/x/..")},
      {"a parent step, as long as the site's folder", Output("/srv/ww/.."), false, kInvalid},
      {"a relative path", Output("img"), false, OutputRefused("img")},
      {"a site folder written with a trailing separator",
       All(Section("Path", "a=/srv/www/a/\n"), Output("/srv/www/a")), true, ""},
  });
}

TEST(CheckAccessTest, SettingsAreLocatedAtEveryCallAndARefusalsMessageStays) {
  Host host;
  ASSERT_TRUE(host.Run());
  EXPECT_EQ(host.outputRoot, "/srv/www/a");
  host.sources.files.erase(kWebSite);
  ASSERT_TRUE(host.Run());
  EXPECT_EQ(host.webSiteIniPath, "No such file or directory");
  EXPECT_EQ(host.accessUnrestricted, 1);

  Host refused;
  refused.filePath = "/srv/www/b/img";
  EXPECT_FALSE(refused.Run());
  refused.filePath = "/srv/www/a/img";
  EXPECT_TRUE(refused.Run());
  EXPECT_EQ(refused.accessErrorText, OutputRefused("/srv/www/b/img"));
  refused.sources.request.reset();
  EXPECT_FALSE(refused.Run());
  EXPECT_EQ(refused.sitePath, "No data available");
}

}  // namespace
}  // namespace tessaloom

#include "access/access_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/ini_file.h"
#include "tessaloom/request_context.h"

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

std::string OutputRefused(std::string path) { return kNonSeriesRefused + " in " + path + " path"; }

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
  std::string outputRoot, adminIniPath, webSiteIniPath, sitePath, accessErrorText;
  std::int32_t accessUnrestricted = 0;
};

using Change = std::function<void(Host&)>;

template <typename... C>
Change All(C... changes) {
  return [=](Host& h) { (changes(h), ...); };
}
// Puts `lines` first in `section` of WebSite.ini (the first occurrence wins).
const auto kSection = [](std::string s, std::string lines) -> Change {
  return [=](Host& h) { h.sources.files[kWebSite].insert(0, "[" + s + "]\n" + lines); };
};
const auto kAdminSettings = [](std::string text) -> Change {
  return [=](Host& h) { h.sources.files[kAdmin] = "[Settings]\n" + text; };
};
const auto kGatehold = [](unsigned v) { return [=](Host& h) { h.sources.SetGatehold(v); }; };
const auto kOutput = [](std::string path) -> Change { return [=](Host& h) { h.filePath = path; }; };
const auto kNamed = [](std::string name) -> Change { return [=](Host& h) { h.fileName = name; }; };
const auto kRequest = [](std::optional<std::string> page) -> Change {
  return [=](Host& h) { h.sources.request = page; };
};
const auto kGroup = [](std::string g) -> Change { return [=](Host& h) { h.methodGroup = g; }; };
const Change kNoPage = kRequest(std::nullopt);
// Settings that would refuse every call if they were read.
Change RefuseEverything(Change then) {
  return All(
      kNoPage, [](Host& h) { h.sources.files[kWebSite] = ""; },
      [](Host& h) { h.sources.registry.SetString(kKey, "EnableGatehold", "1"); }, then);
}

// Each case: what, the change, whether the call is allowed, accessErrorText.
void RunCases(const std::vector<std::tuple<const char*, Change, bool, std::string>>& cases) {
  for (const auto& [what, change, allowed, message] : cases) {
    Host host;
    change(host);
    EXPECT_EQ(host.Run(), allowed) << what;
    EXPECT_EQ(host.accessErrorText, message) << what;
  }
}

TEST(CheckAccessTest, MissingOrSwitchedOffSettingsAllowEverything) {
  RunCases({
      {"no Admin.ini", RefuseEverything([](Host& h) { h.sources.files.erase(kAdmin); }), true, ""},
      {"no sites", RefuseEverything([](Host& h) { h.sources.files.erase(kWebSite); }), true, ""},
      {"no registry values", [](Host& h) { h.sources.registry = RegistryDocument(); }, true, ""},
      {"registry unreadable", [](Host& h) { h.sources.registryError = EACCES; }, true, ""},
      {"no folder, not the root's files", RefuseEverything([](Host& h) {
         h.sources.files["/Admin.ini"] = h.sources.files[kAdmin];
         h.sources.files["/WebSite.ini"] = "";
         h.sources.SetInstallationPath("");
       }),
       true, ""},
      {"folder not REG_SZ", RefuseEverything([](Host& h) {
         h.sources.registry.SetValue(
             kKey, {"InstallationPath", RegistryValueKind::kExpandString, "/opt/quillfen", 0, {}});
       }),
       true, ""},
      {"not Installed", RefuseEverything(kAdminSettings("Installed=Other\nApplied=Tessaloom\n")),
       true, ""},
      {"EnableGatehold 0", All(kNoPage, kGatehold(0)), true, ""},
      {"65536: low 16 bits 0", All(kNoPage, kGatehold(65536)), true, ""},
      {"not Applied", All(kNoPage, kAdminSettings("Installed=Tessaloom\nApplied=Other\n")), true,
       ""},
  });
}

// Read as a signed 32-bit number: 2^31 and 0xFFFF0000 saturate to 2^31 - 1.
TEST(CheckAccessTest, TheSwitchIsReadAsASigned32BitNumber) {
  const Change noSwitch = [](Host& h) { h.sources.registry.DeleteValue(kKey, "EnableGatehold"); };
  const Change anyCase = [](Host& h) {
    const char key[] = "hkey_local_machine\\software\\ONDRELL\\quillfen";
    h.sources.registry = RegistryDocument();
    h.sources.registry.SetString(key, "installationpath", "/opt/quillfen/");  // one '/' added
    h.sources.registry.SetDword(key, "ENABLEGATEHOLD", 1);
  };
  RunCases({
      {"EnableGatehold 1", kNoPage, false, kNoRequest},
      {"names in any case", All(kNoPage, anyCase), false, kNoRequest},
      {"2^31", All(kNoPage, kGatehold(0x80000000u)), false, kNoRequest},
      {"0xFFFF0000", All(kNoPage, kGatehold(0xFFFF0000u)), false, kNoRequest},
      {"REG_SZ", [](Host& h) { h.sources.registry.SetString(kKey, "EnableGatehold", "0"); }, false,
       kMismatch},
      {"Installed, trimmed",
       All(kAdminSettings("Installed= Other ,  tessaloom \nApplied=Other\n"), noSwitch), false,
       "No such file or directory"},
  });
}

TEST(CheckAccessTest, TheRequestPicksTheSiteByTheFirstMatchingLine) {
  const Change siteB = kRequest("/srv/www/b/y.py");
  // An empty folder line takes every request no earlier line takes.
  const Change anySite = All(
      kRequest("/home/u/page.py"), kOutput("/tmp/anywhere"), kSection("Path", "a=/srv/www/a\nc=\n"),
      kSection("Security", "c=Tessaloom\n"), kSection("c", "Tessaloom=all\n"));
  RunCases({
      {"site b", All(siteB, kGroup(kSeries), kOutput("/srv/www/b/img")), true, ""},
      {"site b, single set", siteB, false, kNonSeriesRefused},
      {"order decides", kSection("Path", "b=/srv/www\na=/srv/www/a\n"), false, kNonSeriesRefused},
      {"a longer sibling", kRequest("/srv/www/ab/p.py"), false, kNonSeriesRefused},
      {"the folder itself", kRequest("/srv/www/a"), true, ""},
      {"blanks, no '='", kSection("Path", "/srv/www/a\n a =  /srv/www/a \n"), true, ""},
      {"folder below the page", kSection("Path", "a=/srv/www/a/img\n"), false, kComponentRefused},
      {"no site", kRequest("/home/u/page.py"), false, kComponentRefused},
      {"empty request", kRequest(""), false, kComponentRefused},
      {"empty folder line", anySite, true, ""},
      {"  but no parent step", All(anySite, kNamed("../x.bmp")), false, kInvalid},
      {"  after site a", All(kOutput("/tmp/anywhere"), kSection("Path", "a=/srv/www/a\nc=\n")),
       false, OutputRefused("/tmp/anywhere")},
  });
}

TEST(CheckAccessTest, TheSiteMustListTheComponentAndTheMethodGroup) {
  RunCases({
      {"blanks and case", kSection("Security", "a=  TESSALOOM \t, Other\n"), true, ""},
      {"not listed", kSection("Security", "a=Other, Tessaloom2\n"), false, kComponentRefused},
      {"no Security line", kSection("Security", "b=Tessaloom\n"), false, kComponentRefused},
      {"ALL", kSection("a", "tessaloom = ALL \n"), true, ""},
      {"ALL, series", All(kSection("a", "Tessaloom=ALL\n"), kGroup(kSeries)), true, ""},
      {"the other group", kSection("a", "Tessaloom=Series Graphs\n"), false, kNonSeriesRefused},
      {"both groups", kSection("a", "Tessaloom= series graphs, Non Series Graphs \n"), true, ""},
      {"All in a list", kSection("a", "Tessaloom=All, Series Graphs\n"), false, kNonSeriesRefused},
      {"no method line", kSection("a", "Other=All\n"), false, kNonSeriesRefused},
      {"series named", All(kSection("a", "Tessaloom=Non Series Graphs\n"), kGroup(kSeries)), false,
       std::string(kContact) + "Series Graphs method of Tessaloom component"},
  });
}

TEST(CheckAccessTest, TheOutputFolderMustLieInTheSitesFolder) {
  RunCases({
      {"into a subfolder", kNamed("sub/x.bmp"), true, ""},
      {"name climbing out", kNamed("../x.bmp"), false, kInvalid},
      {"the site folder", kOutput("/srv/www/a"), true, ""},
      {"another spelling", kOutput("/srv//www/a/./img/"), true, ""},
      {"parent step", kOutput("/srv/www/a/../b"), false, kInvalid},
      {"'\\' step only", kOutput("/srv/www/a/img\\..\\b"), false, kInvalid},
      {"step staying inside", kOutput("/srv/www/a/img/../img2"), false, kInvalid},
      {"no step", kOutput("/srv/www/a/img..x"), true, ""},
      {"three dots", kOutput("/srv/www/a/..."), false, kInvalid},
      {"another site", kOutput("/srv/www/b/img"), false, OutputRefused("/srv/www/b/img")},
      {"a longer sibling", kOutput("/srv/www/ab/img"), false, OutputRefused("/srv/www/ab/img")},
      {"another case", kOutput("/SRV/WWW/A/img"), false, OutputRefused("/SRV/WWW/A/img")},
      {"empty", kOutput(""), false, OutputRefused("")},
      {"shorter, with a step", kOutput("/x/.."), false, OutputRefused("/x/..")},
      {"as long, with a step", kOutput("/srv/ww/.."), false, kInvalid},
      {"relative", kOutput("img"), false, OutputRefused("img")},
      {"trailing /", All(kSection("Path", "a=/srv/www/a/\n"), kOutput("/srv/www/a")), true, ""},
  });
}

// A refusal's message outlives a later call that is allowed.
TEST(CheckAccessTest, SettingsAreLocatedAtEveryCallAndARefusalsMessageStays) {
  Host host;
  host.filePath = "/srv/www/b/img";
  EXPECT_FALSE(host.Run());
  host.sources.files.erase(kWebSite);  // no sites now: unrestricted
  EXPECT_TRUE(host.Run());
  EXPECT_EQ(host.accessErrorText, OutputRefused("/srv/www/b/img"));
}

TEST(NormalizePagePathTest, ResolvesStepsOnTheText) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"/", "/"},
      {"//srv//www/", "/srv/www"},
      {"/srv/./www/a/../b/p.py", "/srv/www/b/p.py"},
      {"/srv/www/allowed/../refused/p.py", "/srv/www/refused/p.py"},
      {"/../../etc", "/etc"},
      {"/a/b/../../..", "/"},
      {"a/../..", ".."},
      {"./", "."},
      {"../a/../../b", "../../b"},
      {"/a/..\\b", "/a/..\\b"}};
  for (const auto& [path, normal] : cases) EXPECT_EQ(NormalizePagePath(path), normal) << path;
}

TEST(FindProfileStringTest, FollowsTheProfileRules) {
  // What, the text, the key looked up in section S, its value.
  const std::tuple<const char*, std::string, const char*, std::optional<std::string>> cases[] = {
      {"value trimmed", "[S]\nInstalled =  Tessaloom, Other \t\n", "Installed", "Tessaloom, Other"},
      {"section and key in any case", "[s]\nINSTALLED=x\n", "Installed", "x"},
      {"text after the header", "[S] ; the switches\nk=x\n", "k", "x"},
      {"header without ]", "[S\nk=x\n", "k", "x"},
      {"first duplicate key", "[S]\nk=first\nK=second\n", "k", "first"},
      {"first duplicate section", "[S]\na=1\n[T]\n[s]\na=2\nb=3\n", "a", "1"},
      {"key only in a repeated section", "[S]\na=1\n[s]\nb=3\n", "b", std::nullopt},
      {"comment line", "[S]\n;k=commented\n  ; k=indented comment\nk=real\n", "k", "real"},
      {"';' inside a value kept", "[S]\nk=a ;b\n", "k", "a ;b"},
      {"line without =", "[S]\nk\n", "k", std::nullopt},
      {"indented line is a key", "[S]\na=1\n   k=2\n", "k", "2"},
      {"no continuation lines", "[S]\na=1\n  more\n", "a", "1"},
      {"no ':' separator", "[S]\nk:x\n", "k", std::nullopt},
      {"lines before a section", "k=x\n[S]\n", "k", std::nullopt},
      {"CRLF line ends", "[S]\r\nk=x\r\nm=y\r\n", "m", "y"},
      {"CR line ends", "[S]\rk=x\rm=y\r", "m", "y"},
      {"byte order mark", "\xEF\xBB\xBF[S]\nk=x\n", "k", "x"},
      {"next section ends the lookup", "[S]\n[T]\nk=x\n", "k", std::nullopt},
      {"long value's tail is no key", "[S]\nk=" + std::string(300, 'v') + "tail=1\n", "tail",
       std::nullopt},
  };
  for (const auto& [what, text, key, expected] : cases) {
    EXPECT_EQ(FindProfileString(text, "S", key), expected) << what;
  }
}

TEST(ProfileSectionLinesTest, GivesTheSectionsLinesInFileOrder) {
  const std::string text =
      "[Path]\nb = /srv/www/b\n; a comment\n\n  a=/srv/www/a  \nno equals here\na=/srv/www/again\n"
      "c=\n[Security]\nb=Tessaloom\n[path]\n"
      "late=/srv/late\n";
  const std::vector<std::string> expected = {"b=/srv/www/b", "a=/srv/www/a", "no equals here",
                                             "a=/srv/www/again", "c="};
  EXPECT_EQ(ProfileSectionLines(text, "PATH"), expected);
  EXPECT_TRUE(ProfileSectionLines(text, "Missing").empty());
  EXPECT_TRUE(ProfileSectionLines("[Path]\n; only a comment\n", "Path").empty());
}

}  // namespace
}  // namespace tessaloom

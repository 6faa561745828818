#include "access/settings_sources.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/access/access_test_support.h"
#include "tests/platform/registry_file_scope.h"

namespace tessaloom {
namespace {

using access_test::ScratchDir;
using testing::RegistryFileScope;

constexpr char kKeyPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen";
constexpr char kNoSuchFile[] = "No such file or directory";

TEST(IsInListTest, MatchesTrimmedEntriesIgnoringCase) {
  struct Case {
    const char* list;
    const char* item;
    bool expected;
  };
  const Case cases[] = {
      {"Tessaloom , Other", "tessaloom", true},
      {"Other,  TESSALOOM\t", "Tessaloom", true},
      {" Non Series Graphs ,Series Graphs", "non series graphs", true},
      {"Series Graphs", "Non Series Graphs", false},
      {"Tessaloom2", "Tessaloom", false},
      {"Tess", "Tessaloom", false},
      {"", "Tessaloom", false},
      {"", "", false},
      {"a,,b", "", true},
      {"a,b,", "", true},
      {"a,,b", "x", false},
      {"a", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SettingsSources::IsInList(c.list, c.item), c.expected)
        << '"' << c.list << "\" holding \"" << c.item << '"';
  }
}

class MemoryRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sources_.registry.SetString(kKeyPath, "InstallationPath", "/opt/quillfen");
    sources_.registry.SetDword(kKeyPath, "EnableGatehold", 0xFFFFFFFFu);
    sources_.registry.SetString(kKeyPath, "Text", "12");
    sources_.registry.SetValue(
        kKeyPath, RegistryValue{"Binary", RegistryValueKind::kOther, {}, 0, "hex:01,02"});
    sources_.registry.SetDword("HKEY_LOCAL_MACHINE", "AtTheRoot", 7);
  }
  MemorySettingsSources sources_;
};

TEST_F(MemoryRegistryTest, StringReaderAcceptsOnlyStrings) {
  struct Case {
    const char* root;
    const char* subkey;
    const char* name;
    bool ok;
    const char* out;
  };
  const Case cases[] = {
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Ondrell\\Quillfen", "InstallationPath", true,
       "/opt/quillfen"},
      {"hkey_local_machine", "software\\ONDRELL\\quillfen", "installationpath", true,
       "/opt/quillfen"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Ondrell\\Quillfen", "EnableGatehold", false,
       "The type you specified mismatch with registry value type"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Ondrell\\Quillfen", "Binary", false,
       "The type you specified mismatch with registry value type"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Ondrell\\Quillfen", "Missing", false, kNoSuchFile},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Ondrell", "InstallationPath", false, kNoSuchFile},
      {"HKEY_CURRENT_USER", "SOFTWARE\\Ondrell\\Quillfen", "InstallationPath", false, kNoSuchFile},
      {"HKLM", "SOFTWARE\\Ondrell\\Quillfen", "InstallationPath", false, "Invalid argument"},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    EXPECT_EQ(sources_.ReadRegistryString(c.root, c.subkey, c.name, out), c.ok) << c.name;
    EXPECT_EQ(out, c.out) << c.root << '\\' << c.subkey << ' ' << c.name;
  }
}

TEST_F(MemoryRegistryTest, DwordReaderSplitsTheRootOffThePath) {
  struct Case {
    const char* path;
    const char* name;
    bool ok;
    const char* out;
  };
  const Case cases[] = {
      {kKeyPath, "EnableGatehold", true, "4294967295"},
      {"Hkey_Local_Machine\\software\\ondrell\\quillfen", "ENABLEGATEHOLD", true, "4294967295"},
      {"HKEY_LOCAL_MACHINE", "AtTheRoot", true, "7"},
      {kKeyPath, "Text", false, "The type you specified mismatch with registry value type"},
      {kKeyPath, "Binary", false, "The type you specified mismatch with registry value type"},
      {kKeyPath, "Missing", false, kNoSuchFile},
      {"HKLM\\SOFTWARE\\Ondrell\\Quillfen", "EnableGatehold", false, "Invalid argument"},
      {"SOFTWARE\\Ondrell\\Quillfen", "EnableGatehold", false, "Invalid argument"},
      {"", "EnableGatehold", false, "Invalid argument"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(sources_.ReadRegistryDword(c.path, c.name, out), c.ok) << c.path;
    EXPECT_EQ(out, c.out) << c.path << ' ' << c.name;
  }
}

TEST_F(MemoryRegistryTest, AnUnreadableRegistryGivesTheSystemsText) {
  sources_.registryError = EACCES;
  std::string out;
  EXPECT_FALSE(sources_.ReadRegistryDword(kKeyPath, "EnableGatehold", out));
  EXPECT_EQ(out, "Permission denied");
}

TEST(FindSettingsFileTest, JoinsTheInstallationPathWithOneSeparator) {
  struct Case {
    const char* installationPath;  // null: no value
    bool ok;
    const char* out;
  };
  const Case cases[] = {
      {"/opt/quillfen", true, "/opt/quillfen/Admin.ini"},
      {"/opt/quillfen/", true, "/opt/quillfen/Admin.ini"},
      {"/opt/other", false, kNoSuchFile},
      {"", false, kNoSuchFile},
      {nullptr, false, kNoSuchFile},
  };
  for (const Case& c : cases) {
    MemorySettingsSources sources;
    sources.files["/opt/quillfen/Admin.ini"] = "";
    sources.files["/Admin.ini"] = "";  // where an empty folder would lead
    if (c.installationPath != nullptr) sources.SetInstallationPath(c.installationPath);
    std::string out;
    EXPECT_EQ(sources.FindSettingsFile("Admin.ini", out), c.ok) << c.installationPath;
    EXPECT_EQ(out, c.out) << (c.installationPath ? c.installationPath : "(none)");
  }
}

TEST(FindSettingsFileTest, ReportsTheRegistryReadersMessage) {
  MemorySettingsSources sources;
  sources.registry.SetDword(kKeyPath, "InstallationPath", 1);
  std::string out;
  EXPECT_FALSE(sources.FindSettingsFile("Admin.ini", out));
  EXPECT_EQ(out, "The type you specified mismatch with registry value type");
}

TEST(FindSiteEntryTest, TakesTheFirstLineWhoseFolderHoldsThePath) {
  struct Case {
    const char* what;
    const char* section;
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"first line in file order", "a=/srv/www/a\nb=/srv/www\n", "/srv/www/a/x.py", "a=/srv/www/a"},
      {"later line", "a=/srv/www/a\nb=/srv/www\n", "/srv/www/b/y.py", "b=/srv/www"},
      {"order decides", "b=/srv/www\na=/srv/www/a\n", "/srv/www/a/x.py", "b=/srv/www"},
      {"folder itself", "a=/srv/www/a\n", "/srv/www/a", "a=/srv/www/a"},
      {"folder with a trailing separator", "a=/srv/www/a/\n", "/srv/www/a/x.py", "a=/srv/www/a/"},
      {"trimmed around =", "a =  /srv/www/a \n", "/srv/www/a/x.py", "a=/srv/www/a"},
      {"a sibling with a longer name is no match", "a=/srv/www/a\n", "/srv/www/ab/x.py", ""},
      {"the sibling falls to a later line", "a=/srv/www/a\nb=/srv/www\n", "/srv/www/ab/x.py",
       "b=/srv/www"},
      {"case counts in paths", "a=/srv/www/a\n", "/SRV/www/a/x.py", ""},
      {"empty folder matches anything", "a=/srv/www/a\nc=\n", "/home/u/x.py", "c="},
      {"after the earlier lines", "c=\na=/srv/www/a\n", "/srv/www/a/x.py", "c="},
      {"lines without = skipped", "/srv/www\na=/srv/www/a\n", "/srv/www/a/x.py", "a=/srv/www/a"},
      {"folder longer than the path", "a=/srv/www/a/deep\n", "/srv/www/a", ""},
      {"no line", "", "/srv/www/a/x.py", ""},
  };
  for (const Case& c : cases) {
    MemorySettingsSources sources;
    sources.files["/q/WebSite.ini"] = std::string("[Path]\n") + c.section + "[Other]\nz=\n";
    EXPECT_EQ(sources.FindSiteEntry("/q/WebSite.ini", "path", c.path), c.expected) << c.what;
  }
}

TEST(MemoryRealPathTest, ResolvesStepsOnTheText) {
  MemorySettingsSources sources;
  struct Case {
    const char* path;
    const char* real;
  };
  const Case cases[] = {{"/srv/www/a/", "/srv/www/a"},
                        {"/srv//www/./a/img", "/srv/www/a/img"},
                        {"/srv/www/b/../a", "/srv/www/a"},
                        {"img", "/img"},
                        {"/", "/"}};
  for (const Case& c : cases) {
    std::string out;
    ASSERT_TRUE(sources.RealPath(c.path, out)) << c.path;
    EXPECT_EQ(out, c.real) << c.path;
  }
  std::string out;
  EXPECT_FALSE(sources.RealPath("", out));
  EXPECT_FALSE(sources.RealPath(std::string("/a\0b", 4), out));
}

// The platform's sources, against real files.

constexpr char kRegistryFile[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[hkey_local_machine\\software\\ondrell\\QUILLFEN]\n"
    "\"installationpath\"=\"@DIR@\"\n"
    "\"EnableGatehold\"=dword:00010000\n"
    "\"Text\"=\"65536\"\n"
    "\"Binary\"=hex:01,02,\\\n"
    "  03\n"
    "\"Expand\"=hex(2):41,00,00,00\n"
    "@=\"default\"\n";

std::string RegistryText(const std::string& dir) {
  std::string text = kRegistryFile;
  text.replace(text.find("@DIR@"), 5, dir);
  return text;
}

TEST(PlatformSettingsSourcesTest, ReadsEveryValueKindFromTheRegistryFile) {
  ScratchDir dir;
  RegistryFileScope registry;
  registry.Write(RegistryText(dir / "install"));
  SettingsSources& sources = SettingsSources::Platform();
  struct Case {
    const char* name;
    bool isString;
    bool ok;
    std::string out;
  };
  const Case cases[] = {
      {"InstallationPath", true, true, dir / "install"},
      {"enablegatehold", false, true, "65536"},
      {"Text", false, false, "The type you specified mismatch with registry value type"},
      {"EnableGatehold", true, false, "The type you specified mismatch with registry value type"},
      {"Binary", true, false, "The type you specified mismatch with registry value type"},
      {"Expand", true, false, "The type you specified mismatch with registry value type"},
      {"Binary", false, false, "The type you specified mismatch with registry value type"},
      {"Missing", true, false, kNoSuchFile},
      {"Missing", false, false, kNoSuchFile},
  };
  for (const Case& c : cases) {
    std::string out;
    const bool ok = c.isString
                        ? sources.ReadRegistryString("HKEY_LOCAL_MACHINE",
                                                     "SOFTWARE\\Ondrell\\Quillfen", c.name, out)
                        : sources.ReadRegistryDword(kKeyPath, c.name, out);
    EXPECT_EQ(ok, c.ok) << c.name;
    EXPECT_EQ(out, c.out) << c.name;
  }
}

TEST(PlatformSettingsSourcesTest, AMissingRegistryFileHasNoValues) {
  RegistryFileScope registry;
  std::string out;
  EXPECT_FALSE(SettingsSources::Platform().FindSettingsFile("Admin.ini", out));
  EXPECT_EQ(out, kNoSuchFile);
  EXPECT_FALSE(SettingsSources::Platform().ReadRegistryDword(kKeyPath, "EnableGatehold", out));
  EXPECT_EQ(out, kNoSuchFile);
}

TEST(PlatformSettingsSourcesTest, ARegistryFileWithoutItsHeaderCannotBeRead) {
  RegistryFileScope registry;
  registry.Write("[HKEY_LOCAL_MACHINE\\X]\n");
  std::string out;
  EXPECT_FALSE(SettingsSources::Platform().ReadRegistryDword(kKeyPath, "EnableGatehold", out));
  EXPECT_EQ(out, "Invalid argument");
}

TEST(PlatformSettingsSourcesTest, FindsSettingsFilesWithOrWithoutATrailingSeparator) {
  ScratchDir dir;
  dir.Write("install/Admin.ini", "[Settings]\n");
  RegistryFileScope registry;
  for (const std::string& folder : {dir / "install", dir / "install/"}) {
    registry.Write(RegistryText(folder));
    std::string out;
    EXPECT_TRUE(SettingsSources::Platform().FindSettingsFile("Admin.ini", out)) << folder;
    EXPECT_EQ(out, dir / "install/Admin.ini");
    EXPECT_FALSE(SettingsSources::Platform().FindSettingsFile("WebSite.ini", out)) << folder;
    EXPECT_EQ(out, kNoSuchFile);
  }
}

TEST(PlatformSettingsSourcesTest, ReadsIniFilesAfresh) {
  ScratchDir dir;
  const std::string file = dir.Write("WebSite.ini", "[Path]\na=/srv/www/a\n");
  SettingsSources& sources = SettingsSources::Platform();
  EXPECT_EQ(sources.FindSiteEntry(file, "Path", "/srv/www/b/x.py"), "");
  dir.Write("WebSite.ini", "[Path]\na=/srv/www/a\nb=/srv/www/b\n");
  EXPECT_EQ(sources.FindSiteEntry(file, "Path", "/srv/www/b/x.py"), "b=/srv/www/b");
  EXPECT_EQ(sources.ReadIniString(dir / "missing.ini", "Path", "a"), "");
}

TEST(PlatformSettingsSourcesTest, RealPathsFollowSymbolicLinks) {
  ScratchDir dir;
  std::filesystem::create_directories(dir / "site");
  std::filesystem::create_directories(dir / "elsewhere");
  std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "site/link");
  SettingsSources& sources = SettingsSources::Platform();
  const std::string real = std::filesystem::canonical(dir.path()).string();
  std::string out;
  ASSERT_TRUE(sources.RealPath(dir / "site/link", out));
  EXPECT_EQ(out, real + "/elsewhere");
  ASSERT_TRUE(sources.RealPath(dir / "site/link/new/../img", out));
  EXPECT_EQ(out, real + "/elsewhere/img");
  ASSERT_TRUE(sources.RealPath(dir / "site/not-yet", out));
  EXPECT_EQ(out, real + "/site/not-yet");
  EXPECT_FALSE(sources.RealPath("", out));
}

}  // namespace
}  // namespace tessaloom

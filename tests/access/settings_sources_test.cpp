#include "access/settings_sources.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/platform/registry_file_scope.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom {
namespace {

using test_support::ScratchDir;
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
    sources_.registry.SetValue(
        kKeyPath, RegistryValue{"Expand", RegistryValueKind::kExpandString, "%A%", 0, {}});
    sources_.registry.SetDword("HKEY_LOCAL_MACHINE", "AtTheRoot", 7);
  }
  MemorySettingsSources sources_;
};

TEST_F(MemoryRegistryTest, ReadersTakeOnlyTheirTypeUnderAPredefinedRoot) {
  constexpr char kMismatch[] = "The type you specified mismatch with registry value type";
  struct Case {
    bool dword;  // ReadRegistryDword, else ReadRegistryString with the path split at its root
    const char* path;
    const char* name;
    bool ok;
    const char* out;
  };
  const Case cases[] = {
      {false, kKeyPath, "InstallationPath", true, "/opt/quillfen"},
      {false, "hkey_local_machine\\software\\ONDRELL\\quillfen", "installationpath", true,
       "/opt/quillfen"},
      {false, kKeyPath, "EnableGatehold", false, kMismatch},
      {false, kKeyPath, "Binary", false, kMismatch},
      {false, kKeyPath, "Expand", false, kMismatch},
      {false, kKeyPath, "Missing", false, kNoSuchFile},
      {false, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell", "InstallationPath", false, kNoSuchFile},
      {false, "HKEY_CURRENT_USER\\SOFTWARE\\Ondrell\\Quillfen", "InstallationPath", false,
       kNoSuchFile},
      {false, "HKLM\\SOFTWARE\\Ondrell\\Quillfen", "InstallationPath", false, "Invalid argument"},
      {true, kKeyPath, "EnableGatehold", true, "4294967295"},
      {true, "Hkey_Local_Machine\\software\\ondrell\\quillfen", "ENABLEGATEHOLD", true,
       "4294967295"},
      {true, "HKEY_LOCAL_MACHINE", "AtTheRoot", true, "7"},
      {true, kKeyPath, "Text", false, kMismatch},
      {true, kKeyPath, "Binary", false, kMismatch},
      {true, kKeyPath, "Missing", false, kNoSuchFile},
      {true, "HKLM\\SOFTWARE\\Ondrell\\Quillfen", "EnableGatehold", false, "Invalid argument"},
      {true, "SOFTWARE\\Ondrell\\Quillfen", "EnableGatehold", false, "Invalid argument"},
      {true, "", "EnableGatehold", false, "Invalid argument"},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    const std::string_view path(c.path);
    const std::size_t slash = path.find('\\');
    const bool ok = c.dword ? sources_.ReadRegistryDword(path, c.name, out)
                            : sources_.ReadRegistryString(path.substr(0, slash),
                                                          path.substr(slash + 1), c.name, out);
    EXPECT_EQ(ok, c.ok) << c.path << ' ' << c.name;
    EXPECT_EQ(out, c.out) << c.path << ' ' << c.name;
  }
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

}  // namespace
}  // namespace tessaloom

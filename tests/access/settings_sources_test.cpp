#include "access/settings_sources.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace tessaloom {
namespace {

constexpr char kKeyPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen";
constexpr char kNoSuchFile[] = "No such file or directory";
constexpr char kMismatch[] = "The type you specified mismatch with registry value type";

TEST(MemoryRegistryTest, ReadersTakeOnlyTheirTypeUnderAPredefinedRoot) {
  MemorySettingsSources sources;
  sources.registry.SetString(kKeyPath, "InstallationPath", "/opt/quillfen");
  sources.registry.SetDword(kKeyPath, "EnableGatehold", 0xFFFFFFFFu);
  sources.registry.SetString(kKeyPath, "Text", "12");
  sources.registry.SetValue(
      kKeyPath, RegistryValue{"Expand", RegistryValueKind::kExpandString, "%A%", 0, {}});
  sources.registry.SetDword("HKEY_LOCAL_MACHINE", "AtTheRoot", 7);
  // Strings are read with the path split at its root.
  const std::tuple<bool, const char*, const char*, bool, const char*> cases[] = {
      {false, "hkey_local_machine\\software\\ONDRELL\\quillfen", "installationpath", true,
       "/opt/quillfen"},
      {false, kKeyPath, "EnableGatehold", false, kMismatch},
      {false, kKeyPath, "Expand", false, kMismatch},
      {false, kKeyPath, "Missing", false, kNoSuchFile},
      {false, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell", "InstallationPath", false, kNoSuchFile},
      {false, "HKEY_CURRENT_USER\\SOFTWARE\\Ondrell\\Quillfen", "InstallationPath", false,
       kNoSuchFile},
      {false, "HKLM\\SOFTWARE\\Ondrell\\Quillfen", "InstallationPath", false, "Invalid argument"},
      {true, "Hkey_Local_Machine\\software\\ondrell\\quillfen", "ENABLEGATEHOLD", true,
       "4294967295"},
      {true, "HKEY_LOCAL_MACHINE", "AtTheRoot", true, "7"},
      {true, kKeyPath, "Text", false, kMismatch},
      {true, "SOFTWARE\\Ondrell\\Quillfen", "EnableGatehold", false, "Invalid argument"},
  };
  for (const auto& [dword, path, name, ok, expected] : cases) {
    std::string out = "stale";
    const std::string_view p(path);
    const std::size_t slash = p.find('\\');
    EXPECT_EQ(dword
                  ? sources.ReadRegistryDword(p, name, out)
                  : sources.ReadRegistryString(p.substr(0, slash), p.substr(slash + 1), name, out),
              ok)
        << path << ' ' << name;
    EXPECT_EQ(out, expected) << path << ' ' << name;
  }
  sources.registryError = EACCES;
  std::string out;
  EXPECT_FALSE(sources.ReadRegistryDword(kKeyPath, "EnableGatehold", out));
  EXPECT_EQ(out, "Permission denied");
}

TEST(FindSettingsFileTest, JoinsTheInstallationPathWithOneSeparator) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/quillfen/", "/opt/quillfen/Admin.ini"},
      {"/opt/other", kNoSuchFile},
      {"", kNoSuchFile},  // not the file at the root
  };
  for (const auto& [installationPath, expected] : cases) {
    MemorySettingsSources sources;
    sources.files["/opt/quillfen/Admin.ini"] = "";
    sources.files["/Admin.ini"] = "";
    sources.SetInstallationPath(installationPath);
    std::string out;
    EXPECT_EQ(sources.FindSettingsFile("Admin.ini", out), expected[0] == '/') << installationPath;
    EXPECT_EQ(out, expected) << installationPath;
  }
}

// Site lines beyond what the access check's tables reach.
TEST(FindSiteEntryTest, TakesTheFirstLineWhoseFolderHoldsThePath) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"a=/srv/www/a\n", "/srv/www/a", "a=/srv/www/a"},
      {"a =  /srv/www/a \n", "/srv/www/a/x.py", "a=/srv/www/a"},
      {"a=/srv/www/a\nb=/srv/www\n", "/srv/www/ab/x.py", "b=/srv/www"},
      {"c=\na=/srv/www/a\n", "/srv/www/a/x.py", "c="},
      {"/srv/www\na=/srv/www/a\n", "/srv/www/a/x.py", "a=/srv/www/a"},
      {"a=/srv/www/a/deep\n", "/srv/www/a", ""},
  };
  for (const auto& [section, path, expected] : cases) {
    MemorySettingsSources sources;
    sources.files["/q/WebSite.ini"] = std::string("[Path]\n") + section + "[Other]\nz=\n";
    EXPECT_EQ(sources.FindSiteEntry("/q/WebSite.ini", "path", path), expected) << section << path;
  }
}

}  // namespace
}  // namespace tessaloom

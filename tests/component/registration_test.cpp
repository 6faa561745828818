#include "component/registration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/text.h"
#include "tessaloom/module.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

constexpr char kLibrary[] = "/opt/tessaloom/lib/libtessaloom.so.0";
constexpr char kClassKey[] = "HKEY_CLASSES_ROOT\\CLSID\\{4F463A34-8A46-437E-8B62-422717E99546}";
constexpr char kTypeLibKey[] = "HKEY_CLASSES_ROOT\\TypeLib\\{1F9E95CB-6957-4BC9-AF99-C2DE36F1CAA5}";

// Registering again from elsewhere moves the server; unregistering keeps others' keys.
TEST(ServerEntriesTest, RegisteringAgainMovesTheServerAndUnregisteringKeepsOthersKeys) {
  RegistryDocument doc;
  AddServerEntries(doc, kLibrary);
  const std::string library = "/usr/lib/x86_64-linux-gnu/libtessaloom.so.0";
  AddServerEntries(doc, library);
  const std::string c = kClassKey, l = kTypeLibKey, l1 = l + "\\1.0";
  const std::tuple<std::string, const char*, std::string> entries[] = {
      {c + "\\InprocServer32", "", library},
      {c + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {l1 + "\\HELPDIR", "", "/usr/lib/x86_64-linux-gnu"},
      {l1 + "\\409\\linux64", "", library},
      {"HKEY_CLASSES_ROOT\\Interface\\{9C2E7D41-5A08-4F3B-B6D2-3E81A7C45F10}\\TypeLib", "Version",
       "1.0"},
  };
  for (const auto& [key, value, text] : entries) {
    const RegistryValue* v = doc.FindValue(key, value);
    EXPECT_TRUE(v && v->kind == RegistryValueKind::kString && v->text == text) << key << value;
  }
  std::size_t values = 0;
  for (const RegistryKey& key : doc.Keys()) values += key.values.size();
  EXPECT_EQ((std::pair{doc.Keys().size(), values}), (std::pair<std::size_t, std::size_t>{23, 23}));

  const std::string progId = "HKEY_CLASSES_ROOT\\Tessaloom.GraphGenerator";
  doc.SetString(progId, "EditFlags", "kept");
  const std::string v = progId + ".1";
  doc.SetString(v + "\\Shell\\Open", "", "kept too");
  doc.SetString(l + "\\2.0", "", "Tessaloom 2.0 Type Library");
  doc.SetString(c + "\\LocalServer32", "", "/usr/bin/old-server");
  RemoveServerEntries(doc);

  // Keys holding others' values or keys stay; the class's key goes whole, foreign subkeys too.
  for (const std::string& key : {progId, v, v + "\\Shell\\Open", l, l + "\\2.0"})
    EXPECT_NE(doc.FindKey(key), nullptr) << key;
  for (const std::string& key : {progId + "\\CLSID", progId + "\\CurVer", v + "\\CLSID", c,
                                 c + "\\LocalServer32", l + "\\1.0"})
    EXPECT_EQ(doc.FindKey(key), nullptr) << key;
  EXPECT_EQ(doc.FindValue(progId, ""), nullptr);
  EXPECT_NE(doc.FindValue(progId, "EditFlags"), nullptr);
}

// A file without the server's keys comes back byte for byte after registering and
// unregistering, and keeps its mode, owner and link meanwhile.
TEST(RegistrationFileTest, RegisteringAndUnregisteringKeepEveryOtherByte) {
  // Comments, deletions, lines the reader does not take, every hex kind.
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n; the administrator's note\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ondrell\\Quillfen]\r\n"
      "\"InstallationPath\"=hex(1):2f,00,71,00,09,00,00,00\r\n\"EnableGatehold\"=dword:00000001\r\n"
      "\"Data\"=hex:01,02,\\\r\n  03\r\n\"Expand\"=hex(2):41,00,00,00\r\n"
      "\"Multi\"=hex(7):41,00,00,00,00,00\r\n\"\"=\\\r\na line the reader does not take\r\n"
      "[-HKEY_CLASSES_ROOT\\Removed]\r\n[HKEY_CLASSES_ROOT\\CLSID]\r\n";
  std::string lf = text;
  std::erase(lf, '\r');
  const std::tuple<const char*, std::string, mode_t, bool> cases[] = {
      {"CR LF", text, 0640, false},
      {"UTF-16LE, as the registry editor exports", EncodeUtf16LeFile(text), 0600, false},
      {"LF line ends, through a symbolic link", lf, 0604, true},
  };
  for (const auto& [what, bytes, mode, link] : cases) {
    RegistryFileScope registry;
    registry.Write(bytes);
    std::string file = registry.Path();
    if (link) {
      file = registry.Dir() + "/registry-target.reg";
      std::filesystem::rename(registry.Path(), file);
      std::filesystem::create_symlink(file, registry.Path());
    }
    ASSERT_EQ(::chmod(file.c_str(), mode), 0);
    ASSERT_TRUE(::geteuid() != 0 || ::chown(file.c_str(), 4321, 4321) == 0);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    const auto expectKept = [&, what = what, link = link](const char* when) {
      struct stat after {};
      ASSERT_EQ(::stat(file.c_str(), &after), 0) << what << when;
      EXPECT_EQ((std::tuple{after.st_mode, after.st_uid, after.st_gid,
                            std::filesystem::is_symlink(registry.Path())}),
                (std::tuple{before.st_mode, before.st_uid, before.st_gid, link}))
          << what << when;
    };
    std::string error;
    ASSERT_EQ(RegisterServer(kLibrary, error), S_OK) << what << error;
    expectKept(", registered");
    EXPECT_NE(registry.Read(), bytes) << what;
    ASSERT_EQ(UnregisterServer(error), S_OK) << what << error;
    expectKept(", unregistered");
    EXPECT_EQ(registry.Read(), bytes) << what;
  }
}

// Paths that would not read back are refused; a file that is not a registry is neither read nor
// replaced; a link to nothing is not followed; with no registry, unregistering writes none.
TEST(RegistrationFileTest, OnlyARegistryFileIsReadOrWrittenAndOnlyAPathThatReadsBack) {
  RegistryFileScope registry;
  const char* const paths[] = {"", "libtessaloom.so.0", "./libtessaloom.so.0",
                               "/opt/lib\n[HKEY_CLASSES_ROOT\\Evil]/libtessaloom.so",
                               "/opt/lib/libtessaloom.so\r"};
  for (const char* path : paths) {
    std::string error;
    EXPECT_EQ(RegisterServer(path, error), E_INVALIDARG) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
  EXPECT_FALSE(registry.Exists());
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_FALSE(registry.Exists());
  const std::string nowhere = registry.Dir() + "/missing/registry.reg";
  std::filesystem::create_directory(registry.Dir() + "/etc");
  std::filesystem::create_symlink(nowhere, registry.Path());
  std::string refusal;
  EXPECT_EQ(RegisterServer(kLibrary, refusal), SELFREG_E_CLASS);
  EXPECT_NE(refusal.find(registry.Path()), std::string::npos) << refusal;
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  std::filesystem::remove(registry.Path());
  const std::string text = "not a registry\n[HKEY_CLASSES_ROOT\\x]\n";
  registry.Write(text);
  std::string error;
  EXPECT_EQ(RegisterServer(kLibrary, error), SELFREG_E_CLASS);
  EXPECT_NE(error.find("not a registry file"), std::string::npos) << error;
  EXPECT_EQ(DllUnregisterServer(), SELFREG_E_CLASS);
  EXPECT_EQ(registry.Read(), text);
}

}  // namespace
}  // namespace tessaloom

#include "component/registration.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "component/module.h"
#include "platform/text.h"
#include "tests/platform/registry_file_scope.h"

namespace tessaloom {
namespace {

using testing::RegistryFileScope;

constexpr char kLibrary[] = "/opt/tessaloom/lib/libtessaloom.so.0";
constexpr char kClassKey[] = "HKEY_CLASSES_ROOT\\CLSID\\{4F463A34-8A46-437E-8B62-422717E99546}";
constexpr char kClsid[] = "{4F463A34-8A46-437E-8B62-422717E99546}";
constexpr char kLibid[] = "{1F9E95CB-6957-4BC9-AF99-C2DE36F1CAA5}";
constexpr char kTypeLibKey[] = "HKEY_CLASSES_ROOT\\TypeLib\\{1F9E95CB-6957-4BC9-AF99-C2DE36F1CAA5}";
constexpr char kInterfaceKey[] =
    "HKEY_CLASSES_ROOT\\Interface\\{4BB9C6F2-DE51-46B5-82B7-5B74648E0CD9}";

struct Entry {
  std::string key;
  const char* name;  // "" for the default value; nullptr for a key without values
  std::string text;
};

// Every key and value a registration writes, for the server at `library`.
std::vector<Entry> ExpectedEntries(const std::string& library, const std::string& folder) {
  const std::string progId = "HKEY_CLASSES_ROOT\\Tessaloom.GraphGenerator";
  const std::string cls = kClassKey;
  const std::string lib = std::string(kTypeLibKey) + "\\1.0";
  const std::string itf = kInterfaceKey;
  return {
      {progId + ".1", "", "GraphGenerator Class"},
      {progId + ".1\\CLSID", "", kClsid},
      {progId, "", "GraphGenerator Class"},
      {progId + "\\CLSID", "", kClsid},
      {progId + "\\CurVer", "", "Tessaloom.GraphGenerator.1"},
      {cls, "", "GraphGenerator Class"},
      {cls + "\\ProgID", "", "Tessaloom.GraphGenerator.1"},
      {cls + "\\VersionIndependentProgID", "", "Tessaloom.GraphGenerator"},
      {cls + "\\Programmable", nullptr, ""},
      {cls + "\\InprocServer32", "", library},
      {cls + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {cls + "\\TypeLib", "", kLibid},
      {kTypeLibKey, nullptr, ""},
      {lib, "", "Tessaloom 1.0 Type Library"},
      {lib + "\\FLAGS", "", "0"},
      {lib + "\\HELPDIR", "", folder},
      {lib + "\\409", nullptr, ""},
      {lib + "\\409\\linux64", "", library},
      {itf, "", "IGraphGenerator"},
      {itf + "\\ProxyStubClsid32", "", "{00020424-0000-0000-C000-000000000046}"},
      {itf + "\\TypeLib", "", kLibid},
      {itf + "\\TypeLib", "Version", "1.0"},
  };
}

void ExpectExactlyTheEntries(const RegistryDocument& doc, const std::vector<Entry>& expected) {
  std::set<std::string> keys;
  std::size_t values = 0;
  for (const Entry& e : expected) {
    keys.insert(e.key);
    ASSERT_NE(doc.FindKey(e.key), nullptr) << e.key;
    if (e.name == nullptr) {
      EXPECT_TRUE(doc.FindKey(e.key)->values.empty()) << e.key;
      continue;
    }
    ++values;
    const RegistryValue* v = doc.FindValue(e.key, e.name);
    ASSERT_NE(v, nullptr) << e.key << " " << e.name;
    EXPECT_EQ(v->kind, RegistryValueKind::kString) << e.key << " " << e.name;
    EXPECT_EQ(v->text, e.text) << e.key << " " << e.name;
  }
  std::size_t found_values = 0;
  for (const RegistryKey& key : doc.keys()) found_values += key.values.size();
  EXPECT_EQ(doc.keys().size(), keys.size());
  EXPECT_EQ(found_values, values);
}

constexpr char kUnrelated[] =
    "Windows Registry Editor Version 5.00\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaloom]\n"
    "\"InstallationPath\"=\"/srv/tessaloom\"\n"
    "\"EnableGatehold\"=dword:00000001\n"
    "[HKEY_CLASSES_ROOT\\.txt]\n"
    "@=\"txtfile\"\n"
    "[HKEY_CLASSES_ROOT\\CLSID]\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32]\n"
    "@=\"/usr/lib/libother.so\"\n"
    "\"ThreadingModel\"=\"Both\"\n"
    "[HKEY_CLASSES_ROOT\\TypeLib\\{00000000-1111-2222-3333-555555555555}\\1.0]\n"
    "@=\"Other Type Library\"\n"
    "[HKEY_CLASSES_ROOT\\Interface\\{00000000-1111-2222-3333-666666666666}]\n"
    "@=\"IOther\"\n"
    "\"Data\"=hex:01,02\n";

RegistryDocument Parsed(std::string_view text) {
  RegistryDocument doc;
  std::string error;
  EXPECT_TRUE(RegistryDocument::Parse(text, doc, error)) << error;
  return doc;
}

TEST(ServerEntriesTest, RegistrationWritesEveryEntryAndNothingElse) {
  RegistryDocument doc;
  AddServerEntries(doc, kLibrary);
  ExpectExactlyTheEntries(doc, ExpectedEntries(kLibrary, "/opt/tessaloom/lib"));
}

TEST(ServerEntriesTest, RegistrationAndUnregistrationLeaveOtherKeysAsTheyWere) {
  RegistryDocument doc = Parsed(kUnrelated);
  const std::string original = doc.Serialize();
  AddServerEntries(doc, kLibrary);
  // The original keys come first and unchanged; ours follow.
  EXPECT_EQ(doc.Serialize().substr(0, original.size()), original);
  RemoveServerEntries(doc);
  EXPECT_EQ(doc.Serialize(), original);
}

TEST(ServerEntriesTest, RegisteringAgainFromElsewhereMovesTheServer) {
  RegistryDocument doc;
  AddServerEntries(doc, kLibrary);
  AddServerEntries(doc, "/usr/lib/x86_64-linux-gnu/libtessaloom.so.0");
  ExpectExactlyTheEntries(doc, ExpectedEntries("/usr/lib/x86_64-linux-gnu/libtessaloom.so.0",
                                               "/usr/lib/x86_64-linux-gnu"));
}

TEST(ServerEntriesTest, UnregistrationKeepsWhatOthersPutInTheSharedKeys) {
  RegistryDocument doc;
  AddServerEntries(doc, kLibrary);
  const std::string progId = "HKEY_CLASSES_ROOT\\Tessaloom.GraphGenerator";
  doc.SetString(progId, "EditFlags", "kept");
  doc.SetString(progId + ".1\\Shell\\Open", "", "kept too");
  doc.SetString(std::string(kTypeLibKey) + "\\2.0", "", "Tessaloom 2.0 Type Library");
  doc.SetString(std::string(kClassKey) + "\\LocalServer32", "", "/usr/bin/old-server");
  RemoveServerEntries(doc);

  struct Case {
    std::string key;
    bool present;
  };
  const Case cases[] = {
      {progId, true},  // holds EditFlags
      {progId + "\\CLSID", false},
      {progId + "\\CurVer", false},
      {progId + ".1", true},  // emptied, but another's key hangs below it
      {progId + ".1\\CLSID", false},
      {progId + ".1\\Shell\\Open", true},
      {kClassKey, false},  // the class's key goes whole, foreign subkeys included
      {std::string(kClassKey) + "\\LocalServer32", false},
      {kTypeLibKey, true},  // another version is still registered
      {std::string(kTypeLibKey) + "\\1.0", false},
      {std::string(kTypeLibKey) + "\\2.0", true},
      {kInterfaceKey, false},
  };
  for (const Case& c : cases) EXPECT_EQ(doc.FindKey(c.key) != nullptr, c.present) << c.key;
  EXPECT_EQ(doc.FindValue(progId, ""), nullptr);
  ASSERT_NE(doc.FindValue(progId, "EditFlags"), nullptr);
  EXPECT_EQ(doc.FindValue(progId, "EditFlags")->text, "kept");
}

TEST(ServerEntriesTest, KeysAreFoundWhateverTheirLetterCase) {
  RegistryDocument doc = Parsed(
      "REGEDIT4\n"
      "[hkey_classes_root\\TESSALOOM.GRAPHGENERATOR]\n"
      "@=\"old text\"\n");
  AddServerEntries(doc, kLibrary);
  std::size_t spellings = 0;
  for (const RegistryKey& key : doc.keys()) {
    if (EqualsIgnoreAsciiCase(key.path, "HKEY_CLASSES_ROOT\\Tessaloom.GraphGenerator")) {
      ++spellings;
    }
  }
  EXPECT_EQ(spellings, 1u);
  RemoveServerEntries(doc);
  EXPECT_TRUE(doc.keys().empty());
}

// The registry file.

TEST(RegistrationFileTest, AFileThatIsNotARegistryIsNeitherReadNorReplaced) {
  RegistryFileScope registry;
  const std::string text = "not a registry\n[HKEY_CLASSES_ROOT\\x]\n";
  registry.Write(text);
  std::string error;
  std::string own;
  ASSERT_TRUE(ThisLibraryPath(own, error));
  EXPECT_EQ(RegisterServer(own, error), SELFREG_E_CLASS);
  EXPECT_NE(error.find("not a registry file"), std::string::npos) << error;
  EXPECT_EQ(DllRegisterServer(), SELFREG_E_CLASS);
  EXPECT_EQ(DllUnregisterServer(), SELFREG_E_CLASS);
  EXPECT_EQ(registry.Read(), text);
}

TEST(RegistrationFileTest, ServerPathsThatWouldNotReadBackAreRefused) {
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
}

}  // namespace
}  // namespace tessaloom

#include "component/registration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry_file.h"
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

using Kind = RegistryValueKind;

constexpr char kSample[] =
    "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n; administrator's settings\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product]\r\n\"InstallationPath\"=\"/opt/product\"\r\n"
    "\"EnableGatehold\"=dword:0000002a\r\n\"Quoted\"=\"say \\\"hi\\\" c:\\\\dir\"\r\n"
    "@=\"default text\"\r\n\"Binary\"=hex:01,02,\\\r\n  03,04\r\n"
    "\"Path\"=hex(1):2f,00,0a,00,c9,00,00,00\r\n\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n\"Odd\"=hex(1):41,00,00\r\n\"\"=\\\r\n"
    "not a value line\r\n\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\r\n\"Ignored\"=\"x\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID]\r\n[HKEY_CLASSES_ROOT\\CLSID\\{A}]\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32]\r\n@=\"/usr/lib/libx.so\"\r\n"
    "\"ThreadingModel\"=\"Apartment\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{B}]\r\n";

RegistryDocument Parsed(std::string_view bytes) {
  RegistryDocument doc;
  std::string error;
  EXPECT_TRUE(RegistryDocument::Parse(bytes, doc, error)) << error;
  return doc;
}

TEST(RegistryDocumentTest, ReadsEveryValueKindInEveryEncodingAndGivesTheBytesBack) {
  std::string crOnly = kSample;
  std::erase(crOnly, '\n');
  const std::string encodings[] = {kSample, crOnly, EncodeUtf16LeFile(kSample + 3)};
  const char kKey[] = "hkey_local_machine\\software\\VENDOR\\product";
  const RegistryValue expected[] = {
      {"installationpath", Kind::kString, "/opt/product", 0, ""},
      {"EnableGatehold", Kind::kDword, "", 42, ""},
      {"Quoted", Kind::kString, "say \"hi\" c:\\dir", 0, ""},
      {"", Kind::kOther, "", 0, "\\"},  // the later of @ and "" wins
      {"Binary", Kind::kOther, "", 0, "hex:01,02,03,04"},
      {"PATH", Kind::kString, "/\n\xC3\x89", 0, ""},
      {"Expand", Kind::kExpandString, "%A%", 0, ""},
      {"Multi", Kind::kMultiString, std::string("a\0b\0", 4), 0, ""},
      {"Odd", Kind::kOther, "", 0, "hex(1):41,00,00"},
  };
  for (const std::string& bytes : encodings) {
    const RegistryDocument doc = Parsed(bytes);
    EXPECT_EQ(doc.Serialize(), bytes);
    EXPECT_TRUE(doc.Lossless());
    for (RegistryValue want : expected) {
      const RegistryValue* got = doc.FindValue(kKey, want.name);
      ASSERT_NE(got, nullptr) << want.name;
      want.name = got->name;
      EXPECT_EQ(*got, want) << want.name;
    }
    EXPECT_EQ(doc.FindKey(kKey)->values.size(), std::size(expected));
    EXPECT_EQ(doc.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone"), nullptr);
    EXPECT_EQ(doc.SubKeys("HKEY_CLASSES_ROOT\\clsid"),
              (std::vector<std::string>{"HKEY_CLASSES_ROOT\\CLSID\\{A}",
                                        "HKEY_CLASSES_ROOT\\CLSID\\{B}"}));
  }
  // A UTF-16 file with an unpaired surrogate is read, but not given back.
  EXPECT_FALSE(Parsed(std::string("\xFF\xFER\0E\0G\0E\0D\0I\0T\0004\0\n\0\0\xD8", 22)).Lossless());
}

TEST(RegistryDocumentTest, EditsRewriteOnlyTheirOwnLines) {
  RegistryDocument doc = Parsed(
      "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\A]\r\n\"Keep\"=\"1\"\r\n\"Twice\"=\"old\"\r\njunk line\r\n"
      "\"Twice\"=\"older\"\r\n\r\n[HKEY_CLASSES_ROOT\\A\\B]\r\n; inside B\r\n@=\"b\"\r\n"
      "[HKEY_CLASSES_ROOT\\C]\r\n\"Data\"=hex:01,\\");
  doc.SetString("hkey_classes_root\\a", "TWICE", "new");
  doc.SetDword("HKEY_CLASSES_ROOT\\A", "Count", 7);
  EXPECT_TRUE(doc.DeleteKeyTree("HKEY_CLASSES_ROOT\\A\\B"));
  EXPECT_FALSE(doc.DeleteKeyTree("HKEY_CLASSES_ROOT\\A\\B"));
  doc.SetString("HKEY_CLASSES_ROOT\\New", "", "/x\n[HKEY_CLASSES_ROOT\\Evil]");
  EXPECT_TRUE(doc.DeleteValue("HKEY_CLASSES_ROOT\\A", "keep"));
  EXPECT_FALSE(doc.DeleteValue("HKEY_CLASSES_ROOT\\A", "keep"));
  const std::string text = doc.Serialize();
  // A text with a line break is written as hex(1), so it starts no key of its own.
  EXPECT_EQ(text.substr(0, text.find("@=hex(1):2f,00,78,00,0a,00,5b,00,")),
            "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\A]\r\n\"TWICE\"=\"new\"\r\n"
            "\"Count\"=dword:00000007\r\njunk line\r\n; inside B\r\n[HKEY_CLASSES_ROOT\\C]\r\n"
            "\"Data\"=hex:01,\\\r\n"
            "\r\n"  // taken as the line the '\' continues on
            "\r\n[HKEY_CLASSES_ROOT\\New]\r\n");
  const RegistryDocument again = Parsed(text);
  EXPECT_EQ(again.Keys().size(), 3u);
  EXPECT_EQ(again.FindValue("HKEY_CLASSES_ROOT\\C", "Data")->raw, "hex:01,");
  EXPECT_EQ(again.FindValue("HKEY_CLASSES_ROOT\\New", "")->text, "/x\n[HKEY_CLASSES_ROOT\\Evil]");
}

TEST(RegistryDocumentTest, RefusesTextWithoutTheHeader) {
  for (const char* text : {"", "[HKEY_CLASSES_ROOT\\X]\n", "REGEDIT5\n", "; note\nREGEDIT4\n"}) {
    RegistryDocument doc;
    std::string error;
    EXPECT_FALSE(RegistryDocument::Parse(text, doc, error)) << text;
    EXPECT_NE(error.find("not a registry file"), std::string::npos) << text;
  }
}

TEST(RegistryFileTest, AMissingFileIsEmptyAndWritersTakeTurns) {
  test_support::RegistryFileScope registry;
  RegistryDocument doc;
  std::string error;
  ASSERT_TRUE(LoadRegistry(doc, error)) << error;
  EXPECT_TRUE(doc.Keys().empty());
  // Two writers adding keys at once lose none of them.
  const auto write = [](std::string who) {
    for (int i = 0; i < 20; ++i) {
      const std::string key = "HKEY_CLASSES_ROOT\\" + who + std::to_string(i);
      std::string failure;
      EXPECT_TRUE(EditRegistry([&](RegistryDocument& d) { d.CreateKey(key); }, failure)) << failure;
    }
  };
  for (std::jthread& t : std::array{std::jthread(write, "A"), std::jthread(write, "B")}) t.join();
  ASSERT_TRUE(LoadRegistry(doc, error)) << error;
  EXPECT_EQ(doc.Keys().size(), 40u);
}

}  // namespace
}  // namespace tessaloom

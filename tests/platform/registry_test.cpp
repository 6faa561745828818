#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry_file.h"
#include "platform/text.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom {
namespace {

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

#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tessaloom {
namespace {

constexpr char kSample[] =
    "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; administrator's settings\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product]\r\n"
    "\"InstallationPath\"=\"/opt/product\"\r\n"
    "\"EnableGatehold\"=dword:0000002a\r\n"
    "\"Quoted\"=\"say \\\"hi\\\" c:\\\\dir\"\r\n"
    "@=\"default text\"\r\n"
    "\"Binary\"=hex:01,02,\\\r\n"
    "  03,04\r\n"
    "\"Expand\"=hex(2):41,00\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\r\n"
    "\"Ignored\"=\"x\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID]\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{A}]\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32]\r\n"
    "@=\"/usr/lib/libx.so\"\r\n"
    "\"ThreadingModel\"=\"Apartment\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{B}]\r\n";

RegistryDocument Sample() {
  RegistryDocument doc;
  std::string error;
  EXPECT_TRUE(RegistryDocument::Parse(kSample, doc, error)) << error;
  return doc;
}

TEST(RegistryDocumentTest, ReadsEveryValueKindWithKeysAndNamesInAnyCase) {
  const RegistryDocument doc = Sample();
  const char kKey[] = "hkey_local_machine\\software\\VENDOR\\product";
  struct Case {
    const char* name;
    RegistryValueKind kind;
    std::string text;
  };
  const Case cases[] = {
      {"installationpath", RegistryValueKind::kString, "/opt/product"},
      {"Quoted", RegistryValueKind::kString, "say \"hi\" c:\\dir"},
      {"", RegistryValueKind::kString, "default text"},
      {"Binary", RegistryValueKind::kOther, "hex:01,02,03,04"},
      {"EXPAND", RegistryValueKind::kOther, "hex(2):41,00"},
  };
  for (const Case& c : cases) {
    const RegistryValue* v = doc.FindValue(kKey, c.name);
    ASSERT_NE(v, nullptr) << c.name;
    EXPECT_EQ(v->kind, c.kind) << c.name;
    EXPECT_EQ(v->kind == RegistryValueKind::kOther ? v->raw : v->text, c.text) << c.name;
  }
  const RegistryValue* dword = doc.FindValue(kKey, "EnableGatehold");
  ASSERT_NE(dword, nullptr);
  EXPECT_EQ(dword->kind, RegistryValueKind::kDword);
  EXPECT_EQ(dword->dword, 42u);
  EXPECT_EQ(doc.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone"), nullptr);
  EXPECT_EQ(doc.FindValue(kKey, "Missing"), nullptr);
}

TEST(RegistryDocumentTest, ListsDirectSubkeysOnly) {
  const RegistryDocument doc = Sample();
  EXPECT_EQ(
      doc.SubKeys("HKEY_CLASSES_ROOT\\clsid"),
      (std::vector<std::string>{"HKEY_CLASSES_ROOT\\CLSID\\{A}", "HKEY_CLASSES_ROOT\\CLSID\\{B}"}));
}

TEST(RegistryDocumentTest, SerializesToTextThatParsesToTheSameDocument) {
  RegistryDocument doc = Sample();
  doc.SetString("HKEY_CLASSES_ROOT\\New", "", "back\\slash \"q\"");
  doc.SetDword("HKEY_CLASSES_ROOT\\New", "Count", 0xFFFFFFFF);
  RegistryDocument again;
  std::string error;
  ASSERT_TRUE(RegistryDocument::Parse(doc.Serialize(), again, error)) << error;
  EXPECT_EQ(again.Serialize(), doc.Serialize());
  EXPECT_EQ(again.FindValue("HKEY_CLASSES_ROOT\\New", "")->text, "back\\slash \"q\"");
  EXPECT_EQ(again.FindValue("HKEY_CLASSES_ROOT\\New", "count")->dword, 0xFFFFFFFFu);
}

TEST(RegistryDocumentTest, ALineBreakInATextCannotStartAKeyOfItsOwn) {
  RegistryDocument doc;
  doc.SetString("HKEY_CLASSES_ROOT\\A", "Path", "/x\n[HKEY_CLASSES_ROOT\\Evil]\n\"v\"=\"1\"");
  RegistryDocument again;
  std::string error;
  ASSERT_TRUE(RegistryDocument::Parse(doc.Serialize(), again, error)) << error;
  EXPECT_EQ(again.keys().size(), 1u);
  EXPECT_EQ(again.FindValue("HKEY_CLASSES_ROOT\\A", "Path")->kind, RegistryValueKind::kOther);
}

TEST(RegistryDocumentTest, EditsReplaceAndRemoveWithoutTouchingOtherKeys) {
  RegistryDocument doc = Sample();
  doc.SetString("HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32", "threadingmodel", "Both");
  EXPECT_EQ(doc.FindKey("HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32")->values.size(), 2u);
  EXPECT_TRUE(doc.DeleteKeyTree("HKEY_CLASSES_ROOT\\CLSID\\{a}"));
  EXPECT_EQ(doc.FindKey("HKEY_CLASSES_ROOT\\CLSID\\{A}\\InprocServer32"), nullptr);
  EXPECT_NE(doc.FindKey("HKEY_CLASSES_ROOT\\CLSID"), nullptr);
  EXPECT_NE(doc.FindKey("HKEY_CLASSES_ROOT\\CLSID\\{B}"), nullptr);
  EXPECT_FALSE(doc.DeleteKeyTree("HKEY_CLASSES_ROOT\\CLSID\\{A}"));
  EXPECT_TRUE(doc.DeleteValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product", "QUOTED"));
  EXPECT_FALSE(doc.DeleteValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product", "Quoted"));
}

TEST(RegistryDocumentTest, RefusesTextWithoutTheHeader) {
  for (const char* text : {"", "[HKEY_CLASSES_ROOT\\X]\n", "REGEDIT5\n"}) {
    RegistryDocument doc;
    std::string error;
    EXPECT_FALSE(RegistryDocument::Parse(text, doc, error)) << text;
    EXPECT_FALSE(error.empty());
  }
  RegistryDocument doc;
  std::string error;
  EXPECT_TRUE(RegistryDocument::Parse("REGEDIT4\n", doc, error));
}

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tessaloom-registry-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    path_ = dir_ / "etc" / "registry.reg";
    ::setenv("TESSALOOM_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("TESSALOOM_REGISTRY");
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
  std::filesystem::path path_;
};

TEST_F(RegistryFileTest, AMissingFileIsAnEmptyRegistry) {
  EXPECT_EQ(RegistryFilePath(), path_.string());
  RegistryDocument doc = Sample();
  std::string error;
  EXPECT_EQ(LoadRegistry(doc, error), 0);
  EXPECT_TRUE(doc.keys().empty());
}

TEST_F(RegistryFileTest, SaveCreatesTheFolderAndLoadReadsItBack) {
  std::string error;
  ASSERT_EQ(SaveRegistry(Sample(), error), 0) << error;
  RegistryDocument doc;
  ASSERT_EQ(LoadRegistry(doc, error), 0) << error;
  EXPECT_EQ(doc.Serialize(), Sample().Serialize());
  // Only the file itself is in the folder: the temporary file was renamed.
  int files = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator(path_.parent_path())) {
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(RegistryFileTest, AFileWithoutTheHeaderIsAnError) {
  std::filesystem::create_directories(path_.parent_path());
  std::ofstream(path_) << "[HKEY_CLASSES_ROOT\\X]\n";
  RegistryDocument doc;
  std::string error;
  EXPECT_NE(LoadRegistry(doc, error), 0);
  EXPECT_NE(error.find("not a registry file"), std::string::npos);
}

}  // namespace
}  // namespace tessaloom

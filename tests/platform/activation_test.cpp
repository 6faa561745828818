#include "platform/activation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/registration.h"
#include "tessaloom/igraph_generator.h"
#include "tessaloom/module.h"

namespace tessaloom {
namespace {

constexpr char kServer[] = "/srv/lib/libtessaloom.so.0";
constexpr CLSID kOtherClass{0x0BADC0DE, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};

// Serves this library at any path and notes whether a load was asked for.
class FakeLoader final : public ServerLoader {
 public:
  HRESULT FindClassObjectEntry(const std::string&, DllGetClassObjectFunction& entry,
                               std::string&) noexcept override {
    loaded = true;
    entry = &DllGetClassObject;
    return S_OK;
  }
  bool loaded = false;
};

RegistryDocument Registered(std::string_view server = kServer) {
  RegistryDocument doc;
  AddServerEntries(doc, server);
  return doc;
}

TEST(CLSIDFromProgIDTest, TheVersionIndependentProgIdLeadsThroughCurVer) {
  const std::string o = GuidToString(kOtherClass), u = GuidToString(CLSID_GraphGenerator);
  const CLSID kOurs = CLSID_GraphGenerator;
  const std::tuple<std::vector<std::pair<std::string, std::string>>, HRESULT, CLSID> cases[] = {
      // CurVer's class wins over the key's own; one naming nothing falls back to the own CLSID.
      {{{"A\\CLSID", o}, {"A\\CurVer", "A.2"}, {"A.2\\CLSID", u}}, S_OK, kOurs},
      {{{"A\\CLSID", o}, {"A\\CurVer", "A.9"}}, S_OK, kOtherClass},
      {{{"A\\CurVer", "A.2"}, {"A.2\\CLSID", u}}, S_OK, kOurs},
      // Not followed: a CurVer leaving the root, a loop, a second step.
      {{{"A\\CurVer", "A.2\\CLSID"}, {"A.2\\CLSID\\CLSID", u}}, CO_E_CLASSSTRING, GUID_NULL},
      {{{"A\\CurVer", "B"}, {"B\\CurVer", "A"}}, CO_E_CLASSSTRING, GUID_NULL},
      {{{"A\\CurVer", "B"}, {"B\\CurVer", "C"}, {"C\\CLSID", u}}, CO_E_CLASSSTRING, GUID_NULL},
  };
  for (const auto& [defaults, expected, expectedClass] : cases) {
    RegistryDocument doc;
    for (const auto& [key, text] : defaults) doc.SetString("HKEY_CLASSES_ROOT\\" + key, "", text);
    doc.CreateKey("HKEY_CLASSES_ROOT\\A");
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(doc, "A", clsid), expected) << defaults[0].second;
    EXPECT_EQ(clsid, expectedClass) << defaults[0].second;
  }
}

TEST(CoCreateInstanceTest, EachFailureHasItsCodeAndAMessage) {
  const std::string server =
      "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(CLSID_GraphGenerator) + "\\InprocServer32";
  const CLSID kOurs = CLSID_GraphGenerator;
  const RegistryDocument none, ours = Registered(), empty = Registered(""),
                               relative = Registered("lib/libtessaloom.so.0");
  RegistryDocument noServer = Registered(), dwordServer = Registered(), foreign = Registered();
  noServer.DeleteKeyTree(server);
  dwordServer.SetDword(server, "", 7);
  foreign.SetString("HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(kOtherClass) + "\\InprocServer32",
                    "", kServer);
  // The registry, the class asked for, the result, part of the message, whether it loads.
  const std::tuple<const RegistryDocument&, CLSID, HRESULT, const char*, bool> cases[] = {
      {none, kOurs, REGDB_E_CLASSNOTREG, "is not registered", false},
      {ours, kOtherClass, REGDB_E_CLASSNOTREG, "is not registered", false},
      {noServer, kOurs, REGDB_E_CLASSNOTREG, "no registered server", false},
      {empty, kOurs, REGDB_E_CLASSNOTREG, "no registered server", false},
      {dwordServer, kOurs, REGDB_E_CLASSNOTREG, "no registered server", false},
      {relative, kOurs, CO_E_DLLNOTFOUND, "not a full path", false},
      {foreign, kOtherClass, CLASS_E_CLASSNOTAVAILABLE, "did not hand out the class", true},
  };
  const long before = ModuleLockCount();
  for (const auto& [doc, clsid, expected, message, loads] : cases) {
    FakeLoader loader;
    void* object = reinterpret_cast<void*>(1);
    std::string error;
    EXPECT_EQ(CoCreateInstance(doc, loader, clsid, nullptr, IID_IDispatch, &object, error),
              expected)
        << error;
    EXPECT_EQ(object, nullptr) << error;
    EXPECT_NE(error.find(message), std::string::npos) << message << ": " << error;
    EXPECT_EQ(loader.loaded, loads) << error;
  }
  EXPECT_EQ(ModuleLockCount(), before);
}

constexpr GUID kSample{
    0x4F463A34, 0x8A46, 0x437E, {0x8B, 0x62, 0x42, 0x27, 0x17, 0xE9, 0x95, 0x46}};
constexpr const char* kSampleText = "{4F463A34-8A46-437E-8B62-422717E99546}";

TEST(GuidTest, PrintsUpperCaseAndParsesAnyCase) {
  EXPECT_EQ(GuidToString(kSample), kSampleText);
  const GUID allOnes{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  EXPECT_EQ(GuidToString(allOnes), "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}");
  EXPECT_EQ(GuidFromString("{4f463A34-8a46-437E-8B62-422717e99546}"), kSample);
}

TEST(GuidTest, RejectsAnythingButTheExactBracedForm) {
  const std::string malformed[] = {
      "",
      "4F463A34-8A46-437E-8B62-422717E99546",     // no braces
      "{4F463A34-8A46-437E-8B62-422717E9954}",    // one digit short
      "{4F463A3-48A46-437E-8B62-422717E99546}",   // dash moved
      "{4f463a34-8a46-437e-8b62-422717e9954g}",   // bad hex digit
      "{+F463A34-8A46-437E-8B62-422717E99546}",   // sign inside a field
      "{4F463A34-8A46-437E-8B62-422717E99546}x",  // trailing text
      std::string("{4F463A34-8A46-437E-8B62-422717E9954\0}", 38),
  };
  for (const std::string& text : malformed) {
    EXPECT_FALSE(GuidFromString(text).has_value()) << '"' << text << '"';
  }
  for (const std::size_t dash : {9u, 14u, 19u, 24u}) {  // a digit for a dash: right length only
    std::string text = kSampleText;
    text[dash] = '0';
    EXPECT_FALSE(GuidFromString(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace tessaloom

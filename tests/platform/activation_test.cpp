#include "platform/activation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <latch>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "component/igraph_generator.h"
#include "component/module.h"
#include "component/registration.h"
#include "tests/platform/registry_file_scope.h"

namespace tessaloom {
namespace {

using testing::RegistryFileScope;

constexpr char kServer[] = "/srv/lib/libtessaloom.so.0";
// {0BADC0DE-0000-4000-8000-000000000001}
constexpr CLSID kOtherClass{0x0BADC0DE, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 1}};

// Serves libraries from a table instead of the disk, and counts the loads.
class FakeLoader final : public ServerLoader {
 public:
  HRESULT FindClassObjectEntry(const std::string& path, DllGetClassObjectFunction& entry,
                               std::string& error) noexcept override {
    requested.push_back(path);
    const auto it = libraries.find(path);
    if (it == libraries.end()) {
      entry = nullptr;
      error = path + ": cannot open shared object file: No such file or directory";
      return CO_E_DLLNOTFOUND;
    }
    entry = it->second;
    return S_OK;
  }
  std::map<std::string, DllGetClassObjectFunction> libraries{{kServer, &DllGetClassObject}};
  std::vector<std::string> requested;
};

RegistryDocument Registered(std::string_view server = kServer) {
  RegistryDocument doc;
  AddServerEntries(doc, server);
  return doc;
}

TEST(CLSIDFromProgIDTest, TheVersionIndependentProgIdLeadsThroughCurVer) {
  const std::string root = "HKEY_CLASSES_ROOT\\";
  const std::string other = GuidToString(kOtherClass);
  const std::string ours = GuidToString(CLSID_GraphGenerator);
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> defaults;  // key, default value
    HRESULT expected;
    CLSID clsid;
  };
  const Case cases[] = {
      {"CurVer's class wins over the key's own",
       {{"A\\CLSID", other}, {"A\\CurVer", "A.2"}, {"A.2\\CLSID", ours}},
       S_OK,
       CLSID_GraphGenerator},
      {"CurVer naming nothing falls back to the own CLSID",
       {{"A\\CLSID", other}, {"A\\CurVer", "A.9"}},
       S_OK,
       kOtherClass},
      {"CurVer alone", {{"A\\CurVer", "A.2"}, {"A.2\\CLSID", ours}}, S_OK, CLSID_GraphGenerator},
      {"CurVer leaving the root is not followed",
       {{"A\\CurVer", "A.2\\CLSID"}, {"A.2\\CLSID\\CLSID", ours}},
       CO_E_CLASSSTRING,
       GUID_NULL},
      {"a loop of CurVer keys ends",
       {{"A\\CurVer", "B"}, {"B\\CurVer", "A"}},
       CO_E_CLASSSTRING,
       GUID_NULL},
      {"only one step is taken",
       {{"A\\CurVer", "B"}, {"B\\CurVer", "C"}, {"C\\CLSID", ours}},
       CO_E_CLASSSTRING,
       GUID_NULL},
  };
  for (const Case& c : cases) {
    RegistryDocument doc;
    for (const auto& [key, text] : c.defaults) doc.SetString(root + key, "", text);
    doc.CreateKey(root + "A");
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(doc, "A", clsid), c.expected) << c.name;
    EXPECT_EQ(clsid, c.clsid) << c.name;
  }
}

TEST(CoCreateInstanceTest, EachFailureHasItsCodeAndAMessage) {
  struct Case {
    const char* name;
    RegistryDocument doc;
    CLSID clsid;
    HRESULT expected;
    const char* message;
    bool loads;
  };
  RegistryDocument no_server = Registered();
  no_server.DeleteKeyTree(
      "HKEY_CLASSES_ROOT\\CLSID\\{4F463A34-8A46-437E-8B62-422717E99546}\\InprocServer32");
  RegistryDocument empty_server = Registered("");
  RegistryDocument foreign_class = Registered();
  foreign_class.SetString(
      "HKEY_CLASSES_ROOT\\CLSID\\" + GuidToString(kOtherClass) + "\\InprocServer32", "", kServer);
  RegistryDocument dword_server = Registered();
  dword_server.SetDword(
      "HKEY_CLASSES_ROOT\\CLSID\\{4F463A34-8A46-437E-8B62-422717E99546}\\InprocServer32", "", 7);
  Case cases[] = {
      {"nothing registered", RegistryDocument(), CLSID_GraphGenerator, REGDB_E_CLASSNOTREG,
       "is not registered", false},
      {"another class", Registered(), kOtherClass, REGDB_E_CLASSNOTREG, "is not registered", false},
      {"no InprocServer32", std::move(no_server), CLSID_GraphGenerator, REGDB_E_CLASSNOTREG,
       "no registered server", false},
      {"empty server path", std::move(empty_server), CLSID_GraphGenerator, REGDB_E_CLASSNOTREG,
       "no registered server", false},
      {"server path not text", std::move(dword_server), CLSID_GraphGenerator, REGDB_E_CLASSNOTREG,
       "no registered server", false},
      {"relative server path", Registered("lib/libtessaloom.so.0"), CLSID_GraphGenerator,
       CO_E_DLLNOTFOUND, "not a full path", false},
      {"library missing", Registered("/nowhere/libtessaloom.so.0"), CLSID_GraphGenerator,
       CO_E_DLLNOTFOUND, "/nowhere/libtessaloom.so.0: cannot open shared object file", true},
      {"library serves other classes", std::move(foreign_class), kOtherClass,
       CLASS_E_CLASSNOTAVAILABLE, "did not hand out the class", true},
  };
  const long before = ModuleLockCount();
  for (Case& c : cases) {
    FakeLoader loader;
    void* object = reinterpret_cast<void*>(1);
    std::string error;
    EXPECT_EQ(CoCreateInstance(c.doc, loader, c.clsid, nullptr, IID_IDispatch, &object, error),
              c.expected)
        << c.name;
    EXPECT_EQ(object, nullptr) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(!loader.requested.empty(), c.loads) << c.name;
  }
  EXPECT_EQ(ModuleLockCount(), before);
}

// From the registry file, as a host creates objects.

TEST(CreateObjectFromProgIDTest, ManyThreadsCreateThroughTheRegistryAtOnce) {
  RegistryFileScope registry;
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const long before = ModuleLockCount();
  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  std::vector<HRESULT> results(kThreads * 20, E_FAIL);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int i = 0; i < 20; ++i) {
        ComPtr<IDispatch> object;
        std::string error;
        results[static_cast<std::size_t>(t * 20 + i)] = CreateObjectFromProgID(
            i % 2 ? "Tessaloom.GraphGenerator" : "Tessaloom.GraphGenerator.1", IID_IDispatch,
            object.out(), error);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (HRESULT hr : results) EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(ModuleLockCount(), before);
}

}  // namespace
}  // namespace tessaloom

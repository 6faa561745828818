// The class factory and the module count: aggregation, server locks, unloading, many threads.
#include "tessaloom/module.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/activation.h"
#include "tessaloom/igraph_generator.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom {
namespace {

// Aggregates a GraphGenerator by its non-delegating unknown; answers IID_IUnknown, counts calls.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) noexcept override {
    ++queries;
    if (iid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, object);
  }
  ULONG AddRef() noexcept override { return ++addRefs, ++references; }
  ULONG Release() noexcept override { return ++releases, --references; }

  ComPtr<IUnknown> inner;
  ULONG references = 1;
  int queries = 0, addRefs = 0, releases = 0;
};

ComPtr<IClassFactory> Factory() {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out()), S_OK);
  return factory;
}

// The inner object's interfaces delegate, its own unknown counts itself, and an outer object must
// ask for that unknown.
TEST(AggregationTest, TheInnerObjectsInterfacesDelegateAndItsUnknownCountsItself) {
  const long before = ModuleLockCount();
  Outer outer;
  ASSERT_EQ(Factory()->CreateInstance(&outer, IID_IUnknown, outer.inner.out()), S_OK);
  EXPECT_EQ(ModuleLockCount(), before + 1);
  EXPECT_EQ(outer.addRefs, 0);  // the inner object holds no reference to the outer one

  ComPtr<IGraphGenerator> generator;
  ASSERT_EQ(outer.QueryInterface(IID_IGraphGenerator, generator.out()), S_OK);
  EXPECT_EQ(outer.references, 2u);  // the reference handed out is the outer object's
  EXPECT_EQ(generator->AddRef(), 3u);
  EXPECT_EQ(generator->Release(), 2u);
  void* identity = nullptr;
  ASSERT_EQ(generator->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  outer.Release();
  generator.Reset();

  // The non-delegating unknown is the inner object itself and counts on its own.
  void* self = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, &self), S_OK);
  EXPECT_EQ(self, outer.inner.get());
  EXPECT_EQ(outer.inner->Release(), 1u);
  EXPECT_EQ(outer.references, 1u);
  outer.inner.Reset();  // the outer object's end releases the inner object
  EXPECT_EQ(ModuleLockCount(), before);

  for (const IID& iid : {IID_IDispatch, IID_IGraphGenerator, IID_IClassFactory}) {
    Outer other;
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(Factory()->CreateInstance(&other, iid, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(other.queries + other.addRefs + other.releases, 0);
  }
  EXPECT_EQ(Factory()->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST(ModuleCountTest, ServerLocksKeepTheLibraryAndUnbalancedUnlocksAreRefused) {
  ASSERT_EQ(ModuleLockCount(), 0);
  ComPtr<IClassFactory> factory = Factory();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);  // a factory reference alone holds nothing
  for (bool lock : {true, true, false}) ASSERT_EQ(factory->LockServer(lock), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  ASSERT_EQ(factory->LockServer(false), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  EXPECT_EQ(factory->LockServer(false), E_UNEXPECTED);
  EXPECT_EQ(ModuleLockCount(), 0);
}

// With no registry file the library's own ProgIDs still give its class; any
// other ProgID fails with a message that says how to register a server.
TEST(CreateObjectFromProgIDTest, FallsBackToTheOwnClassOnly) {
  const test_support::RegistryFileScope registry;
  for (const auto& [progId, expected] : {std::pair{"tessaloom.graphGenerator.1", S_OK},
                                         std::pair{"Tessaloom.Other", CO_E_CLASSSTRING}}) {
    ComPtr<IDispatch> object;
    std::string error;
    EXPECT_EQ(CreateObjectFromProgID(progId, IID_IDispatch, object.out(), error), expected);
    EXPECT_EQ((object.get() != nullptr), (expected == S_OK)) << progId;
    EXPECT_EQ(error.find("tessaloom register") != std::string::npos, expected != S_OK) << error;
  }
}

// While a lock is held, no moment looks unloadable, however many threads create (now and then
// through the registry file and the library loader), aggregate and lock at once.
TEST(ModuleCountTest, CountsStayExactWhenManyThreadsCreateAndLockAtOnce) {
  test_support::RegistryFileScope registry;
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const long before = ModuleLockCount();
  ComPtr<IClassFactory> factory = Factory();
  ASSERT_EQ(factory->LockServer(true), S_OK);
  std::atomic<int> failures{0};
  std::atomic<bool> done{false};
  std::jthread watcher([&] {
    while (!done) failures += DllCanUnloadNow() != S_FALSE;
  });
  std::vector<std::jthread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 400; ++i) {
        ComPtr<IClassFactory> f;
        ComPtr<IDispatch> plain, registered;
        Outer outer;
        std::string error;
        failures +=
            DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, f.out()) != S_OK ||
            f->LockServer(true) != S_OK ||
            f->CreateInstance(nullptr, IID_IDispatch, plain.out()) != S_OK ||
            f->CreateInstance(&outer, IID_IUnknown, outer.inner.out()) != S_OK ||
            (i % 20 == 0 && CreateObjectFromProgID(
                                i % 40 ? "Tessaloom.GraphGenerator" : "Tessaloom.GraphGenerator.1",
                                IID_IDispatch, registered.out(), error) != S_OK) ||
            f->LockServer(false) != S_OK;
      }
    });
  }
  threads.clear();  // joins
  done = true;
  watcher.join();
  EXPECT_EQ(failures.load(), 0);
  ASSERT_EQ(factory->LockServer(false), S_OK);
  EXPECT_EQ(ModuleLockCount(), before);
}

}  // namespace
}  // namespace tessaloom

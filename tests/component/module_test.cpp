#include "component/module.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include "component/igraph_generator.h"
#include "platform/bstr.h"

namespace tessaloom {
namespace {

// An object that aggregates a GraphGenerator the way aggregating objects do:
// it holds the inner object by its non-delegating unknown, answers
// IID_IUnknown itself and asks the inner object for everything else. It
// counts every call it receives and lives on the test's stack.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) noexcept override {
    ++queries;
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    if (!inner) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    return inner->QueryInterface(iid, object);
  }
  ULONG AddRef() noexcept override {
    ++addRefs;
    return ++references;
  }
  ULONG Release() noexcept override {
    ++releases;
    return --references;
  }

  ComPtr<IUnknown> inner;
  ULONG references = 1;
  int queries = 0;
  int addRefs = 0;
  int releases = 0;
};

ComPtr<IClassFactory> Factory() {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out()), S_OK);
  return factory;
}

TEST(AggregationTest, InterfacesOfTheInnerObjectSendEveryUnknownCallToTheOuterObject) {
  const long before = ModuleLockCount();
  Outer outer;
  ComPtr<IClassFactory> factory = Factory();
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.out()), S_OK);
  EXPECT_EQ(ModuleLockCount(), before + 1);
  EXPECT_EQ(outer.addRefs, 0);  // the inner object holds no reference to the outer one

  ComPtr<IGraphGenerator> generator;
  ASSERT_EQ(outer.QueryInterface(IID_IGraphGenerator, generator.out()), S_OK);
  EXPECT_EQ(outer.addRefs, 1);  // the reference handed out is the outer object's
  EXPECT_EQ(outer.references, 2u);

  EXPECT_EQ(generator->AddRef(), 3u);
  EXPECT_EQ(generator->Release(), 2u);
  EXPECT_EQ(outer.addRefs, 2);
  EXPECT_EQ(outer.releases, 1);

  // One identity: IUnknown asked of any interface is the outer object.
  void* identity = nullptr;
  const int queries = outer.queries;
  ASSERT_EQ(generator->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  EXPECT_EQ(outer.queries, queries + 1);
  outer.Release();
  ComPtr<ISupportErrorInfo> info;
  ASSERT_EQ(generator->QueryInterface(IID_ISupportErrorInfo, info.out()), S_OK);
  EXPECT_EQ(outer.queries, queries + 2);
  EXPECT_EQ(info->InterfaceSupportsErrorInfo(IID_IGraphGenerator), S_OK);
  info.Reset();

  // The object works through the aggregate.
  Bstr title(std::u16string_view(u"aggregated"));
  EXPECT_EQ(generator->put_ChartTitle(title.get()), S_OK);
  Bstr reason;
  EXPECT_EQ(generator->get_ErrorReason(reason.out()), S_OK);
  EXPECT_EQ(BstrToUtf8(reason.get()), "");

  generator.Reset();
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(ModuleLockCount(), before + 1);
  outer.inner.Reset();  // the outer object's end releases the inner object
  EXPECT_EQ(ModuleLockCount(), before);
}

TEST(AggregationTest, TheInnerUnknownCountsItsOwnReferences) {
  Outer outer;
  ASSERT_EQ(Factory()->CreateInstance(&outer, IID_IUnknown, outer.inner.out()), S_OK);
  void* self = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, &self), S_OK);
  EXPECT_EQ(self, outer.inner.get());
  EXPECT_NE(self, static_cast<void*>(&outer));
  EXPECT_EQ(outer.inner->AddRef(), 3u);
  EXPECT_EQ(outer.inner->Release(), 2u);
  EXPECT_EQ(outer.inner->Release(), 1u);
  EXPECT_EQ(outer.addRefs, 0);
  EXPECT_EQ(outer.releases, 0);
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(outer.inner->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(outer.inner->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
}

TEST(AggregationTest, AnOuterObjectMustAskForTheInnerUnknown) {
  const long before = ModuleLockCount();
  ComPtr<IClassFactory> factory = Factory();
  for (const IID& iid :
       {IID_IDispatch, IID_IGraphGenerator, IID_ISupportErrorInfo, IID_IClassFactory}) {
    Outer outer;
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, iid, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(outer.queries + outer.addRefs + outer.releases, 0);
  }
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(ModuleLockCount(), before);
}

TEST(ModuleCountTest, TheLibraryCanUnloadOnlyWithNoObjectAndNoLockAndUnbalancedUnlocksAreRefused) {
  ASSERT_EQ(ModuleLockCount(), 0);
  ComPtr<IClassFactory> factory = Factory();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);  // a factory reference alone holds nothing
  Outer outer;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.out()), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  outer.inner.Reset();
  EXPECT_EQ(DllCanUnloadNow(), S_OK);

  ASSERT_EQ(factory->LockServer(true), S_OK);
  ASSERT_EQ(factory->LockServer(true), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  ASSERT_EQ(factory->LockServer(false), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  ASSERT_EQ(factory->LockServer(false), S_OK);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  // An unlock without a lock is refused and counts nothing.
  EXPECT_EQ(factory->LockServer(false), E_UNEXPECTED);
  EXPECT_EQ(ModuleLockCount(), 0);
}

TEST(ModuleCountTest, CountsStayExactWhenManyThreadsCreateAndLockAtOnce) {
  const long before = ModuleLockCount();
  ComPtr<IClassFactory> factory = Factory();
  ASSERT_EQ(factory->LockServer(true), S_OK);  // held throughout
  constexpr int kThreads = 8;
  constexpr int kRounds = 400;
  std::latch start(kThreads + 1);
  std::atomic<int> failures{0};
  std::atomic<bool> done{false};
  std::atomic<int> unloadable{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      start.arrive_and_wait();
      for (int i = 0; i < kRounds; ++i) {
        ComPtr<IClassFactory> f;
        ComPtr<IDispatch> plain;
        Outer outer;
        if (DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, f.out()) != S_OK ||
            f->LockServer(true) != S_OK ||
            f->CreateInstance(nullptr, IID_IDispatch, plain.out()) != S_OK ||
            f->CreateInstance(&outer, IID_IUnknown, outer.inner.out()) != S_OK ||
            f->LockServer(false) != S_OK) {
          ++failures;
        }
      }
    });
  }
  // While the lock above is held, no moment may look unloadable.
  std::thread watcher([&] {
    start.arrive_and_wait();
    while (!done.load()) {
      if (DllCanUnloadNow() != S_FALSE) ++unloadable;
    }
  });
  for (std::thread& t : threads) t.join();
  done = true;
  watcher.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(unloadable.load(), 0);
  EXPECT_EQ(ModuleLockCount(), before + 1);
  ASSERT_EQ(factory->LockServer(false), S_OK);
  EXPECT_EQ(ModuleLockCount(), before);
}

}  // namespace
}  // namespace tessaloom

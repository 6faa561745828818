#include "tessaloom/module.h"

#include <atomic>

#include "component/graph_generator.h"
#include "platform/com_object.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

// Live objects plus locks: the one number DllCanUnloadNow reads, so a lock
// taken before an object is created and dropped after can never let it read
// zero in between.
std::atomic<long> gLockCount{0};
// Locks alone, so that an unlock without a lock can be refused.
std::atomic<long> gServerLocks{0};

// The one class factory. It is a static object with no count of its own:
// references to it only keep the module's lock count honest through
// LockServer, as the server's factories conventionally do.
class GraphGeneratorFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) noexcept override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() noexcept override { return 2; }
  ULONG Release() noexcept override { return 1; }

  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer == nullptr) return CreateGraphGenerator(iid, object);
    // An aggregating object must hold the inner object by its own unknown.
    if (iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    ComAggObject<CGraphGenerator>* created = nullptr;
    try {
      created = new ComAggObject<CGraphGenerator>(outer);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    created->AddRef();
    *object = static_cast<IUnknown*>(created);
    return S_OK;
  }
  HRESULT LockServer(bool lock) noexcept override { return ModuleLockServer(lock); }
};

GraphGeneratorFactory gFactory;

}  // namespace

void ModuleAddObject() noexcept { gLockCount.fetch_add(1, std::memory_order_relaxed); }
void ModuleReleaseObject() noexcept { gLockCount.fetch_sub(1, std::memory_order_acq_rel); }

HRESULT ModuleLockServer(bool lock) noexcept {
  if (lock) {
    gLockCount.fetch_add(1, std::memory_order_relaxed);
    gServerLocks.fetch_add(1, std::memory_order_relaxed);
    return S_OK;
  }
  long locks = gServerLocks.load(std::memory_order_relaxed);
  do {
    if (locks <= 0) return E_UNEXPECTED;
  } while (!gServerLocks.compare_exchange_weak(locks, locks - 1, std::memory_order_relaxed));
  gLockCount.fetch_sub(1, std::memory_order_acq_rel);
  return S_OK;
}

long ModuleLockCount() noexcept { return gLockCount.load(std::memory_order_acquire); }

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_GraphGenerator) return CLASS_E_CLASSNOTAVAILABLE;
  return gFactory.QueryInterface(iid, object);
}

HRESULT ClassFromProgId(std::string_view progId, CLSID* clsid) noexcept {
  if (clsid == nullptr) return E_POINTER;
  if (EqualsIgnoreAsciiCase(progId, kProgId) ||
      EqualsIgnoreAsciiCase(progId, kVersionIndependentProgId)) {
    *clsid = CLSID_GraphGenerator;
    return S_OK;
  }
  *clsid = GUID_NULL;
  return CO_E_CLASSSTRING;
}

}  // namespace tessaloom

extern "C" tessaloom::HRESULT DllGetClassObject(const tessaloom::CLSID& clsid,
                                                const tessaloom::IID& iid, void** object) noexcept {
  return tessaloom::GetClassObject(clsid, iid, object);
}

extern "C" tessaloom::HRESULT DllCanUnloadNow() noexcept {
  return tessaloom::ModuleLockCount() == 0 ? tessaloom::S_OK : tessaloom::S_FALSE;
}

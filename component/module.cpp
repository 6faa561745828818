#include "component/module.h"

#include <atomic>

#include "component/graph_generator.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

std::atomic<long> g_lock_count{0};

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
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreateGraphGenerator(iid, object);
  }
  HRESULT LockServer(bool lock) noexcept override {
    if (lock) {
      ModuleAddObject();
    } else {
      ModuleReleaseObject();
    }
    return S_OK;
  }
};

GraphGeneratorFactory g_factory;

}  // namespace

void ModuleAddObject() noexcept { g_lock_count.fetch_add(1, std::memory_order_relaxed); }
void ModuleReleaseObject() noexcept { g_lock_count.fetch_sub(1, std::memory_order_acq_rel); }
long ModuleLockCount() noexcept { return g_lock_count.load(std::memory_order_acquire); }

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_GraphGenerator) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, object);
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

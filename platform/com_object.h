// The reference-counting shells around an object class T that implements its
// interfaces and InternalQueryInterface:
//   ComObject<T>     a stand-alone object;
//   ComAggObject<T>  an object aggregated into an outer object.
// Counts are not atomic: an object lives in one apartment and is called from
// one thread at a time. Each shell deletes itself when its last reference goes.
#pragma once

#include <utility>

#include "tessaloom/com.h"

namespace tessaloom {

template <class T>
class ComObject final : public T {
 public:
  template <class... Args>
  explicit ComObject(Args&&... args) : T(std::forward<Args>(args)...) {}

  HRESULT QueryInterface(REFIID iid, void** object) noexcept override {
    return this->InternalQueryInterface(iid, object);
  }
  ULONG AddRef() noexcept override { return ++references_; }
  ULONG Release() noexcept override {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
  }

 private:
  ULONG references_ = 0;
};

// T inside an aggregate: every IUnknown call made through one of T's
// interfaces goes to the outer object, so the aggregate has one identity and
// one reference count. The outer pointer is not counted: the outer object owns
// the inner one, not the other way round.
template <class T>
class ComContainedObject final : public T {
 public:
  template <class... Args>
  explicit ComContainedObject(IUnknown* outer, Args&&... args)
      : T(std::forward<Args>(args)...), outer_(outer) {}

  HRESULT QueryInterface(REFIID iid, void** object) noexcept override {
    return outer_->QueryInterface(iid, object);
  }
  ULONG AddRef() noexcept override { return outer_->AddRef(); }
  ULONG Release() noexcept override { return outer_->Release(); }

  [[nodiscard]] IUnknown* Outer() const noexcept { return outer_; }

 private:
  IUnknown* outer_;
};

// The inner object of an aggregate. It is itself the non-delegating IUnknown
// that the class factory hands to the outer object (which keeps it as its
// only reference to the inner object and releases it when it is destroyed):
// its QueryInterface answers IID_IUnknown with itself and every other
// interface from T, whose pointers delegate to the outer object.
template <class T>
class ComAggObject final : public IUnknown {
 public:
  template <class... Args>
  explicit ComAggObject(IUnknown* outer, Args&&... args)
      : contained_(outer, std::forward<Args>(args)...) {}
  ComAggObject(const ComAggObject&) = delete;
  ComAggObject& operator=(const ComAggObject&) = delete;
  ~ComAggObject() = default;

  HRESULT QueryInterface(REFIID iid, void** object) noexcept override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return contained_.InternalQueryInterface(iid, object);
  }
  ULONG AddRef() noexcept override { return ++references_; }
  ULONG Release() noexcept override {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
  }

  // The aggregated object itself.
  [[nodiscard]] T& Object() noexcept { return contained_; }

 private:
  ULONG references_ = 0;
  ComContainedObject<T> contained_;
};

}  // namespace tessaloom

// ComObject<T>: the reference-counting shell around an object class T that
// implements its interfaces and InternalQueryInterface. The count is not
// atomic: an object lives in one apartment and is called from one thread at
// a time. The object deletes itself when the last reference goes.
#pragma once

#include <utility>

#include "platform/com.h"

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

}  // namespace tessaloom

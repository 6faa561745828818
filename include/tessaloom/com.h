// The object model of the automation layer: IUnknown, IDispatch,
// IClassFactory and ISupportErrorInfo as abstract classes, with the argument
// structures of late-bound calls. Reference counting and interface queries
// follow the usual rules: an out pointer returned with S_OK carries one
// reference that the caller releases. No binary compatibility with other
// object systems is sought.
#pragma once

#include <cstdint>

#include "tessaloom/bstr.h"
#include "tessaloom/guid.h"
#include "tessaloom/hresult.h"
#include "tessaloom/variant.h"

namespace tessaloom {

using UINT = std::uint32_t;
using WORD = std::uint16_t;

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020400-0000-0000-C000-000000000046}
inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {DF0B3D60-548F-101B-8E65-08002B2BD119}
inline constexpr IID IID_ISupportErrorInfo{
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

// Invoke flags.
inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

// Arguments of a late-bound call. As on Windows, rgvarg holds them in
// reverse order: rgvarg[cArgs - 1] is the first argument. A property put
// passes its value as one named argument with the DISPID DISPID_PROPERTYPUT.
struct DISPPARAMS {
  VARIANT* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  UINT cArgs = 0;
  UINT cNamedArgs = 0;
};

// Filled by Invoke when a member fails; the caller frees the BSTRs.
struct EXCEPINFO {
  std::uint16_t wCode = 0;
  BSTR bstrSource = nullptr;
  BSTR bstrDescription = nullptr;
  HRESULT scode = S_OK;
};

class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** object) noexcept = 0;
  virtual ULONG AddRef() noexcept = 0;
  virtual ULONG Release() noexcept = 0;

 protected:
  ~IUnknown() = default;
};

class ITypeInfo;  // Not offered: the type description is static (see GetTypeInfo).

class IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(UINT* count) noexcept = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, OLECHAR** names, UINT count, LCID lcid,
                                DISPID* ids) noexcept = 0;
  virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept = 0;

 protected:
  ~IDispatch() = default;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept = 0;
  virtual HRESULT LockServer(bool lock) noexcept = 0;

 protected:
  ~IClassFactory() = default;
};

class ISupportErrorInfo : public IUnknown {
 public:
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID iid) noexcept = 0;

 protected:
  ~ISupportErrorInfo() = default;
};

// Holds one reference to an interface and releases it at scope end.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  void Reset() noexcept {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }
  [[nodiscard]] T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // Releases what is held and returns the slot for a void** out parameter.
  void** out() noexcept {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  [[nodiscard]] T* Detach() noexcept {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace tessaloom

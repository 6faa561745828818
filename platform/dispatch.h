// Late binding over a static description of an interface: the stand-in for
// a type library plus the dispatcher that IDispatch implementations share.
// A description is a constant table; it is read by any number of threads.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "tessaloom/com.h"

namespace tessaloom {

enum class MemberKind : std::uint8_t { kPropertyGet, kPropertyPut, kMethod };

struct ParameterDescription {
  const char* name;
  VARTYPE type;  // VT_BSTR, VT_R4, VT_I4, VT_BOOL, or VT_VARIANT (passed as given)
};

// Calls the member on `self` with arguments already coerced to the declared
// types, in declared order. A property get stores its value in `result`
// (never null here); the thunk owns nothing it is given.
using MemberThunk = HRESULT (*)(IDispatch* self, VARIANT* args, VARIANT* result) noexcept;

inline constexpr std::size_t kMaxParameters = 2;

struct MemberDescription {
  DISPID dispid;
  const char* name;
  MemberKind kind;
  std::uint8_t parameterCount;
  std::array<ParameterDescription, kMaxParameters> parameters;
  VARTYPE resultType;  // VT_EMPTY when the member returns only its HRESULT
  const char* helpString;
  MemberThunk invoke;
};

// A property both read and written has a get row and a put row with the same
// DISPID; Invoke picks the row whose kind the call's flags ask for.
struct InterfaceDescription {
  const char* name;
  IID iid;
  const char* helpString;
  std::span<const MemberDescription> members;  // in vtable order
};

// Case-insensitive (ASCII) lookup; null when the name is unknown.
const MemberDescription* FindMemberByName(const InterfaceDescription& description,
                                          std::string_view name) noexcept;
const MemberDescription* FindMemberByDispid(const InterfaceDescription& description,
                                            DISPID dispid) noexcept;

// IDispatch::GetIDsOfNames over a description: names[0] is a member, the
// rest its parameter names (answered with their positions). Unknown names
// get DISPID_UNKNOWN and the call answers DISP_E_UNKNOWNNAME.
HRESULT DispatchGetIDsOfNames(const InterfaceDescription& description, REFIID iid, OLECHAR** names,
                              UINT count, DISPID* ids) noexcept;

// IDispatch::Invoke over a description. Checks the kind against `flags`
// (DISP_E_MEMBERNOTFOUND), then places the arguments as COM lays them out:
// named ones first in rgvarg, in the order of rgdispidNamedArgs (a
// parameter's DISPID is its position, as GetIDsOfNames answers; a property
// put's value is named DISPID_PROPERTYPUT), then the positional ones last
// first. An unknown or repeated name, or one for a parameter also given by
// position, is DISP_E_PARAMNOTFOUND with `argError` the named argument's
// index; a put without its value or a named call that leaves a parameter out
// is DISP_E_PARAMNOTOPTIONAL; a wrong count otherwise DISP_E_BADPARAMCOUNT.
// Each argument is coerced to its parameter's type (DISP_E_TYPEMISMATCH,
// DISP_E_OVERFLOW or DISP_E_BADVARTYPE, with `argError` set to the
// argument's index in rgvarg), then the member is called. A success code of
// the member (S_OK, S_FALSE) is returned as it is; a failure code is
// returned as it is and also stored in `exception->scode`. `result`
// receives a property get's value (or VT_EMPTY) and may be null.
HRESULT DispatchInvoke(const InterfaceDescription& description, IDispatch* self, DISPID dispid,
                       REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argError) noexcept;

}  // namespace tessaloom

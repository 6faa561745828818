// The dispatcher on a description of its own: how member results reach the
// caller and how positional and named arguments find their parameters
// (keyword arguments as a script passes them: test_late_binding.py).
#include "platform/dispatch.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tessaloom {
namespace {

HRESULT Fails(IDispatch*, VARIANT*, VARIANT*) noexcept { return E_FAIL; }
HRESULT SaysFalse(IDispatch*, VARIANT*, VARIANT*) noexcept { return S_FALSE; }
// Pair and Item take integers and answer them as one number, first * 10 +
// second, so a case shows which argument reached which parameter.
HRESULT Pair(IDispatch*, VARIANT* a, VARIANT* result) noexcept {
  result->vt = VT_I4;
  result->lVal = a[0].lVal * 10 + a[1].lVal;
  return S_OK;
}

using Parameters = std::array<ParameterDescription, kMaxParameters>;
const std::array<MemberDescription, 4> kMembers{{
    {1, "Pair", MemberKind::kMethod, 2, Parameters{{{"first", VT_I4}, {"second", VT_I4}}}, VT_EMPTY,
     "", Pair},
    {2, "Item", MemberKind::kPropertyPut, 2, Parameters{{{"index", VT_I4}, {"newVal", VT_I4}}},
     VT_EMPTY, "", Pair},
    {3, "Fails", MemberKind::kMethod, 0, {}, VT_EMPTY, "", Fails},
    {4, "SaysFalse", MemberKind::kMethod, 0, {}, VT_EMPTY, "", SaysFalse},
}};
const InterfaceDescription kInterface{"ITest", GUID_NULL, "", kMembers};

constexpr DISPID kPut = DISPID_PROPERTYPUT;
constexpr UINT kNone = 0xFFFFFFFF;

struct NamedCase {
  const char* what;
  DISPID member;
  std::vector<std::int32_t> rgvarg;  // as the caller lays them out
  std::vector<DISPID> named;
  HRESULT hr;  // on success the answer is 12: each argument reached its parameter
  UINT argError;
};

TEST(DispatchInvokeTest, ArgumentsFindTheirParametersByPositionAndName) {
  const NamedCase cases[] = {
      {"positional, last first", 1, {2, 1}, {}, S_OK, kNone},
      {"both named, in order", 1, {1, 2}, {0, 1}, S_OK, kNone},
      {"negative name", 1, {1, 2}, {-5, 0}, DISP_E_PARAMNOTFOUND, 0},
      {"repeated name", 1, {1, 2}, {0, 0}, DISP_E_PARAMNOTFOUND, 1},
      {"put value on a method", 1, {2, 1}, {kPut}, DISP_E_PARAMNOTFOUND, 0},
      {"too few, no names", 1, {1}, {}, DISP_E_BADPARAMCOUNT, kNone},
      {"too many", 1, {3, 2, 1}, {}, DISP_E_BADPARAMCOUNT, kNone},
      {"more names than arguments", 1, {1}, {0, 1}, DISP_E_BADPARAMCOUNT, kNone},
      {"put, value named first", 2, {2, 1}, {kPut}, S_OK, kNone},
      {"put, index named too", 2, {2, 1}, {kPut, 0}, S_OK, kNone},
      {"put, names reversed", 2, {1, 2}, {0, kPut}, S_OK, kNone},
      {"put without its value", 2, {2, 1}, {}, DISP_E_PARAMNOTOPTIONAL, kNone},
      {"put, value named twice", 2, {2, 1}, {kPut, kPut}, DISP_E_PARAMNOTFOUND, 1},
      {"put value names no index", 2, {2, 1}, {kPut, 1}, DISP_E_PARAMNOTFOUND, 1},
      {"put, index left out", 2, {2}, {kPut}, DISP_E_BADPARAMCOUNT, kNone},
      // A member's result as it is; a failure reaches the caller's exception too.
      {"member fails", 3, {}, {}, E_FAIL, kNone},
      {"member says S_FALSE", 4, {}, {}, S_FALSE, kNone},
  };
  for (const NamedCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<VARIANT> values(c.rgvarg.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i].vt = VT_I4;
      values[i].lVal = c.rgvarg[i];
    }
    std::vector<DISPID> named = c.named;
    DISPPARAMS params{values.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(values.size()), static_cast<UINT>(named.size())};
    const WORD flags = c.member == 2 ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD;
    Variant result;
    UINT argError = kNone;
    EXCEPINFO info;
    EXPECT_EQ(DispatchInvoke(kInterface, nullptr, c.member, GUID_NULL, flags, &params, result.get(),
                             &info, &argError),
              c.hr);
    EXPECT_EQ(argError, c.argError);
    EXPECT_TRUE(c.member < 3 || info.scode == (FAILED(c.hr) ? c.hr : S_OK));
    EXPECT_TRUE(c.hr != S_OK || result->lVal == 12);
  }
}

}  // namespace
}  // namespace tessaloom

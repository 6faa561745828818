// The dispatcher on a description of its own (keyword arguments as a script
// passes them: test_late_binding.py).
#include "platform/dispatch.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tessaloom {
namespace {

HRESULT Fails(IDispatch*, VARIANT*, VARIANT*) noexcept { return E_FAIL; }
HRESULT SaysFalse(IDispatch*, VARIANT*, VARIANT*) noexcept { return S_FALSE; }
// Answers first * 10 + second, showing which argument reached which parameter.
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

TEST(DispatchInvokeTest, ArgumentsFindTheirParametersByPositionAndName) {
  // What, member, arguments as the caller lays them out, names, result (on
  // success the answer is 12), the argument at fault.
  const std::tuple<const char*, DISPID, std::vector<int>, std::vector<DISPID>, HRESULT, UINT>
      cases[] = {
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
  for (auto [what, member, rgvarg, named, hr, expectedArgError] : cases) {
    SCOPED_TRACE(what);
    std::vector<VARIANT> values(rgvarg.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i].vt = VT_I4;
      values[i].lVal = rgvarg[i];
    }
    DISPPARAMS params{values.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(values.size()), static_cast<UINT>(named.size())};
    const WORD flags = member == 2 ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD;
    Variant result;
    UINT argError = kNone;
    EXCEPINFO info;
    EXPECT_EQ(DispatchInvoke(kInterface, nullptr, member, GUID_NULL, flags, &params, result.get(),
                             &info, &argError),
              hr);
    EXPECT_EQ(argError, expectedArgError);
    EXPECT_TRUE(member < 3 || info.scode == (FAILED(hr) ? hr : S_OK));
    EXPECT_TRUE(hr != S_OK || result->lVal == 12);
  }
}

}  // namespace
}  // namespace tessaloom

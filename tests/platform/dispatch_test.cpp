// The dispatcher on a description of its own: how member results reach the
// caller and how positional and named arguments find their parameters.
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
constexpr std::int32_t kText = INT32_MIN;  // stands for the string "x"

struct NamedCase {
  const char* what;
  DISPID member;
  std::vector<std::int32_t> rgvarg;  // as the caller lays them out
  std::vector<DISPID> named;
  HRESULT hr;
  std::int32_t answer;  // first * 10 + second, when the call succeeds
  UINT argError;
};

TEST(DispatchInvokeTest, ArgumentsFindTheirParametersByPositionAndName) {
  const NamedCase cases[] = {
      {"positional, last first", 1, {2, 1}, {}, S_OK, 12, kNone},
      {"both named, in order", 1, {1, 2}, {0, 1}, S_OK, 12, kNone},
      {"both named, reversed", 1, {2, 1}, {1, 0}, S_OK, 12, kNone},
      {"named after a positional", 1, {2, 1}, {1}, S_OK, 12, kNone},
      {"unknown name", 1, {1, 2}, {0, 7}, DISP_E_PARAMNOTFOUND, 0, 1},
      {"negative name", 1, {1, 2}, {-5, 0}, DISP_E_PARAMNOTFOUND, 0, 0},
      {"repeated name", 1, {1, 2}, {0, 0}, DISP_E_PARAMNOTFOUND, 0, 1},
      {"named and positional", 1, {2, 1}, {0}, DISP_E_PARAMNOTFOUND, 0, 0},
      {"put value on a method", 1, {2, 1}, {kPut}, DISP_E_PARAMNOTFOUND, 0, 0},
      {"a named one missing", 1, {2}, {1}, DISP_E_PARAMNOTOPTIONAL, 0, kNone},
      {"too few, no names", 1, {1}, {}, DISP_E_BADPARAMCOUNT, 0, kNone},
      {"too many", 1, {3, 2, 1}, {}, DISP_E_BADPARAMCOUNT, 0, kNone},
      {"more names than arguments", 1, {1}, {0, 1}, DISP_E_BADPARAMCOUNT, 0, kNone},
      {"put, value named first", 2, {2, 1}, {kPut}, S_OK, 12, kNone},
      {"put, index named too", 2, {2, 1}, {kPut, 0}, S_OK, 12, kNone},
      {"put, names reversed", 2, {1, 2}, {0, kPut}, S_OK, 12, kNone},
      {"put without its value", 2, {2, 1}, {}, DISP_E_PARAMNOTOPTIONAL, 0, kNone},
      {"put, value named twice", 2, {2, 1}, {kPut, kPut}, DISP_E_PARAMNOTFOUND, 0, 1},
      {"put value names no index", 2, {2, 1}, {kPut, 1}, DISP_E_PARAMNOTFOUND, 0, 1},
      {"put, index left out", 2, {2}, {kPut}, DISP_E_BADPARAMCOUNT, 0, kNone},
      // A failed conversion names the argument's slot in rgvarg, not its parameter.
      {"named one does not convert", 1, {kText, 1}, {1}, DISP_E_TYPEMISMATCH, 0, 0},
      // A member's result as it is; a failure reaches the caller's exception too.
      {"member fails", 3, {}, {}, E_FAIL, 0, kNone},
      {"member says S_FALSE", 4, {}, {}, S_FALSE, 0, kNone},
  };
  const Variant text(std::u16string_view(u"x"));
  for (const NamedCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<VARIANT> values(c.rgvarg.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i].vt = VT_I4;
      values[i].lVal = c.rgvarg[i];
      if (c.rgvarg[i] == kText) values[i] = *text.get();
    }
    std::vector<DISPID> named = c.named;
    DISPPARAMS params{values.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(values.size()), static_cast<UINT>(named.size())};
    const WORD flags = c.member == 2 ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD;
    Variant result;
    UINT arg_error = kNone;
    EXCEPINFO info;
    EXPECT_EQ(DispatchInvoke(kInterface, nullptr, c.member, GUID_NULL, flags, &params, result.get(),
                             &info, &arg_error),
              c.hr);
    EXPECT_EQ(arg_error, c.argError);
    EXPECT_TRUE(c.member < 3 || info.scode == (FAILED(c.hr) ? c.hr : S_OK));
    if (c.hr == S_OK) {
      EXPECT_EQ(result->lVal, c.answer);
    }
  }
}

}  // namespace
}  // namespace tessaloom

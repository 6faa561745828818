// The dispatcher on a description of its own: how member results reach the caller.
#include "platform/dispatch.h"

#include <gtest/gtest.h>

#include <array>

namespace tessaloom {
namespace {

HRESULT Fails(IDispatch*, VARIANT*, VARIANT*) noexcept { return E_FAIL; }
HRESULT SaysFalse(IDispatch*, VARIANT*, VARIANT*) noexcept { return S_FALSE; }

const std::array<MemberDescription, 2> kMembers{{
    {1, "Fails", MemberKind::kMethod, 0, {}, VT_EMPTY, "method Fails", Fails},
    {2, "SaysFalse", MemberKind::kMethod, 0, {}, VT_EMPTY, "method SaysFalse", SaysFalse},
}};
const InterfaceDescription kInterface{"ITest", GUID_NULL, "ITest Interface", kMembers};

TEST(DispatchInvokeTest, MemberResultsReachTheCallerAsTheyAre) {
  EXCEPINFO info;
  DISPPARAMS none;
  EXPECT_EQ(DispatchInvoke(kInterface, nullptr, 1, GUID_NULL, DISPATCH_METHOD, &none, nullptr,
                           &info, nullptr),
            E_FAIL);
  EXPECT_EQ(info.scode, E_FAIL);
  EXCEPINFO untouched;
  EXPECT_EQ(DispatchInvoke(kInterface, nullptr, 2, GUID_NULL, DISPATCH_METHOD, &none, nullptr,
                           &untouched, nullptr),
            S_FALSE);
  EXPECT_EQ(untouched.scode, S_OK);
}

}  // namespace
}  // namespace tessaloom

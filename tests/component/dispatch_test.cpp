// What a script engine can ask of IDispatch beyond what the Python tests
// reach: parameter names, named arguments, interface IDs, missing argument
// blocks and types outside the subset. Names, counts and argument types as a
// script meets them are tested through Python.
#include <gtest/gtest.h>

#include <string>

#include "component/graph_generator.h"

namespace tessaloom {
namespace {

// One object driven through IDispatch the way a script engine does.
class LateBinding : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateGraphGenerator(IID_IDispatch, object_.out()), S_OK); }
  ComPtr<IDispatch> object_;
};

TEST_F(LateBinding, ParameterNamesGetTheirPositions) {
  std::u16string member = u"AddData", p1 = u"YVAL", p0 = u"xVal", bad = u"zVal";
  OLECHAR* names[] = {member.data(), p1.data(), p0.data(), bad.data()};
  DISPID ids[4] = {};
  EXPECT_EQ(object_->GetIDsOfNames(GUID_NULL, names, 4, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 4);
  EXPECT_EQ(ids[1], 1);
  EXPECT_EQ(ids[2], 0);
  EXPECT_EQ(ids[3], DISPID_UNKNOWN);
  EXPECT_EQ(object_->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  // A property both read and written: the get row comes first, the name is the put's.
  std::u16string property = u"OutputFormat", value = u"newVal";
  OLECHAR* property_names[] = {property.data(), value.data()};
  EXPECT_EQ(object_->GetIDsOfNames(GUID_NULL, property_names, 2, 0, ids), S_OK);
  EXPECT_EQ(ids[0], 50);
  EXPECT_EQ(ids[1], 0);
}

TEST_F(LateBinding, RefusesOtherInterfacesAndAcceptsAMissingArgumentBlock) {
  EXPECT_EQ(
      object_->Invoke(15, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(object_->Invoke(15, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(object_->Invoke(15, GUID_NULL, 0, 0, nullptr, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);  // no kind of call asked for
}

TEST_F(LateBinding, NamedArgumentsFollowThePropertyPutConvention) {
  Variant value(std::u16string_view(u"T"));
  DISPID named[] = {DISPID_PROPERTYPUT};
  DISPID wrong[] = {0};
  DISPPARAMS put{value.get(), named, 1, 1};
  DISPPARAMS unnamed{value.get(), nullptr, 1, 0};
  DISPPARAMS wrong_name{value.get(), wrong, 1, 1};
  EXPECT_EQ(object_->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(
      object_->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
      DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(object_->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &wrong_name, nullptr, nullptr,
                            nullptr),
            DISP_E_PARAMNOTFOUND);
  UINT arg_error = 7;
  EXPECT_EQ(object_->Invoke(43, GUID_NULL, 0, DISPATCH_METHOD, &put, nullptr, nullptr, &arg_error),
            DISP_E_PARAMNOTFOUND);  // a method has no value to put
  EXPECT_EQ(arg_error, 0u);
}

TEST_F(LateBinding, ATypeOutsideTheSubsetIsABadVarType) {
  VARIANT odd;
  odd.vt = 0x4242;
  DISPPARAMS params{&odd, nullptr, 1, 0};
  EXPECT_EQ(object_->Invoke(18, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            DISP_E_BADVARTYPE);
}

}  // namespace
}  // namespace tessaloom

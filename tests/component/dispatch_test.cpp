// What a script engine can ask of IDispatch beyond what the Python tests
// reach: parameter names, interface IDs and missing argument blocks. Names,
// counts and argument types as a script meets them are tested through Python,
// the argument mapping on the dispatcher's own table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  EXPECT_EQ(std::vector<DISPID>(ids, ids + 4), (std::vector<DISPID>{4, 1, 0, DISPID_UNKNOWN}));
  EXPECT_EQ(object_->GetIDsOfNames(IID_IDispatch, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
  // A property both read and written: the get row comes first, the name is the put's.
  std::u16string property = u"OutputFormat", value = u"newVal";
  OLECHAR* property_names[] = {property.data(), value.data()};
  EXPECT_EQ(object_->GetIDsOfNames(GUID_NULL, property_names, 2, 0, ids), S_OK);
  EXPECT_EQ(std::vector<DISPID>(ids, ids + 2), (std::vector<DISPID>{50, 0}));
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

}  // namespace
}  // namespace tessaloom

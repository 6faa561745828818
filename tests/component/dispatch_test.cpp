// Late binding through the static type description, as a script engine
// drives the object: GetIDsOfNames, then Invoke with VARIANT arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/type_library.h"
#include "platform/text.h"
#include "tests/component/test_support.h"

namespace tessaloom {
namespace {

using testing::B;
using testing::NewGenerator;

template <class... V>
std::vector<Variant> Args(V&&... values) {
  std::vector<Variant> args;
  (args.push_back(std::forward<V>(values)), ...);
  return args;
}

TEST(TypeLibraryTest, DescribesTheInterfaceInVtableOrder) {
  const InterfaceDescription& iface = GraphGeneratorInterface();
  ASSERT_EQ(iface.members.size(), 39u);
  std::vector<DISPID> ids;
  for (const MemberDescription& m : iface.members) ids.push_back(m.dispid);
  std::vector<DISPID> expected;
  for (DISPID id = 1; id <= 37; ++id) expected.push_back(id);
  expected.push_back(40);
  expected.push_back(43);
  EXPECT_EQ(ids, expected);
  EXPECT_STREQ(iface.helpString, "IGraphGenerator Interface");
  EXPECT_EQ(iface.iid, IID_IGraphGenerator);

  const TypeLibraryDescription& lib = TessaloomTypeLibrary();
  EXPECT_STREQ(lib.name, "TESSALOOMLib");
  EXPECT_EQ(GuidToString(lib.libid), "{1F9E95CB-6957-4BC9-AF99-C2DE36F1CAA5}");
  EXPECT_EQ(GuidToString(lib.clsid), "{4F463A34-8A46-437E-8B62-422717E99546}");
  EXPECT_EQ(GuidToString(iface.iid), "{4BB9C6F2-DE51-46B5-82B7-5B74648E0CD9}");
  EXPECT_EQ(lib.majorVersion, 1);
  EXPECT_EQ(lib.minorVersion, 0);
  EXPECT_EQ(lib.lcid, 1033u);
  EXPECT_STREQ(lib.helpString, "Tessaloom 1.0 Type Library");
  EXPECT_STREQ(lib.coclassHelpString, "GraphGenerator Class");
}

TEST(TypeLibraryTest, MembersHaveTheirKindsParametersAndHelpStrings) {
  struct Case {
    const char* name;
    MemberKind kind;
    std::vector<VARTYPE> parameters;
    const char* help;
  };
  const Case cases[] = {
      {"ErrorReason", MemberKind::kPropertyGet, {}, "property ErrorReason"},
      {"ChartTitle", MemberKind::kPropertyPut, {VT_BSTR}, "property ChartTitle"},
      {"AddData", MemberKind::kMethod, {VT_BSTR, VT_R4}, "method AddData"},
      {"GraphHeight", MemberKind::kPropertyPut, {VT_I4}, "property GraphHeight"},
      {"HasGridLines", MemberKind::kMethod, {VT_I4}, "method SetGridLines"},
      {"HasBackColor", MemberKind::kMethod, {VT_I4}, "method HasBackColor"},
      {"AddDataEx", MemberKind::kMethod, {VT_R4}, "method AddDataEx"},
      {"Draw3DBarSeriesGraph", MemberKind::kMethod, {}, "method Draw3dBarSeriesGraph"},
      {"BackColor", MemberKind::kPropertyPut, {VT_BSTR}, "property BackColor"},
      {"AddColor", MemberKind::kMethod, {VT_BSTR}, "method AddColor"},
  };
  for (const Case& c : cases) {
    const MemberDescription* m = FindMemberByName(GraphGeneratorInterface(), c.name);
    ASSERT_NE(m, nullptr) << c.name;
    EXPECT_EQ(m->kind, c.kind) << c.name;
    ASSERT_EQ(m->parameterCount, c.parameters.size()) << c.name;
    for (std::size_t i = 0; i < c.parameters.size(); ++i) {
      EXPECT_EQ(m->parameters[i].type, c.parameters[i]) << c.name << " #" << i;
    }
    EXPECT_STREQ(m->helpString, c.help);
  }
  EXPECT_EQ(FindMemberByName(GraphGeneratorInterface(), "ErrorReason")->resultType, VT_BSTR);
}

// Drives one object through IDispatch the way a script engine does.
class LateBinding : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateGraphGenerator(IID_IDispatch, object_.out()), S_OK); }

  DISPID Id(std::u16string name) {
    OLECHAR* names[] = {name.data()};
    DISPID id = 0;
    last_ = object_->GetIDsOfNames(GUID_NULL, names, 1, 0, &id);
    return id;
  }

  // Arguments in call order; they are reversed into rgvarg as Invoke expects.
  HRESULT Call(const std::u16string& name, WORD flags, std::vector<Variant> args,
               VARIANT* result = nullptr, UINT* argError = nullptr) {
    std::vector<VARIANT> raw;
    for (auto it = args.rbegin(); it != args.rend(); ++it) raw.push_back(*it->get());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = raw.data();
    params.cArgs = static_cast<UINT>(raw.size());
    if (flags == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    return object_->Invoke(Id(name), GUID_NULL, 0, flags, &params, result, nullptr, argError);
  }

  std::string ErrorReason() {
    Variant result;
    EXPECT_EQ(Call(u"errorreason", DISPATCH_PROPERTYGET, {}, result.get()), S_OK);
    EXPECT_EQ(result->vt, VT_BSTR);
    return BstrToUtf8(result->bstrVal);
  }

  CGraphGenerator& Object() {
    return *static_cast<CGraphGenerator*>(static_cast<IGraphGenerator*>(object_.get()));
  }

  ComPtr<IDispatch> object_;
  HRESULT last_ = S_OK;
};

TEST_F(LateBinding, NamesAreCaseInsensitive) {
  for (const char16_t* name : {u"AddData", u"adddata", u"ADDDATA", u"aDdDaTa"}) {
    EXPECT_EQ(Id(name), 4) << Utf16ToUtf8(name);
    EXPECT_EQ(last_, S_OK);
  }
  EXPECT_EQ(Id(u"AddColor"), 43);
  EXPECT_EQ(Id(u"BackColor"), 40);
  EXPECT_EQ(Id(u"NoSuchMember"), DISPID_UNKNOWN);
  EXPECT_EQ(last_, DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Id(u""), DISPID_UNKNOWN);
  EXPECT_EQ(Id(u"AddData\u00e9"), DISPID_UNKNOWN);
}

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
}

TEST_F(LateBinding, PropertiesAndMethodsWorkThroughInvoke) {
  EXPECT_EQ(ErrorReason(), "");
  EXPECT_EQ(Call(u"ChartTitle", DISPATCH_PROPERTYPUT, Args(Variant(std::u16string_view(u"Q")))),
            S_OK);
  EXPECT_EQ(Call(u"GraphWidth", DISPATCH_PROPERTYPUT, Args(Variant(std::u16string_view(u"640")))),
            S_OK);
  EXPECT_EQ(
      Call(u"AddData", DISPATCH_METHOD, Args(Variant(std::u16string_view(u"Jan")), Variant(10.5))),
      S_OK);
  EXPECT_EQ(Call(u"AddData", DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                 Args(Variant(std::int32_t{7}), Variant(std::u16string_view(u"2.25")))),
            S_OK);
  EXPECT_EQ(Call(u"HasGridLines", DISPATCH_METHOD, Args(Variant(true))), S_OK);
  EXPECT_EQ(Call(u"SetHorizontalGraph", DISPATCH_METHOD, {}), S_OK);

  CGraphGenerator& g = Object();
  EXPECT_EQ(g.graph.chartTitle, "Q");
  EXPECT_EQ(g.graph.graphWidth, 640);
  EXPECT_EQ(g.dataLabels, "Jan,7,");
  EXPECT_EQ(g.dataValues[0], 10.5f);
  EXPECT_EQ(g.dataValues[1], 2.25f);
  EXPECT_EQ(g.graph.hasGridLines, 0xFFFFFFFFu);  // VARIANT_TRUE is -1
  EXPECT_EQ(g.graph.isVertical, 0u);

  g.graph.SetErrorText("Unable to open file for writing");
  EXPECT_EQ(ErrorReason(), "Unable to open file for writing");
}

TEST_F(LateBinding, RefusesCallsThatDoNotFitTheMember) {
  struct Case {
    const char16_t* name;
    WORD flags;
    int argc;
    HRESULT expected;
  };
  const Case cases[] = {
      {u"AddData", DISPATCH_METHOD, 1, DISP_E_BADPARAMCOUNT},
      {u"AddData", DISPATCH_METHOD, 0, DISP_E_BADPARAMCOUNT},
      {u"ClearData", DISPATCH_METHOD, 1, DISP_E_BADPARAMCOUNT},
      {u"AddData", DISPATCH_PROPERTYPUT, 1, DISP_E_MEMBERNOTFOUND},
      {u"AddData", DISPATCH_PROPERTYGET, 0, DISP_E_MEMBERNOTFOUND},
      {u"ChartTitle", DISPATCH_PROPERTYGET, 0, DISP_E_MEMBERNOTFOUND},
      {u"ChartTitle", DISPATCH_METHOD, 1, DISP_E_MEMBERNOTFOUND},
      {u"ErrorReason", DISPATCH_PROPERTYPUT, 1, DISP_E_MEMBERNOTFOUND},
      {u"ChartTitle", DISPATCH_PROPERTYPUT, 2, DISP_E_BADPARAMCOUNT},
      {u"ClearData", 0, 0, DISP_E_MEMBERNOTFOUND},
  };
  for (const Case& c : cases) {
    std::vector<Variant> args;
    for (int i = 0; i < c.argc; ++i) args.emplace_back(std::u16string_view(u"1"));
    EXPECT_EQ(Call(c.name, c.flags, std::move(args)), c.expected)
        << Utf16ToUtf8(c.name) << " flags " << c.flags << " argc " << c.argc;
  }
  EXPECT_EQ(
      object_->Invoke(12345, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
      DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(
      object_->Invoke(15, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
      DISP_E_UNKNOWNINTERFACE);
  // A zero-argument method may be called without an argument block.
  EXPECT_EQ(object_->Invoke(15, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            S_OK);
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
  EXPECT_EQ(object_->Invoke(43, GUID_NULL, 0, DISPATCH_METHOD, &put, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
}

TEST_F(LateBinding, UncoercibleArgumentsNameTheirSlot) {
  struct Case {
    const char16_t* name;
    std::vector<Variant> (*args)();
    HRESULT expected;
    UINT slot;  // index in rgvarg, which holds the arguments last first
  };
  const Case cases[] = {
      {u"AddData",
       [] {
         std::vector<Variant> a;
         a.emplace_back(std::u16string_view(u"x"));
         a.emplace_back(std::u16string_view(u"ten"));
         return a;
       },
       DISP_E_TYPEMISMATCH, 0},
      {u"AddData",
       [] {
         std::vector<Variant> a;
         a.push_back(Variant::Null());
         a.emplace_back(1.0);
         return a;
       },
       DISP_E_TYPEMISMATCH, 1},
      {u"AddData",
       [] {
         std::vector<Variant> a;
         a.emplace_back(std::u16string_view(u"x"));
         a.emplace_back(1e39);
         return a;
       },
       DISP_E_OVERFLOW, 0},
      {u"HasGridLines",
       [] {
         std::vector<Variant> a;
         a.emplace_back(1e10);
         return a;
       },
       DISP_E_OVERFLOW, 0},
      {u"HasGridLines",
       [] {
         std::vector<Variant> a;
         a.emplace_back(std::numeric_limits<double>::quiet_NaN());
         return a;
       },
       DISP_E_OVERFLOW, 0},
  };
  for (const Case& c : cases) {
    UINT slot = 99;
    EXPECT_EQ(Call(c.name, DISPATCH_METHOD, c.args(), nullptr, &slot), c.expected)
        << Utf16ToUtf8(c.name);
    EXPECT_EQ(slot, c.slot) << Utf16ToUtf8(c.name);
  }
  EXPECT_EQ(Object().dataCount, 0);

  VARIANT odd;
  odd.vt = 0x4242;  // not a type of the subset
  DISPPARAMS params{&odd, nullptr, 1, 0};
  EXPECT_EQ(object_->Invoke(18, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            DISP_E_BADVARTYPE);
}

}  // namespace
}  // namespace tessaloom

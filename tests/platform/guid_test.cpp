#include "platform/guid.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaloom {
namespace {

constexpr GUID kSample{
    0x4F463A34, 0x8A46, 0x437E, {0x8B, 0x62, 0x42, 0x27, 0x17, 0xE9, 0x95, 0x46}};
constexpr const char* kSampleText = "{4F463A34-8A46-437E-8B62-422717E99546}";

TEST(GuidTest, ParsesEveryFieldOfTheBracedForm) {
  const auto parsed = GuidFromString(kSampleText);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->Data1, 0x4F463A34u);
  EXPECT_EQ(parsed->Data2, 0x8A46u);
  EXPECT_EQ(parsed->Data3, 0x437Eu);
  EXPECT_EQ(*parsed, kSample);
}

TEST(GuidTest, PrintsUpperCaseBracedForm) {
  EXPECT_EQ(GuidToString(kSample), kSampleText);
  EXPECT_EQ(GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
  const GUID all_ones{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  EXPECT_EQ(GuidToString(all_ones), "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}");
}

TEST(GuidTest, LowerAndMixedCaseParseToTheSameValue) {
  EXPECT_EQ(GuidFromString("{4f463a34-8a46-437e-8b62-422717e99546}"), kSample);
  EXPECT_EQ(GuidFromString("{4f463A34-8a46-437E-8B62-422717e99546}"), kSample);
}

TEST(GuidTest, PrintedFormParsesBack) {
  const GUID samples[] = {kSample, GUID_NULL,
                          GUID{0x01234567, 0x89AB, 0xCDEF, {0, 1, 2, 3, 4, 5, 6, 7}}};
  for (const GUID& g : samples) {
    EXPECT_EQ(GuidFromString(GuidToString(g)), g) << GuidToString(g);
  }
}

TEST(GuidTest, RejectsAnythingButTheExactBracedForm) {
  const std::string malformed[] = {
      "",
      "4F463A34-8A46-437E-8B62-422717E99546",      // no braces
      "{4F463A34-8A46-437E-8B62-422717E99546",     // no closing brace
      "(4F463A34-8A46-437E-8B62-422717E99546)",    // wrong brackets
      "{4F463A34-8A46-437E-8B62-422717E9954}",     // one digit short
      "{4F463A34-8A46-437E-8B62-422717E995466}",   // one digit long
      "{4F463A3-48A46-437E-8B62-422717E99546}",    // dash moved left
      "{4F463A34-8A46-437E-8B6-2422717E99546}",    // dash moved left in the fourth group
      "{4F463A34-8A46-437E-8B62422717E99546-}",    // dash at the end
      "{4F463A34X8A46-437E-8B62-422717E99546}",    // separator not a dash
      "{4F463A34-8A46-437E-8B62-422717E9954G}",    // bad hex digit
      "{4F463A3 -8A46-437E-8B62-422717E99546}",    // space inside
      "{+F463A34-8A46-437E-8B62-422717E99546}",    // sign inside a field
      "{4F463A34-8A46-437E-8B62-422717E99546} ",   // trailing space
      "{4F463A34-8A46-437E-8B62-422717E99546}x",   // trailing text
      " {4F463A34-8A46-437E-8B62-422717E99546}",   // leading space
      "{4F463A348A46437E8B62422717E99546}",        // no dashes
      "{{4F463A34-8A46-437E-8B62-422717E99546}}",  // doubled braces
      "{4F463A34-8A46-437E-8B62-422717E99546)",    // right length, wrong closing
      "[4F463A34-8A46-437E-8B62-422717E99546}",    // right length, wrong opening
  };
  for (const std::string& text : malformed) {
    EXPECT_FALSE(GuidFromString(text).has_value()) << '"' << text << '"';
  }
  // Each dash replaced by a hex digit: the length stays right, the form does not.
  for (const std::size_t dash : {9u, 14u, 19u, 24u}) {
    std::string text = kSampleText;
    text[dash] = '0';
    EXPECT_FALSE(GuidFromString(text).has_value()) << text;
  }
  EXPECT_FALSE(
      GuidFromString(std::string_view("{4F463A34-8A46-437E-8B62-422717E9954\0}", 38)).has_value());
}

}  // namespace
}  // namespace tessaloom

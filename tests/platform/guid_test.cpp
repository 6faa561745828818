#include "tessaloom/guid.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaloom {
namespace {

constexpr GUID kSample{
    0x4F463A34, 0x8A46, 0x437E, {0x8B, 0x62, 0x42, 0x27, 0x17, 0xE9, 0x95, 0x46}};
constexpr const char* kSampleText = "{4F463A34-8A46-437E-8B62-422717E99546}";

TEST(GuidTest, PrintsUpperCaseAndParsesAnyCase) {
  EXPECT_EQ(GuidToString(kSample), kSampleText);
  const GUID allOnes{0xFFFFFFFF, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
  EXPECT_EQ(GuidToString(allOnes), "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}");
  EXPECT_EQ(GuidFromString("{4f463A34-8a46-437E-8B62-422717e99546}"), kSample);
}

TEST(GuidTest, RejectsAnythingButTheExactBracedForm) {
  const std::string malformed[] = {
      "",
      "4F463A34-8A46-437E-8B62-422717E99546",     // no braces
      "{4F463A34-8A46-437E-8B62-422717E9954}",    // one digit short
      "{4F463A3-48A46-437E-8B62-422717E99546}",   // dash moved
      "{4f463a34-8a46-437e-8b62-422717e9954g}",   // bad hex digit
      "{+F463A34-8A46-437E-8B62-422717E99546}",   // sign inside a field
      "{4F463A34-8A46-437E-8B62-422717E99546}x",  // trailing text
      std::string("{4F463A34-8A46-437E-8B62-422717E9954\0}", 38),
  };
  for (const std::string& text : malformed) {
    EXPECT_FALSE(GuidFromString(text).has_value()) << '"' << text << '"';
  }
  for (const std::size_t dash : {9u, 14u, 19u, 24u}) {  // a digit for a dash: right length only
    std::string text = kSampleText;
    text[dash] = '0';
    EXPECT_FALSE(GuidFromString(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace tessaloom

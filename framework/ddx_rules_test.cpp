#include "framework/ddx_rules.h"

#include <gtest/gtest.h>

namespace tw::fw {
namespace {

TEST(DdxIntegers, WholeNumbersInRangeOfIntOnly) {
  int v = 7;
  EXPECT_TRUE(ParseInteger(u"42", &v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseInteger(u"  -17 ", &v));
  EXPECT_EQ(v, -17);
  EXPECT_TRUE(ParseInteger(u"+3", &v));
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(ParseInteger(u"2147483647", &v));
  EXPECT_EQ(v, 2147483647);
  EXPECT_TRUE(ParseInteger(u"-2147483648", &v));
  EXPECT_EQ(v, -2147483647 - 1);
  v = 5;
  for (const char16_t* bad : {u"", u"  ", u"-", u"12a", u"1 2", u"0x10", u"2147483648",
                              u"-2147483649", u"99999999999999999999", u"3.5"}) {
    EXPECT_FALSE(ParseInteger(bad, &v)) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
    EXPECT_EQ(v, 5);
  }
}

TEST(DdxMessages, RangeMessageAndPositionalArguments) {
  EXPECT_EQ(IntegerRangeMessage(1, 65535), u"Enter an integer between 1 and 65535.");
  EXPECT_EQ(IntegerRangeMessage(-5, 5), u"Enter an integer between -5 and 5.");
  EXPECT_EQ(FormatPositional(u"%2 before %1, 100%%, %3", {u"a", u"b"}), u"b before a, 100%, ");
}

}  // namespace
}  // namespace tw::fw

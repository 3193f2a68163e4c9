#include "base/validation.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace tw {
namespace {

TEST(Validation, IntegerFieldsWithinTheirRangeAndEighteenDigitsAtMost) {
  long long v = 7;
  EXPECT_TRUE(ParseIntegerField(u" 42\t", 1, 100, &v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseIntegerField(u"-5", -5, 5, &v));
  EXPECT_EQ(v, -5);
  EXPECT_TRUE(ParseIntegerField(u"+65535", 1, 65535, &v));
  EXPECT_EQ(v, 65535);
  // Eighteen digits are the most a field takes, so the sum cannot overflow;
  // leading zeros count as digits.
  EXPECT_TRUE(ParseIntegerField(u"999999999999999999", 0, 999999999999999999ll, &v));
  EXPECT_EQ(v, 999999999999999999ll);
  EXPECT_TRUE(ParseIntegerField(u"-000000000000000001", -1, 0, &v));
  EXPECT_EQ(v, -1);
  v = 7;
  for (const char16_t* bad : {u"", u"  ", u"-", u"+", u"12a", u"1 2", u"0x10", u"3.5", u"0", u"101", u"-1",
                              u"1000000000000000000", u"0000000000000000001", u"99999999999999999999999"}) {
    EXPECT_FALSE(ParseIntegerField(bad, 1, 100, &v)) << Utf16ToUtf8(bad);
    EXPECT_EQ(v, 7);
  }
  EXPECT_FALSE(ParseIntegerField(u"1000000000000000000", 0, 0x7FFFFFFFFFFFFFFFll, &v));
}

TEST(Validation, StandardMessages) {
  EXPECT_EQ(IntegerRangeMessage(1, 65535), u"Enter an integer between 1 and 65535.");
  EXPECT_EQ(IntegerRangeMessage(-5, 5), u"Enter an integer between -5 and 5.");
  EXPECT_EQ(TextLengthMessage(8), u"Enter no more than 8 characters.");
}

TEST(Validation, PlainNamesAreOnePathPartAndNothingMore) {
  for (const char16_t* ok : {u"alice", u"Bob Smith", u"a.b", u"..a", u"console", u"com10", u"\u00e9l\u00e8ve"})
    EXPECT_TRUE(IsPlainName(ok)) << Utf16ToUtf8(ok);
  for (const char16_t* bad : {u"", u".", u"..", u"../../outside", u"a\\b", u"a/b", u"D:", u"D:x", u"NUL", u"nul.txt",
                              u"CON ", u"com1", u"LPT9.log", u"CONOUT$", u"x.", u"x ", u"a*", u"a\tb"})
    EXPECT_FALSE(IsPlainName(bad)) << Utf16ToUtf8(bad);
}

}  // namespace
}  // namespace tw

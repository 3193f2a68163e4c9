// The dialogs' field rules as portable code: integer fields (with their
// 18-digit cut-off), their messages, and names that must stay one path part.
#include "base/validation.h"

#include <gtest/gtest.h>

#include <climits>

namespace tw {
namespace {

// The parsed value, or a marker when the field is refused (the output is
// left alone then).
long long Field(const std::u16string& text, long long min = LLONG_MIN, long long max = LLONG_MAX) {
  long long v = -4242;
  if (ParseIntegerField(text, min, max, &v)) return v;
  EXPECT_EQ(v, -4242) << "written on refusal";
  return LLONG_MIN;
}

TEST(IntegerField, SignBlanksAndRange) {
  EXPECT_EQ(Field(u"42"), 42);
  EXPECT_EQ(Field(u" \t-17\t "), -17);
  EXPECT_EQ(Field(u"+8"), 8);
  EXPECT_EQ(Field(u"007"), 7);
  for (const char16_t* bad : {u"", u" ", u"-", u"+", u"1 2", u"12a", u"0x10", u"--1", u"1.0", u"\u0661"})
    EXPECT_EQ(Field(bad), LLONG_MIN) << "accepted a text of " << std::u16string(bad).size() << " units";
  EXPECT_EQ(Field(u"1", 1, 65535), 1);
  EXPECT_EQ(Field(u"65535", 1, 65535), 65535);
  EXPECT_EQ(Field(u"0", 1, 65535), LLONG_MIN);
  EXPECT_EQ(Field(u"65536", 1, 65535), LLONG_MIN);
  EXPECT_EQ(Field(u"-1", 0, 10), LLONG_MIN);
}

TEST(IntegerField, EighteenDigitsAtMostSoNothingOverflows) {
  const std::u16string eighteen = u"999999999999999999";
  EXPECT_EQ(Field(eighteen), 999999999999999999LL);
  EXPECT_EQ(Field(u"-" + eighteen), -999999999999999999LL);
  // Nineteen digits are refused even where the value would fit: the cut-off
  // counts digits, leading zeros included, and never reaches an overflow.
  EXPECT_EQ(Field(u"1000000000000000000"), LLONG_MIN);
  EXPECT_EQ(Field(u"0000000000000000001"), LLONG_MIN);
  EXPECT_EQ(Field(u"99999999999999999999999999"), LLONG_MIN);
  EXPECT_EQ(Field(u"  " + eighteen + u"  "), 999999999999999999LL);  // blanks do not count
}

TEST(FieldMessages, FilledIn) {
  EXPECT_EQ(IntegerRangeMessage(1, 65535), u"Enter an integer between 1 and 65535.");
  EXPECT_EQ(IntegerRangeMessage(-5, 0), u"Enter an integer between -5 and 0.");
  EXPECT_EQ(TextLengthMessage(258), u"Enter no more than 258 characters.");
}

TEST(PlainName, OnePathPartAndNoDevice) {
  for (const char16_t* ok : {u"disk", u"my disk.img", u"con1", u"console", u"com10", u"lpt", u".hidden", u"a..b"})
    EXPECT_TRUE(IsPlainName(ok)) << std::u16string(ok).size();
  for (const char16_t* bad : {u"", u".", u"..", u"a\\b", u"a/b", u"c:", u"a*", u"a?", u"a\"b", u"a<b", u"a>b", u"a|b",
                              u"tab\there", u"end.", u"end ", u"CON", u"con.txt", u"Nul", u"aux .log", u"COM1",
                              u"lpt9.doc", u"conin$", u"CONOUT$"})
    EXPECT_FALSE(IsPlainName(bad)) << std::u16string(bad).size();
}

}  // namespace
}  // namespace tw

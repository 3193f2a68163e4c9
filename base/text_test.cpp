#include "base/text.h"

#include <gtest/gtest.h>

#include "base/secure_zero.h"
#include "base/text_by_id.h"

namespace tw {
namespace {

TEST(Text, Utf8RoundTripAndIllFormedInput) {
  std::u16string s = u"A\u00e9\u4e2d\U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(s)), s);
  EXPECT_EQ(Utf16ToUtf8(u"\u00e9"), "\xC3\xA9");
  // Truncated sequence, overlong form, stray continuation, lone surrogate.
  EXPECT_EQ(Utf8ToUtf16("a\xE4\xB8"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\x80z"), u"\uFFFDz");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, CaseInsensitiveAsciiComparisons) {
  EXPECT_TRUE(StartsWithNoCase(u"\\\\?\\PCI#VScsiPrt&x", u"\\\\?\\pci#vscsiprt"));
  EXPECT_FALSE(StartsWithNoCase(u"\\\\?\\pci", u"\\\\?\\pci#vscsiprt"));
  EXPECT_TRUE(EqualsNoCase(u".ISO", u".iso"));
  EXPECT_FALSE(EqualsNoCase(u"\u00c9", u"\u00e9"));  // only ASCII folds
}

TEST(Text, Utf16FieldIsTerminatedInsideItsField) {
  Bytes b(12, 0xAA);
  // A 6-byte field holds two characters and the terminator.
  EXPECT_EQ(PutUtf16Field(b, 2, 6, u"abcdef"), 2u);
  EXPECT_EQ(b[0], 0xAA);
  EXPECT_EQ(b[2], 'a');
  EXPECT_EQ(b[6], 0);
  EXPECT_EQ(b[7], 0);
  EXPECT_EQ(b[8], 0xAA);  // past the field: untouched
  EXPECT_EQ(GetUtf16Field(b, 2, 6), u"ab");
}

TEST(Text, Utf16FieldNeverSplitsASurrogatePair) {
  Bytes b(8, 0);
  EXPECT_EQ(PutUtf16Field(b, 0, 6, u"x\U0001F600"), 1u);
  EXPECT_EQ(GetUtf16Field(b, 0, 6), u"x");
}

TEST(Text, FieldsAreClippedToTheBuffer) {
  Bytes b(5, 0xAA);
  // The field claims 600 bytes; only 4 remain after offset 1.
  EXPECT_EQ(PutUtf16Field(b, 1, 600, u"hello"), 1u);
  EXPECT_EQ(GetUtf16Field(b, 1, 600), u"h");
  EXPECT_EQ(PutUtf16Field(b, 5, 600, u"hello"), 0u);
  // An unterminated field is read to its end only.
  Bytes c = {'a', 0, 'b', 0, 'c'};
  EXPECT_EQ(GetUtf16Field(c, 0, 100), u"ab");
}

TEST(Text, AnsiFieldCutAndRead) {
  Bytes b(8, 0xAA);
  EXPECT_EQ(PutAnsiField(b, 0, 4, "secret"), 3u);
  EXPECT_EQ(b[3], 0);
  EXPECT_EQ(b[4], 0xAA);
  EXPECT_EQ(GetAnsiField(b, 0, 4), "sec");
  Bytes unterminated = {'x', 'y', 'z'};
  EXPECT_EQ(GetAnsiField(unterminated, 0, 256), "xyz");
}

TEST(Text, SplitListDropsOrKeepsEmptyItems) {
  using V8 = std::vector<std::string>;
  using V16 = std::vector<std::u16string>;
  EXPECT_EQ(SplitList(",a,,b,"), (V8{"a", "b"}));
  EXPECT_EQ(SplitList("", ','), V8{});
  EXPECT_EQ(SplitList(",,", ','), V8{});
  EXPECT_EQ(SplitList(u"/x;/y", u';'), (V16{u"/x", u"/y"}));
  // Kept: every item between separators, none after a trailing one.
  EXPECT_EQ(SplitList(u",a,,b,", u',', EmptyItems::kKeep), (V16{u"", u"a", u"", u"b"}));
  EXPECT_EQ(SplitList(u"", u',', EmptyItems::kKeep), V16{});
  EXPECT_EQ(SplitList("a", ',', EmptyItems::kKeep), V8{"a"});
}

TEST(Text, InsertsGoWhereTheTemplateSaysInAnyOrder) {
  EXPECT_EQ(FillInserts(u"Failed sharing files to %1, error code: %2.", {u"bob", u"525"}),
            u"Failed sharing files to bob, error code: 525.");
  // A translation may turn the order round; values are never read as templates.
  EXPECT_EQ(FillInserts(u"%2 failed, %1 successful", {u"2", u"%1"}), u"%1 failed, 2 successful");
  EXPECT_EQ(FillInserts(u"100%% of %1%3, %", {u"a"}), u"100% of a, %");
}

TEST(Text, WipeSecretZeroesTheWholeBuffer) {
  std::string s(64, 'S');
  s.resize(3);  // the bytes past the size still hold the longer secret
  const char* buffer = s.data();
  const size_t capacity = s.capacity();
  WipeSecret(s);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(s.data(), buffer);  // kept, not freed unwiped
  EXPECT_EQ(std::string(buffer, capacity), std::string(capacity, '\0'));
}

}  // namespace
}  // namespace tw

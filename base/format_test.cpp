#include "base/format.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(Format, TemplatesAsTheMessagesUseThem) {
  EXPECT_EQ(Format(u"Take snapshot error %x", {0xC000006Au}), u"Take snapshot error c000006a");
  EXPECT_EQ(Format(u"code %X", {255}), u"code FF");
  EXPECT_EQ(Format(u"%S   %d", {u"Disk", 3}), u"Disk   3");
  EXPECT_EQ(Format(u"%0.2fT", {1.5}), u"1.50T");
  EXPECT_EQ(Format(u"\\\\.\\%c:", {u'E'}), u"\\\\.\\E:");
  EXPECT_EQ(Format(u"Volume%s", {u"{1234}"}), u"Volume{1234}");
  EXPECT_EQ(Format(u"%ws|%hs|%ls", {u"a", "b", u"c"}), u"a|b|c");
  EXPECT_EQ(FormatUtf8("%s %s %d", {"idisk:", "Access is denied.", 5}), "idisk: Access is denied. 5");
}

TEST(Format, WidthPrecisionAndSigns) {
  EXPECT_EQ(Format(u"[%5d][%-4d][%05d][%+d]", {42, 7, -42, 3}), u"[   42][7   ][-0042][+3]");
  EXPECT_EQ(Format(u"%08X", {0xBEEFu}), u"0000BEEF");
  EXPECT_EQ(Format(u"%.3s", {u"abcdef"}), u"abc");
  EXPECT_EQ(Format(u"%I64u %llu", {18446744073709551615ull, 1ull}), u"18446744073709551615 1");
  EXPECT_EQ(Format(u"%x", {-1}), u"ffffffff");
  EXPECT_EQ(Format(u"100%%"), u"100%");
}

TEST(Format, MissingOrMismatchedArgumentsPrintNothing) {
  EXPECT_EQ(Format(u"a%db%sc", {}), u"abc");
  EXPECT_EQ(Format(u"%s!", {5}), u"!");
  EXPECT_EQ(Format(u"tail %", {1}), u"tail ");
  EXPECT_EQ(Format(u"%99999999999d", {1}).size() < 20000, true);
}

TEST(FormatTest, UpperCaseCharConversion) {
  EXPECT_EQ(Format(u"volume %C:", {u'E'}), u"volume E:");
}

}  // namespace
}  // namespace tw

#include "ui/layout/translation.h"

#include <gtest/gtest.h>

namespace tw::ui {
namespace {

TEST(Translator, ExactTextsAndUnknownOnes) {
  Translator t;
  t.Add(u"&Mount", u"装载(&M)");
  t.Add(u"Device", u"设备");
  EXPECT_EQ(t.Translate(u"&Mount"), u"装载(&M)");
  EXPECT_EQ(t.Translate(u"Device"), u"设备");
  EXPECT_EQ(t.Translate(u"device"), u"device");  // case matters: keys are exact
  EXPECT_EQ(t.Translate(u""), u"");
  t.Add(u"", u"nothing");
  EXPECT_EQ(t.Translate(u""), u"");
}

TEST(Translator, TemplatesCarryTheirValuesInOrder) {
  Translator t;
  t.Add(u"Mount error %x", u"装载错误 %x");
  t.Add(u"Slot %d of %s is busy", u"插槽 %d（%s）正忙");  // values keep their order
  t.Add(u"%0.2fG free", u"可用 %0.2fG");
  t.Add(u"100%% done", u"全部完成");
  EXPECT_EQ(t.Translate(u"Mount error c000006a"), u"装载错误 c000006a");
  EXPECT_EQ(t.Translate(u"Slot 3 of disk one is busy"), u"插槽 3（disk one）正忙");
  EXPECT_EQ(t.Translate(u"1.50G free"), u"可用 1.50G");
  EXPECT_EQ(t.Translate(u"100% done"), u"全部完成");
  // Literal parts must match whole; a value is never empty.
  EXPECT_EQ(t.Translate(u"Mount error "), u"Mount error ");
  EXPECT_EQ(t.Translate(u"Mount error 5 now"), u"装载错误 5 now");  // the value runs to the end
  EXPECT_EQ(t.Translate(u"Unmount error 5"), u"Unmount error 5");
}

TEST(Translator, MismatchedOrAmbiguousTemplatesOnlyMatchExactly) {
  Translator t;
  t.Add(u"Error %x at %d", u"错误 %x");  // the translation lost a value
  t.Add(u"%d%d", u"%d-%d");
  EXPECT_EQ(t.Translate(u"Error 5 at 7"), u"Error 5 at 7");
  EXPECT_EQ(t.Translate(u"Error %x at %d"), u"错误 %x");
  EXPECT_EQ(t.Translate(u"12"), u"12");
}

}  // namespace
}  // namespace tw::ui

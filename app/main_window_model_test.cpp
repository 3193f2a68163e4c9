#include "app/main_window_model.h"

#include <gtest/gtest.h>

#include "devices/device_list.h"
#include "devices/mount_wizard.h"
#include "platform/registry.h"
#include "platform/testing/sim_fixture.h"

namespace tw {
namespace {

std::vector<std::u16string> Texts(const std::vector<LeftMenuEntry>& plan) {
  std::vector<std::u16string> out;
  for (const LeftMenuEntry& e : plan) out.push_back(e.parent.empty() ? e.text : e.parent + u"/" + e.text);
  return out;
}

TEST(MainWindowModel, ShowPagesDecidesTheLeftMenu) {
  testing::SimFixture f;
  // No key, then a key without the value: the default mask.
  EXPECT_EQ(ReadShowPages(f.platform), kDefaultShowPages);
  RegKey key = 0;
  ASSERT_EQ(f.platform.registry->CreateKey(kHkeyLocalMachine, kClientKey, &key), kOk);
  EXPECT_EQ(ReadShowPages(f.platform), kDefaultShowPages);
  f.platform.registry->SetDword(key, u"ShowPages", 0x400);
  f.platform.registry->CloseKey(key);
  EXPECT_EQ(ReadShowPages(f.platform), 0x400u);

  std::vector<LeftMenuEntry> all = LeftMenuPlan(kDefaultShowPages);
  EXPECT_EQ(Texts(all), (std::vector<std::u16string>{u"Pellowen", u"Tools", u"Tools/Persisted Devices",
                                                     u"Tools/Options", u"Help", u"Help/About"}));
  EXPECT_TRUE(all[0].select_when_created);
  EXPECT_EQ(all[0].icon, u"CLOUD.PNG");
  EXPECT_EQ(all[1].icon, u"TOOLS.PNG");
  EXPECT_EQ(all[4].icon, u"HELP.PNG");
  EXPECT_TRUE(all[2].icon.empty());
  // Tools' sub-items need the Tools bit; Help and About are always there.
  EXPECT_EQ(Texts(LeftMenuPlan(0x400)), (std::vector<std::u16string>{u"Help", u"Help/About"}));
  EXPECT_EQ(Texts(LeftMenuPlan(0xA00)), (std::vector<std::u16string>{u"Tools", u"Tools/Options", u"Help", u"Help/About"}));
  EXPECT_EQ(Texts(LeftMenuPlan(0x100)), (std::vector<std::u16string>{u"Pellowen", u"Help", u"Help/About"}));
}

TEST(MainWindowModel, HiddenStartNeedsExactlyOneDashA) {
  EXPECT_TRUE(IsHiddenStart({u"-a"}));
  EXPECT_TRUE(IsHiddenStart({u"-A"}));
  EXPECT_FALSE(IsHiddenStart({}));
  EXPECT_FALSE(IsHiddenStart({u"-a", u"x"}));
  EXPECT_FALSE(IsHiddenStart({u"a"}));
  EXPECT_FALSE(IsHiddenStart({u"-ab"}));
}

TEST(MainWindowModel, PagesAndCategoriesByMenuText) {
  EXPECT_EQ(PageForName(u"about").page, MainPage::kAbout);
  EXPECT_EQ(PageForName(u"OPTIONS").page, MainPage::kOptions);
  struct Case {
    const char16_t* name;
    uint32_t category;
  } cases[] = {{u"Pellowen", kCategoryNfs},        {u"Tools", kCategoryAll},
               {u"Help", kCategoryAll},            {u"Persisted Devices", kCategoryPersisted},
               {u"virtual disk", kCategoryVirtualDisk}, {u"Virtual CD/DVD", kCategoryCdDvd},
               {u"Cloud Disks", kCategoryCloud},   {u"anything", kCategoryAll}};
  for (const Case& c : cases) {
    PageChoice choice = PageForName(c.name);
    EXPECT_EQ(choice.page, MainPage::kDevices) << std::string(c.name, c.name + 3);
    EXPECT_EQ(choice.category, c.category);
  }
}

TEST(MainWindowModel, HelpFileLiesBesideTheProgram) {
  EXPECT_EQ(HelpFilePath(u"C:\\Program Files\\Velthorn\\TarnwickPro.exe"),
            u"C:\\Program Files\\Velthorn\\Tarnwick.chm");
  EXPECT_EQ(HelpFilePath(u"TarnwickPro.exe"), u"\\Tarnwick.chm");
}

}  // namespace
}  // namespace tw

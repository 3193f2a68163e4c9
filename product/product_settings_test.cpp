// The product's settings: the temporary folder and the start-up entry.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/testing/sim_fixture.h"
#include "product/product_settings.h"

namespace tw {
namespace {

class ProductSettingsTest : public ::testing::Test, public testing::SimFixture {};

TEST_F(ProductSettingsTest, TempFolder) {
  std::u16string fallback = EnsureTempFolder(platform);
  EXPECT_EQ(fallback, u"c:\\Temp\\");
  EXPECT_TRUE(platform.file_system->PathExists(u"c:\\Temp"));  // created when absent
  ScopedRegKey key(*platform.registry);
  ASSERT_EQ(platform.registry->OpenKey(kHkeyCurrentUser, kProductKey, key.out()), kOk);  // and the key too
  std::u16string cache = folder.Win32Path("Cache");
  std::filesystem::create_directories(folder.path() / "Cache");
  platform.registry->SetString(key.get(), u"TempFolder", cache);
  EXPECT_EQ(EnsureTempFolder(platform), cache + u"\\");
  platform.registry->SetString(key.get(), u"TempFolder", folder.Win32Path("missing"));
  EXPECT_EQ(EnsureTempFolder(platform), u"c:\\Temp\\");
}

TEST_F(ProductSettingsTest, StartsWithWindowsWhateverTheCommandsLength) {
  EXPECT_FALSE(StartsWithWindows(platform));
  ScopedRegKey run(*platform.registry);
  ASSERT_EQ(platform.registry->CreateKey(kHkeyLocalMachine, kRunKey, run.out()), kOk);
  EXPECT_FALSE(StartsWithWindows(platform));
  // A command longer than the reader's buffer still means the value is there.
  platform.registry->SetString(run.get(), kRunValue, std::u16string(3000, u'x'));
  EXPECT_TRUE(StartsWithWindows(platform));
  platform.registry->DeleteValue(run.get(), kRunValue);
  EXPECT_FALSE(StartsWithWindows(platform));
}

}  // namespace
}  // namespace tw

// The folder page and the virtual-folder mount over the simulated machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "devices/virtual_folder.h"
#include "platform/testing/sim_fixture.h"
#include "platform/volume_mounts.h"
#include "storagebus/storage_bus.h"

namespace tw {
namespace {

class VirtualFolderTest : public ::testing::Test, public testing::SimFixture {
 protected:
  WizardData Data() {
    WizardData d(19);
    d.set_portalAddress(0x0100007F);
    d.set_portalPort(3260);
    d.set_targetName(u"iqn.2026-12.test:folder");
    return d;
  }
  StorageBus bus{platform};
};

TEST_F(VirtualFolderTest, PageCreatesTheSubFolderAndAsksAboutFormatting) {
  FolderPageModel page;
  WizardData d = Data();
  page.folder = folder.Win32Path("base");
  page.create_sub_folder = true;
  EXPECT_FALSE(page.Finish(&d, platform));
  EXPECT_EQ(prompter.shown.back().text, u"Folder name can't be empty.");
  page.sub_folder = u"x";
  EXPECT_FALSE(page.Finish(&d, platform));  // "base" does not exist
  EXPECT_EQ(prompter.shown.back().text, u"Can't create directory: " + folder.Win32Path("base") + u"\\x");
  std::filesystem::create_directories(folder.path() / "base");
  prompter.answers = {kIdNo};
  EXPECT_FALSE(page.Finish(&d, platform));
  EXPECT_EQ(prompter.shown.back().caption, u"Question");
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "base" / "x"));  // stays after the No
  page.sub_folder = u"y";
  page.auto_mount = true;
  prompter.answers = {kIdYes};
  ASSERT_TRUE(page.Finish(&d, platform));
  EXPECT_EQ(FolderMountPath(d), folder.Win32Path("base") + u"\\y");
  EXPECT_EQ(FolderFormatVolume(d), 1u);
  EXPECT_EQ(FolderAutoMount(d), 1u);
  EXPECT_EQ(FolderOverlayIcon(d), 0u);

  FolderPageModel keep;
  keep.folder = folder.Win32Path("base") + u"\\";
  keep.keep_content = true;
  size_t shown = prompter.shown.size();
  ASSERT_TRUE(keep.Finish(&d, platform));
  EXPECT_EQ(prompter.shown.size(), shown);  // no format question
  EXPECT_EQ(FolderFormatVolume(d), 0u);
  EXPECT_EQ(FolderMountPath(d), folder.Win32Path("base") + u"\\");
  EXPECT_EQ(GetU32LE(d.bytes(), 1548), 0u);
  EXPECT_EQ(d.bytes().size(), 2080u);
}

TEST_F(VirtualFolderTest, MountFormatsAndBindsTheFolder) {
  std::filesystem::create_directories(folder.path() / "m1");
  std::filesystem::create_directories(folder.path() / "m2");
  WizardData d = Data();
  FolderPageModel page;
  page.folder = folder.Win32Path("m1");
  page.overlay_icon = true;
  prompter.answers = {kIdYes};
  ASSERT_TRUE(page.Finish(&d, platform));
  int refreshed = 0;
  ASSERT_EQ(MountVirtualFolder(platform, bus, d, [&] { ++refreshed; }), kOk);
  EXPECT_EQ(refreshed, 1);
  auto s = State();
  ASSERT_EQ(s.volumes.size(), 1u);
  EXPECT_EQ(s.volumes[0].file_system, "NTFS");
  EXPECT_EQ(s.volumes[0].label, "iVolume");
  EXPECT_EQ(s.volumes[0].cluster_bytes, 4096u);
  EXPECT_TRUE(s.volumes[0].quick_format);
  EXPECT_EQ(Utf8ToUtf16(s.volumes[0].mount_point), folder.Win32Path("m1") + u"\\");
  VolumeRecord v;
  ASSERT_EQ(bus.GetVolumeInfo(0, &v), kOk);
  EXPECT_EQ(v.overlay_icon(), 0u);
  EXPECT_EQ(v.server_port(), 3260);
  EXPECT_EQ(v.volume_name().size(), 6u + 38u);

  FolderPageModel second;
  second.folder = folder.Win32Path("m2");
  second.keep_content = true;
  ASSERT_TRUE(second.Finish(&d, platform));
  ASSERT_EQ(MountVirtualFolder(platform, bus, d, nullptr), kOk);
  s = State();
  ASSERT_EQ(s.volumes.size(), 2u);
  VolumeRecord w;
  ASSERT_EQ(bus.GetVolumeInfo(1, &w), kOk);
  EXPECT_NE(w.volume_name(), v.volume_name());  // a new GUID each time
  EXPECT_TRUE(s.volumes[1].file_system.empty());
  EXPECT_EQ(w.overlay_icon(), 0xFFFFFFFFu);
}

TEST_F(VirtualFolderTest, AFolderThatIsNotEmptyCannotBeBound) {
  std::filesystem::create_directories(folder.path() / "full");
  { std::ofstream(folder.path() / "full" / "file.txt") << "x"; }
  WizardData d = Data();
  FolderPageModel page;
  page.folder = folder.Win32Path("full");
  page.keep_content = true;
  ASSERT_TRUE(page.Finish(&d, platform));
  EXPECT_EQ(MountVirtualFolder(platform, bus, d, nullptr), 145u);
  ASSERT_GE(prompter.shown.size(), 3u);
  EXPECT_EQ(prompter.shown[prompter.shown.size() - 3].text, u"Mount error 91");
  // Not left attached without its folder: detached and deactivated again,
  // the user's folder and its file untouched.
  auto s = State();
  ASSERT_EQ(s.volumes.size(), 1u);
  EXPECT_TRUE(s.volumes[0].detached);
  EXPECT_FALSE(bus.IsVolumeActive(0));
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "full" / "file.txt"));
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(VirtualFolderTest, GuidText) {
  Guid g{0x1234ABCD, 0x0A0B, 0xC0D0, {1, 2, 3, 4, 5, 6, 7, 0xFF}};
  EXPECT_EQ(FormatGuid(g), u"{1234ABCD-0A0B-C0D0-0102-0304050607FF}");
}

}  // namespace
}  // namespace tw

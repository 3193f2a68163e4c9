// The device page's list over the simulated machine.
#include <gtest/gtest.h>

#include <fstream>

#include "base/text.h"
#include "devices/device_list.h"
#include "platform/testing/sim_fixture.h"
#include "shares/nfs_shares.h"

namespace tw {
namespace {

TEST(DeviceCategoryTest, MenuTextsTitlesAndTypes) {
  EXPECT_EQ(CategoryForMenuText(u"virtual disk"), kCategoryVirtualDisk);
  EXPECT_EQ(CategoryForMenuText(u"Virtual CD/DVD"), kCategoryCdDvd);
  EXPECT_EQ(CategoryForMenuText(u"Virtual Burner"), kCategoryBurner);
  EXPECT_EQ(CategoryForMenuText(u"PERSISTED DEVICES"), kCategoryPersisted);
  EXPECT_EQ(CategoryForMenuText(u"Options"), kCategoryAll);
  EXPECT_EQ(CategoryTitle(kCategoryCloud), u"All Pellowen Drives");
  EXPECT_EQ(CategoryTitle(kCategoryNfs), u"All Pellowen Drives");
  EXPECT_EQ(CategoryTitle(kCategoryShared), u"Shared iSCSI Devices");
  for (uint8_t t : {1, 2, 3, 4}) EXPECT_TRUE(CategoryShowsType(kCategoryAll, t));
  for (uint8_t t : {16, 17, 18, 21, 255}) EXPECT_FALSE(CategoryShowsType(kCategoryAll, t));
  for (uint8_t t : {16, 17, 18, 19}) EXPECT_TRUE(CategoryShowsType(kCategoryIscsi, t));
  EXPECT_TRUE(CategoryShowsType(kCategoryShared, 17));
  EXPECT_FALSE(CategoryShowsType(kCategoryShared, 16));
  EXPECT_FALSE(CategoryShowsType(kCategoryPersisted, 1));
}

TEST(DeviceCategoryTest, FormatCapacity) {
  EXPECT_EQ(FormatCapacity(1023), u"0.00K");
  EXPECT_EQ(FormatCapacity(-5), u"0.00K");
  EXPECT_EQ(FormatCapacity(1024), u"1.00K");
  EXPECT_EQ(FormatCapacity(1048576), u"1.00M");
  EXPECT_EQ(FormatCapacity(1610612736), u"1.50G");
  EXPECT_EQ(FormatCapacity(int64_t{1} << 40), u"1.00T");
  EXPECT_EQ(FormatCapacity((int64_t{1} << 20) - 1), u"1024.00K");  // the formatter rounds
}

class DeviceListTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetUp() override { list.Create(600); }
  void Plug(DeviceRecord r) { ASSERT_EQ(list.bus().PlugDevice(r), kOk); }
  DeviceRecord Image(uint8_t slot, uint8_t type = kImageDisk) {
    DeviceRecord r;
    r.set_slot(slot);
    r.set_device_type(type);
    r.set_create_new(true);
    r.set_new_size(1536ull << 20);
    if (type == kImageDisk) r.set_image_disk_path(folder.Win32Path("d" + std::to_string(slot) + ".img"));
    else r.set_vhd_path(Utf16ToUtf8(folder.Win32Path("v" + std::to_string(slot) + ".vhd")));
    return r;
  }
  DeviceRecord Target(uint8_t slot, uint8_t type) {
    DeviceRecord r;
    r.set_slot(slot);
    r.set_device_type(type);
    r.set_target_address(0x0100007F);
    r.set_target_port(3260);
    r.set_target_name("iqn.2026-12.test:t");
    r.set_user_name("u");
    return r;
  }
  std::vector<std::u16string> Texts(size_t i) { return list.rows().at(i).texts; }
  DeviceListModel list{platform};
};

TEST_F(DeviceListTest, SlotRowsOfEachKind) {
  Plug(Image(0));
  Plug(Image(1, kVhdDisk));
  { std::ofstream(folder.path() / "disc.CCD") << std::string(3000, 'c'); }
  DeviceRecord cd;
  cd.set_slot(2);
  cd.set_device_type(kCdRom);
  cd.set_cd_image_path(folder.Win32Path("disc.CCD"));
  Plug(cd);
  DeviceRecord burner;
  burner.set_slot(3);
  burner.set_device_type(kCdBurner);
  burner.set_burner_create_new(true);
  burner.set_burner_new_size(8 << 20);
  burner.set_disc_kind(1);
  burner.set_burner_image_path(folder.Win32Path("b.iso"));
  Plug(burner);
  Plug(Target(4, kIscsiDisk));
  Plug(Target(5, kCloudDisk));

  list.Refresh(600);
  ASSERT_EQ(list.rows().size(), 4u);  // iSCSI and cloud only under their own categories
  EXPECT_EQ(list.columns()[1].title, u"Location");
  EXPECT_EQ(list.columns()[1].width, 600 - 285);
  EXPECT_EQ(Texts(0), (std::vector<std::u16string>{u"Disk", u"\\DosDevices\\" + folder.Win32Path("d0.img"), u"1.50G",
                                                   u"Read Write", u"D: "}));
  EXPECT_EQ(Texts(1)[0], u"VhdDisk");
  EXPECT_EQ(Texts(1)[1], folder.Win32Path("v1.vhd"));
  EXPECT_EQ(Texts(2)[0], u"DVDRom");
  EXPECT_EQ(Texts(2)[2], u"2.93K");
  EXPECT_EQ(Texts(2)[3], u"Read Only");
  EXPECT_EQ(Texts(2)[4], u"F:");
  EXPECT_EQ(list.rows()[2].image, kImageCdIcon);
  EXPECT_EQ(Texts(3)[0], u"DVD+RW");
  EXPECT_EQ(list.rows()[3].tag, 3u);

  list.SetCategoryFromMenuText(u"iSCSI Devices");
  list.Refresh(600);
  ASSERT_EQ(list.rows().size(), 1u);
  EXPECT_EQ(Texts(0)[0], u"iSCSI");
  EXPECT_EQ(Texts(0)[1], u"127.0.0.1   3260");
  EXPECT_EQ(list.rows()[0].image, kImageNetworkIcon);
  list.SetCategory(kCategoryCloud);
  list.Refresh(600);
  ASSERT_EQ(list.rows().size(), 1u);
  EXPECT_EQ(Texts(0)[1], u"Velthorn Cloud Space");
  list.SetCategory(kCategoryVirtualDisk);
  list.Refresh(600);
  EXPECT_EQ(list.rows().size(), 2u);
}

TEST_F(DeviceListTest, FolderRowsOnlyWhileActive) {
  for (int i = 0; i < 2; ++i) {
    VolumeRecord v;
    v.set_record_kind(7);
    v.set_target_class(2);
    v.set_server_address(0x0100007F);
    v.set_server_port(3260);
    v.set_target_name(u"iqn.t");
    v.set_volume_name(i ? u"Volume{b}" : u"Volume{a}");
    v.set_mount_folder(i ? u"C:\\f2\\" : u"C:\\f1\\");
    ASSERT_EQ(list.bus().MountVolume(v), kOk);
  }
  ASSERT_EQ(list.bus().SetVolumeState(0, 1), kOk);  // detached earlier
  list.SetCategory(kCategoryFolders);
  list.Refresh(500);
  ASSERT_EQ(list.rows().size(), 1u);
  EXPECT_EQ(list.columns()[4].title, u"Path");
  EXPECT_EQ(list.columns()[4].width, 500 - 355);
  EXPECT_EQ(Texts(0), (std::vector<std::u16string>{u"Virtual Folder", u"127.0.0.1   3260", u"4.00G", u"Read Write",
                                                   u"C:\\f2\\"}));
  EXPECT_EQ(list.rows()[0].tag, 1u | kFolderTagBits);
}

TEST_F(DeviceListTest, NfsViewsAndTheirButtons) {
  Change([](sim::MachineState& s) {
    sim::NfsServer n;
    n.address = "127.0.0.1";
    n.exports = {"/e"};
    s.nfs_servers.push_back(n);
  });
  std::u16string remote = u"127.0.0.1:\\e";
  ASSERT_EQ(MountNfsShare(u"N:", &remote, true, u"", u"", 6260, platform), kOk);
  list.SetCategory(kCategoryNfs);
  list.Refresh(700);
  ASSERT_EQ(list.rows().size(), 1u);
  EXPECT_EQ(list.columns()[3].width, 700 - 365);
  EXPECT_EQ(Texts(0)[0], u"N:");
  EXPECT_EQ(Texts(0)[1], u"\\\\127.0.0.1\\e");
  EXPECT_EQ(Texts(0)[2], u"Read Write");
  EXPECT_EQ(list.rows()[0].tag, 0u);
  EXPECT_TRUE(list.mount_button_visible());
  list.SetCategory(kCategoryPersisted);
  list.Refresh(700);
  EXPECT_FALSE(list.mount_button_visible());
  EXPECT_EQ(list.unmount_button_text(), u"&Remove");
  ASSERT_EQ(list.rows().size(), 1u);
  EXPECT_EQ(Texts(0)[3], u"VNFS://127.0.0.1/e");
  EXPECT_EQ(list.ContextMenu(0).size(), 1u);
  list.SetCategory(kCategoryNfs);
  list.Refresh(700);
  auto menu = list.ContextMenu(0);  // an NFS row's tag 0 is not slot 0
  EXPECT_TRUE(menu[2].disabled && menu[3].disabled && menu[4].disabled);
  EXPECT_TRUE(menu[6].disabled);  // nor is there a CHAP secret to change
  list.SetCategory(kCategoryAll);
  list.Refresh(700);
  EXPECT_TRUE(list.mount_button_visible());
  EXPECT_EQ(list.unmount_button_text(), u"&Unmount");
}

TEST_F(DeviceListTest, ContextMenuFollowsSnapshotSupport) {
  auto menu = list.ContextMenu(-1);
  ASSERT_EQ(menu.size(), 2u);
  EXPECT_EQ(menu[0].text, u"&Mount");
  Plug(Image(0));
  list.Refresh(600);
  menu = list.ContextMenu(0);
  ASSERT_EQ(menu.size(), 7u);
  EXPECT_FALSE(menu[2].disabled);  // take
  EXPECT_TRUE(menu[3].disabled);   // revert: no current snapshot
  EXPECT_FALSE(menu[4].disabled);
  EXPECT_FALSE(menu[6].disabled);  // modify password is never disabled

  Change([](sim::MachineState& s) {
    s.slots[0].snapshots.push_back({5, 0, "s", ""});
    s.slots[0].current = 5;
  });
  menu = list.ContextMenu(0);
  EXPECT_FALSE(menu[3].disabled);
  Change([](sim::MachineState& s) { s.slots[0].snapshots.clear(); });  // current names a lost snapshot
  menu = list.ContextMenu(0);
  EXPECT_TRUE(menu[3].disabled && menu[3].grayed);

  { std::ofstream(folder.path() / "c.iso") << "x"; }
  DeviceRecord cd;
  cd.set_slot(1);
  cd.set_device_type(kCdRom);
  cd.set_cd_image_path(folder.Win32Path("c.iso"));
  Plug(cd);
  list.Refresh(600);
  menu = list.ContextMenu(1);
  EXPECT_TRUE(menu[2].disabled && menu[3].disabled && menu[4].disabled);  // no disk to ask
  EXPECT_EQ(io->open_handles, 0);
}

}  // namespace
}  // namespace tw

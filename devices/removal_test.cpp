// Removal of slots, folders and NFS drives over the simulated machine.
#include <gtest/gtest.h>

#include <filesystem>

#include "devices/device_list.h"
#include "devices/removal.h"
#include "platform/testing/sim_fixture.h"
#include "storagebus/testing/image_records.h"
#include "shares/nfs_shares.h"

namespace tw {
namespace {

class RemovalTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetUp() override { ASSERT_EQ(bus.SelectAdapter(0), kOk); }
  void Plug(uint8_t slot) {
    ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(slot, folder.Win32Path("r" + std::to_string(slot) + ".img"))),
              kOk);
  }
  bool InUse(uint8_t slot) {
    DeviceRecord r;
    return bus.QueryDevice(slot, &r) == kOk && r.in_use();
  }
  StorageBus bus{platform};
};

TEST_F(RemovalTest, ForcePromptAnsweredBothWays) {
  Change([](sim::MachineState& s) { s.partitions_per_disk = 2; });
  Plug(0);  // D: and E:
  Change([](sim::MachineState& s) { s.held_open.insert("E:"); });
  prompter.answers = {kIdNo};
  EXPECT_EQ(UnmountSlot(platform, bus, 0), kErrAccessDenied);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text,
            u"Can't lock volume E:, the volume may be in use, do you want to forcely remove it?");
  EXPECT_EQ(prompter.shown[0].caption, u"Question");
  EXPECT_EQ(prompter.shown[0].style, kMbYesNo | kMbIconQuestion | kMbDefButton2);
  EXPECT_TRUE(InUse(0));
  prompter.answers = {kIdYes};
  EXPECT_EQ(UnmountSlot(platform, bus, 0), kOk);
  EXPECT_FALSE(InUse(0));
}

TEST_F(RemovalTest, SlotWithoutVolumesNeedsNoLock) {
  Change([](sim::MachineState& s) { s.unlettered_partitions = 1; });
  Plug(2);
  io->requests.clear();
  EXPECT_EQ(UnmountSlot(platform, bus, 2), kOk);
  for (auto& r : io->requests) EXPECT_NE(r.code, kFsctlLockVolume);
}

TEST_F(RemovalTest, RemoveSelectedPausesAndRefreshesOnce) {
  Plug(0);
  Plug(1);
  Plug(2);
  int refreshed = 0;
  prompter.answers = {kIdNo};
  EXPECT_FALSE(RemoveSelected(platform, bus, kCategoryAll, {{0, u"Disk"}}, [&] { ++refreshed; }));
  EXPECT_TRUE(InUse(0));
  EXPECT_EQ(prompter.shown[0].text, u"Do you want to remove these devices?");
  prompter.answers = {kIdYes};
  EXPECT_TRUE(RemoveSelected(platform, bus, kCategoryAll, {{0, u""}, {1, u""}, {2, u""}}, [&] { ++refreshed; }));
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{200, 200, 200}));
  EXPECT_FALSE(InUse(0) || InUse(1) || InUse(2));
  EXPECT_FALSE(RemoveSelected(platform, bus, kCategoryAll, {}, nullptr));
}

TEST_F(RemovalTest, NfsViewsTouchOnlyTheirDrives) {
  Plug(0);
  Change([](sim::MachineState& s) {
    sim::NfsServer n;
    n.address = "127.0.0.1";
    n.exports = {"/e"};
    s.nfs_servers.push_back(n);
  });
  std::u16string remote = u"127.0.0.1:\\e";
  ASSERT_EQ(MountNfsShare(u"N:", &remote, true, u"", u"", 6260, platform), kOk);
  prompter.answers = {kIdYes};
  // The NFS row's tag is 0, which would name slot 0 elsewhere.
  EXPECT_TRUE(RemoveSelected(platform, bus, kCategoryNfs, {{0, u"N:"}}, nullptr));
  EXPECT_TRUE(InUse(0));
  EXPECT_TRUE(State().net_connections.empty());
  EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(RemovalTest, DetachFolderRemovesAnEmptyMountFolder) {
  std::filesystem::create_directories(folder.path() / "mnt");
  VolumeRecord v;
  v.set_record_kind(7);
  v.set_target_class(2);
  v.set_target_name(u"iqn.t");
  v.set_volume_name(u"Volume{11111111-0000-0000-0000-000000000000}");
  v.set_mount_folder(folder.Win32Path("mnt") + u"\\");
  ASSERT_EQ(bus.MountVolume(v), kOk);
  prompter.answers = {kIdYes};
  EXPECT_TRUE(RemoveSelected(platform, bus, kCategoryFolders, {{0 | kFolderTagBits, u"Virtual Folder"}}, nullptr));
  EXPECT_FALSE(bus.IsVolumeActive(0));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "mnt"));
}

TEST_F(RemovalTest, FolderWhoseDetachFailsStaysActiveWithItsFolderAndUnlocked) {
  std::filesystem::create_directories(folder.path() / "mnt");
  VolumeRecord v;
  v.set_record_kind(7);
  v.set_target_class(2);
  v.set_target_name(u"iqn.t");
  v.set_volume_name(u"Volume{22222222-0000-0000-0000-000000000000}");
  v.set_mount_folder(folder.Win32Path("mnt") + u"\\");
  ASSERT_EQ(bus.MountVolume(v), kOk);
  io->fail = [](const testing::RecordingDeviceIo::Request& r) -> Status {
    return r.code == kIoctlVvolDetach ? kErrAccessDenied : kOk;
  };
  EXPECT_EQ(DetachFolder(platform, bus, 0), kErrAccessDenied);
  EXPECT_TRUE(bus.IsVolumeActive(0));
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "mnt"));
  for (const auto& r : io->requests) EXPECT_NE(r.code, kIoctlVvolSetState);
  // Nothing was left locked: once the driver agrees, the same entry goes.
  io->fail = nullptr;
  EXPECT_EQ(DetachFolder(platform, bus, 0), kOk);
  EXPECT_FALSE(bus.IsVolumeActive(0));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "mnt"));
  // An entry that does not exist is neither detached nor deactivated.
  io->requests.clear();
  EXPECT_NE(DetachFolder(platform, bus, 5), kOk);
  for (const auto& r : io->requests) EXPECT_NE(r.code, kIoctlVvolSetState);
}

}  // namespace
}  // namespace tw

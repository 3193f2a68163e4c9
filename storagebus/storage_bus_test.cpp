// The storage bus against the simulated machine: the requests go through
// the same bytes a driver would see.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "platform/testing/sim_fixture.h"
#include "storagebus/testing/image_records.h"
#include "storagebus/storage_bus.h"

namespace tw {
namespace {
namespace fs = std::filesystem;

class StorageBusTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetUp() override { ASSERT_EQ(bus.SelectAdapter(0), kOk); }

  DeviceRecord NewImage(uint8_t slot, const std::string& name, uint64_t size) {
    return testing::NewImageRecord(slot, folder.Win32Path(name), size);
  }
  void WriteFile(const std::string& name, size_t bytes) {
    std::ofstream(folder.path() / name, std::ios::binary) << std::string(bytes, 'x');
  }
  void FillSlots(int from, int to) {
    for (int i = from; i <= to; ++i)
      ASSERT_EQ(bus.PlugDevice(NewImage(static_cast<uint8_t>(i), "s" + std::to_string(i), 1 << 20)), kOk);
  }
  Handle OpenDisk(int slot) {
    Handle h = kInvalidHandle;
    EXPECT_EQ(platform.device_io->Open(sim::DiskDeviceId(slot), kGenericRead | kGenericWrite, 3, kOpenExisting, 0, &h),
              kOk);
    return h;
  }

  StorageBus bus{platform};
};

TEST_F(StorageBusTest, SelectAdapterFindsOnlyTheVirtualAdapter) {
  EXPECT_TRUE(StartsWithNoCase(bus.adapter_path(), u"\\\\?\\pci#vscsiprt"));
  StorageBus other(platform);
  EXPECT_EQ(other.SelectAdapter(1), kMinusOne);  // only one adapter
  EXPECT_TRUE(other.adapter_path().empty());
  Change([](sim::MachineState& s) { s.adapter_present = false; });
  EXPECT_EQ(other.SelectAdapter(0), kMinusOne);
  // Without an adapter every request fails in its open.
  DeviceRecord r;
  EXPECT_EQ(other.QueryDevice(0, &r), kErrFileNotFound);
  EXPECT_EQ(other.FindFreeSlot(false), -1);
}

TEST_F(StorageBusTest, PlugCreatesASparseImageAndQueryAnswersIt) {
  ASSERT_EQ(bus.PlugDevice(NewImage(2, "new.img", 64ull << 20)), kOk);
  EXPECT_EQ(fs::file_size(folder.path() / "new.img"), 64ull << 20);
  DeviceRecord q;
  ASSERT_EQ(bus.QueryDevice(2, &q), kOk);
  EXPECT_TRUE(q.in_use());
  EXPECT_EQ(q.slot(), 2);
  EXPECT_EQ(q.device_type(), kImageDisk);
  EXPECT_EQ(q.capacity(), 64ull << 20);
  EXPECT_EQ(q.access(), kAccessReadWrite);
  EXPECT_EQ(q.image_disk_path(), u"\\DosDevices\\" + folder.Win32Path("new.img"));
  DeviceRecord empty;
  ASSERT_EQ(bus.QueryDevice(3, &empty), kOk);
  EXPECT_FALSE(empty.in_use());
  EXPECT_EQ(bus.UnplugDevice(2), kOk);
  ASSERT_EQ(bus.QueryDevice(2, &q), kOk);
  EXPECT_FALSE(q.in_use());
  EXPECT_TRUE(fs::exists(folder.path() / "new.img"));  // unplugging keeps the file
  // Creating over an existing file is refused rather than wiping it.
  EXPECT_EQ(bus.PlugDevice(NewImage(4, "new.img", 1 << 20)), kStatusObjectNameCollision);
  EXPECT_EQ(fs::file_size(folder.path() / "new.img"), 64ull << 20);
}

TEST_F(StorageBusTest, PlugRefusalsComeBackAsDriverStatus) {
  DeviceRecord missing = NewImage(0, "missing.img", 1 << 20);
  missing.set_create_new(false);
  EXPECT_EQ(bus.PlugDevice(missing), kStatusObjectNameNotFound);

  ASSERT_EQ(bus.PlugDevice(NewImage(0, "a.img", 1 << 20)), kOk);
  DeviceRecord again = NewImage(1, "a.img", 1 << 20);
  again.set_create_new(false);
  EXPECT_EQ(bus.PlugDevice(again), kStatusSharingViolation);
  EXPECT_EQ(bus.PlugDevice(NewImage(0, "b.img", 1 << 20)), kStatusDeviceBusy);  // slot taken

  DeviceRecord bad_type;
  bad_type.set_slot(5);
  bad_type.set_device_type(99);
  EXPECT_EQ(bus.PlugDevice(bad_type), kStatusInvalidParameter);
}

TEST_F(StorageBusTest, EncryptedImageKeepsItsDigest) {
  uint8_t digest[32] = {1, 2, 3};
  DeviceRecord r = NewImage(0, "secret.img", 1 << 20);
  r.set_has_password(true);
  r.set_password_digest(digest);
  ASSERT_EQ(bus.PlugDevice(r), kOk);
  ASSERT_EQ(bus.UnplugDevice(0), kOk);

  r.set_create_new(false);
  digest[0] = 9;
  r.set_password_digest(digest);
  // The I/O control succeeds; the driver's status is what comes back.
  EXPECT_EQ(bus.PlugDevice(r), kStatusWrongPassword);
  DeviceRecord plain = r;
  plain.set_has_password(false);
  EXPECT_EQ(bus.PlugDevice(plain), kStatusWrongPassword);
  digest[0] = 1;
  r.set_password_digest(digest);
  EXPECT_EQ(bus.PlugDevice(r), kOk);
}

TEST_F(StorageBusTest, CdImageAndBurner) {
  WriteFile("disc.ISO", 4096);
  DeviceRecord cd;
  cd.set_slot(3);
  cd.set_device_type(kCdRom);
  cd.set_image_format(ImageFormatForPath(u"disc.ISO"));
  cd.set_cd_image_path(folder.Win32Path("disc.ISO"));
  ASSERT_EQ(bus.PlugDevice(cd), kOk);
  DeviceRecord q;
  ASSERT_EQ(bus.QueryDevice(3, &q), kOk);
  EXPECT_EQ(q.capacity(), 4096u);
  EXPECT_EQ(q.image_format(), 0);
  EXPECT_NE(q.access(), kAccessReadWrite);

  DeviceRecord burner;
  burner.set_slot(4);
  burner.set_device_type(kCdBurner);
  burner.set_burner_create_new(true);
  burner.set_burner_new_size(700ull << 20);
  burner.set_disc_kind(0);
  burner.set_burner_image_path(folder.Win32Path("burn.iso"));
  ASSERT_EQ(bus.PlugDevice(burner), kOk);
  EXPECT_EQ(fs::file_size(folder.path() / "burn.iso"), 700ull << 20);
  ASSERT_EQ(bus.QueryDevice(4, &q), kOk);
  EXPECT_EQ(q.disc_kind(), 0u);
  EXPECT_EQ(q.burner_new_size(), 700ull << 20);
}

TEST_F(StorageBusTest, FindFreeSlot) {
  EXPECT_EQ(bus.FindFreeSlot(false), 0);
  EXPECT_EQ(bus.FindFreeSlot(true), 1);
  FillSlots(1, 7);
  EXPECT_EQ(bus.FindFreeSlot(false), 0);
  EXPECT_EQ(bus.FindFreeSlot(true), -1);
  FillSlots(0, 0);
  EXPECT_EQ(bus.FindFreeSlot(false), -1);
  ASSERT_EQ(bus.UnplugDevice(5), kOk);
  EXPECT_EQ(bus.FindFreeSlot(true), 5);
  // A failed query on the way ends the search.
  io->fail = [](const testing::RecordingDeviceIo::Request& r) -> Status {
    return r.in.size() > 28 && r.in[28] == 3 ? kErrIoDevice : kOk;
  };
  EXPECT_EQ(bus.FindFreeSlot(true), -1);
}

TEST_F(StorageBusTest, EveryRequestClosesItsHandle) {
  FillSlots(0, 1);
  bus.FindFreeSlot(false);
  uint32_t count;
  bus.GetVolumeCount(&count);
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(StorageBusTest, MalformedAdapterRequestsAreRefused) {
  Handle h;
  ASSERT_EQ(platform.device_io->Open(bus.adapter_path(), kGenericRead | kGenericWrite, 3, kOpenExisting, 0, &h), kOk);
  Bytes buffer(28 + 1836, 0);
  uint32_t returned;
  // No header.
  EXPECT_EQ(platform.device_io->Control(h, kIoctlScsiMiniport, buffer.data(), 28 + 1836, buffer.data(), 28 + 1836,
                                        &returned),
            kErrInvalidParameter);
  PutU32LE(buffer, 0, 28);
  PutBytes(buffer, 4, "DSCSIPRT", 8);
  PutU32LE(buffer, 16, kVscsiCtlQuery);
  PutU32LE(buffer, 24, 5000);  // longer than the buffer
  EXPECT_EQ(platform.device_io->Control(h, kIoctlScsiMiniport, buffer.data(), 28 + 1836, buffer.data(), 28 + 1836,
                                        &returned),
            kErrInvalidParameter);
  PutU32LE(buffer, 24, 100);  // a query with a short record
  EXPECT_EQ(platform.device_io->Control(h, kIoctlScsiMiniport, buffer.data(), 28 + 1836, buffer.data(), 28 + 1836,
                                        &returned),
            kOk);
  EXPECT_EQ(GetU32LE(buffer, 20), kStatusInvalidParameter);
  EXPECT_EQ(platform.device_io->Control(h, 0x12345, nullptr, 0, nullptr, 0, &returned), kErrInvalidFunction);
  platform.device_io->Close(h);
}

class SnapshotCommandTest : public StorageBusTest {
 protected:
  void SetUp() override {
    StorageBusTest::SetUp();
    ASSERT_EQ(bus.PlugDevice(NewImage(1, "snap.img", 8 << 20)), kOk);
    disk = OpenDisk(1);
  }
  void TearDown() override { platform.device_io->Close(disk); }

  Status Take(const std::u16string& name, uint64_t from = 0) {
    Bytes data(kTakeSnapshotDataSize, 0);
    PutUtf16Field(data, 0, 512, name);
    PutUtf16Field(data, 512, kTakeSnapshotDataSize - 512, u"about " + name);
    uint32_t n;
    return bus.SendVendorCommand(disk, kScsiOpTakeSnapshot, from, data.data(), static_cast<uint32_t>(data.size()),
                                 nullptr, 0, &n, from == 0 ? 1 : 0);
  }
  uint64_t Current() {
    uint8_t out[8];
    uint32_t n;
    EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpCurrentSnapshot, 0, nullptr, 0, out, 8, &n), kOk);
    return GetU64LE(ConstByteSpan(out, 8), 0);
  }
  uint32_t Flag(uint8_t op, uint64_t id) {
    uint8_t out[4] = {};
    uint32_t n;
    EXPECT_EQ(bus.SendVendorCommand(disk, op, id, nullptr, 0, out, 4, &n), kOk);
    return GetU32LE(ConstByteSpan(out, 4), 0);
  }
  std::vector<SnapshotRecord> Children(uint64_t parent) {
    uint32_t length = 0;
    Bytes first(snaprec::kSize);
    EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpListChildren, parent, nullptr, 0, first.data(), snaprec::kSize, &length),
              kOk);
    Bytes all(length);
    uint32_t again = 0;
    EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpListChildren, parent, nullptr, 0, all.data(), length, &again), kOk);
    EXPECT_EQ(again, length);
    std::vector<SnapshotRecord> out;
    for (size_t off = 0; off + snaprec::kSize <= all.size(); off += snaprec::kSize)
      out.push_back(SnapshotRecord::FromBytes({all.data() + off, snaprec::kSize}));
    return out;
  }
  Handle disk = kInvalidHandle;
};

TEST_F(SnapshotCommandTest, TreeOfSnapshots) {
  EXPECT_EQ(Flag(kScsiOpSnapshotSupport, 0), 1u);
  EXPECT_EQ(Current(), 0u);
  ASSERT_EQ(Take(u"one"), kOk);
  uint64_t one = Current();
  ASSERT_NE(one, 0u);
  ASSERT_EQ(Take(u"two"), kOk);
  uint64_t two = Current();
  ASSERT_EQ(Take(u"branch", one), kOk);  // from an older snapshot: the disk stays on "two"
  EXPECT_EQ(Current(), two);
  EXPECT_EQ(Flag(kScsiOpSnapshotCount, 0), 3u);

  auto top = Children(0);
  ASSERT_EQ(top.size(), 1u);
  EXPECT_EQ(top[0].name(), "one");
  EXPECT_EQ(top[0].description(), "about one");
  auto under_one = Children(one);
  ASSERT_EQ(under_one.size(), 2u);
  EXPECT_EQ(under_one[0].name(), "two");
  EXPECT_EQ(under_one[1].name(), "branch");

  // Capacity 0 reports the children's length alone.
  uint32_t length = 99;
  EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpListChildren, one, nullptr, 0, nullptr, 0, &length), kOk);
  EXPECT_EQ(length, 2 * snaprec::kSize);
  EXPECT_EQ(Flag(kScsiOpCanDelete, one), 0u);  // has children
  EXPECT_EQ(Flag(kScsiOpCanDelete, two), 0u);  // current
  EXPECT_EQ(Flag(kScsiOpCanDelete, under_one[1].id()), 1u);

  uint32_t n;
  ASSERT_EQ(bus.SendVendorCommand(disk, kScsiOpSelectSnapshot, one, nullptr, 0, nullptr, 0, &n), kOk);
  ASSERT_EQ(bus.SendVendorCommand(disk, kScsiOpRevert, 0, nullptr, 0, nullptr, 0, &n), kOk);
  EXPECT_EQ(Current(), one);

  SnapshotRecord rename;
  rename.set_name("renamed");
  rename.set_description("new text");
  ASSERT_EQ(bus.SendVendorCommand(disk, kScsiOpSetSnapshot, two, rename.data(), snaprec::kSize, nullptr, 0, &n), kOk);
  Bytes got(snaprec::kSize);
  ASSERT_EQ(bus.SendVendorCommand(disk, kScsiOpGetSnapshot, two, nullptr, 0, got.data(), snaprec::kSize, &n), kOk);
  EXPECT_EQ(SnapshotRecord::FromBytes(got).name(), "renamed");

  ASSERT_EQ(bus.SendVendorCommand(disk, kScsiOpMergeSnapshot, one, nullptr, 0, nullptr, 0, &n), kOk);
  EXPECT_EQ(Current(), 0u);
  EXPECT_EQ(Children(0).size(), 2u);  // the merged snapshot's children moved up
  ASSERT_EQ(bus.SendVendorCommand(disk, kScsiOpDeleteSnapshot, two, nullptr, 0, nullptr, 0, &n), kOk);
  EXPECT_EQ(Flag(kScsiOpSnapshotCount, 0), 1u);
}

TEST_F(SnapshotCommandTest, ListLongerThanAPage) {
  for (int i = 0; i < 5; ++i) ASSERT_EQ(Take(U16("s" + std::to_string(i)), 0), kOk);
  // Five snapshots in a chain; branch four more off the first.
  uint64_t first = Children(0)[0].id();
  for (int i = 0; i < 4; ++i) ASSERT_EQ(Take(U16("b" + std::to_string(i)), first), kOk);
  auto kids = Children(first);
  ASSERT_EQ(kids.size(), 5u);
  EXPECT_GT(kids.size() * snaprec::kSize, platform.memory->PageSize());
  EXPECT_EQ(kids[4].name(), "b3");
}

TEST_F(SnapshotCommandTest, RefusedCommandIsACheckConditionWithSense) {
  uint32_t n = 0;
  Bytes got(snaprec::kSize);
  EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpGetSnapshot, 77, nullptr, 0, got.data(), snaprec::kSize, &n), 2u);
  EXPECT_EQ(n, sim::kSenseUnknownSnapshot);
  EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpRevert, 0, nullptr, 0, nullptr, 0, &n), 2u);
  EXPECT_EQ(n, sim::kSenseNothingToRevert);
  // Change of secret applies to iSCSI disks only.
  Bytes secret(kChangeSecretDataSize, 0);
  EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpChangeSecret, 0, secret.data(), kChangeSecretDataSize, nullptr, 0, &n),
            2u);
  // The system disk of another maker knows no vendor commands.
  Handle system = kInvalidHandle;
  ASSERT_EQ(platform.device_io->Open(u"\\\\.\\PHYSICALDRIVE0", kGenericRead | kGenericWrite, 3, kOpenExisting, 0,
                                     &system),
            kOk);
  uint8_t flag[4];
  EXPECT_EQ(bus.SendVendorCommand(system, kScsiOpSnapshotSupport, 0, nullptr, 0, flag, 4, &n), 2u);
  platform.device_io->Close(system);
  // A failing request gives its error and no length.
  io->fail = [](const testing::RecordingDeviceIo::Request&) -> Status { return kErrIoDevice; };
  n = 5;
  EXPECT_EQ(bus.SendVendorCommand(disk, kScsiOpSnapshotCount, 0, nullptr, 0, flag, 4, &n), kErrIoDevice);
  EXPECT_EQ(n, 0u);
}

TEST_F(SnapshotCommandTest, ChangeSecretOfAnIscsiDisk) {
  DeviceRecord r;
  r.set_slot(6);
  r.set_device_type(kIscsiDisk);
  r.set_target_address(0x0100007F);
  r.set_target_port(3260);
  r.set_target_class(2);
  r.set_target_name("iqn.2026-12.test:a");
  r.set_use_login(true);
  r.set_user_name("u");
  r.set_secret("old-secret12");
  ASSERT_EQ(bus.PlugDevice(r), kOk);
  DeviceRecord q;
  ASSERT_EQ(bus.QueryDevice(6, &q), kOk);
  EXPECT_EQ(q.secret(), "");  // not echoed
  Handle h = OpenDisk(6);
  Bytes data(kChangeSecretDataSize, 0);
  PutAnsiField(data, 0, 256, "wrong");
  PutAnsiField(data, 256, 256, "u2");
  PutAnsiField(data, 512, 256, "new-secret12");
  uint32_t n;
  EXPECT_EQ(bus.SendVendorCommand(h, kScsiOpChangeSecret, 0, data.data(), kChangeSecretDataSize, nullptr, 0, &n), 2u);
  PutAnsiField(data, 0, 256, "old-secret12");
  EXPECT_EQ(bus.SendVendorCommand(h, kScsiOpChangeSecret, 0, data.data(), kChangeSecretDataSize, nullptr, 0, &n), kOk);
  EXPECT_EQ(State().slots[6].chap_secret, "new-secret12");
  platform.device_io->Close(h);
}

class VolumeDriverTest : public StorageBusTest {
 protected:
  VolumeRecord NewVolume(const std::u16string& guid) {
    VolumeRecord v;
    v.set_record_kind(7);
    v.set_target_class(2);
    v.set_server_address(0x0100007F);
    v.set_server_port(3260);
    v.set_target_name(u"iqn.2026-12.test:folder");
    v.set_volume_name(u"Volume" + guid);
    v.set_mount_folder(u"C:\\Mounts\\f");
    return v;
  }
};

TEST_F(VolumeDriverTest, MountListAndDetach) {
  io->open_flags.clear();
  ASSERT_EQ(bus.MountVolume(NewVolume(u"{11111111-2222-3333-4444-555555555555}")), kOk);
  EXPECT_EQ(bus.MountVolume(NewVolume(u"{11111111-2222-3333-4444-555555555555}")), kErrAlreadyExists);
  uint32_t count = 0;
  ASSERT_EQ(bus.GetVolumeCount(&count), kOk);
  EXPECT_EQ(count, 1u);
  VolumeRecord got;
  ASSERT_EQ(bus.GetVolumeInfo(0, &got), kOk);
  EXPECT_EQ(got.mount_folder(), u"C:\\Mounts\\f");
  EXPECT_GT(got.capacity(), 0u);
  EXPECT_TRUE(bus.IsVolumeActive(0));
  EXPECT_FALSE(bus.IsVolumeActive(1));
  EXPECT_NE(bus.GetVolumeInfo(3, &got), kOk);

  std::u16string path = u"\\\\.\\Volume{11111111-2222-3333-4444-555555555555}";
  ASSERT_EQ(bus.DetachVolume(path), kOk);
  ASSERT_EQ(bus.SetVolumeState(0, 1), kOk);
  EXPECT_FALSE(bus.IsVolumeActive(0));
  EXPECT_EQ(bus.DetachVolume(path), kErrFileNotFound);  // gone
  // The sequence ran in order and every handle was opened without buffering.
  std::vector<uint32_t> codes;
  for (auto& r : io->requests) codes.push_back(r.code);
  std::vector<uint32_t> detach = {kFsctlLockVolume, kIoctlVvolDetach, kFsctlDismountVolume, kFsctlUnlockVolume};
  EXPECT_NE(std::search(codes.begin(), codes.end(), detach.begin(), detach.end()), codes.end());
  for (uint32_t f : io->open_flags) EXPECT_EQ(f, kFileFlagNoBuffering);
}

TEST_F(VolumeDriverTest, DetachOfAVolumeHeldOpenFailsAtTheLock) {
  ASSERT_EQ(bus.MountVolume(NewVolume(u"{aaaaaaaa-2222-3333-4444-555555555555}")), kOk);
  Change([](sim::MachineState& s) { s.held_open.insert("Volume{aaaaaaaa-2222-3333-4444-555555555555}"); });
  EXPECT_EQ(bus.DetachVolume(u"\\\\.\\Volume{aaaaaaaa-2222-3333-4444-555555555555}"), kErrAccessDenied);
  EXPECT_TRUE(bus.IsVolumeActive(0));
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(VolumeDriverTest, MalformedMountIsRefused) {
  VolumeRecord v = NewVolume(u"{x}");
  v.set_record_kind(6);
  EXPECT_EQ(bus.MountVolume(v), kErrInvalidParameter);
  VolumeRecord unnamed = NewVolume(u"");
  unnamed.set_volume_name(u"NotAVolume");
  EXPECT_EQ(bus.MountVolume(unnamed), kErrInvalidName);
}

}  // namespace
}  // namespace tw

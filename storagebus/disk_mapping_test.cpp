// Slot-to-letter mapping and volume locking over the simulated WMI and volumes.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>

#include "platform/testing/sim_fixture.h"
#include "storagebus/testing/image_records.h"
#include "platform/wmi.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"
#include "storagebus/wmi_query.h"

namespace tw {
namespace {

class DiskMappingTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetUp() override { ASSERT_EQ(bus.SelectAdapter(0), kOk); }
  void PlugImage(uint8_t slot) {
    ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(slot, folder.Win32Path("d" + std::to_string(slot) + ".img"))),
              kOk);
  }
  void PlugCd(uint8_t slot) {
    std::ofstream(folder.path() / "c.iso") << "iso";
    DeviceRecord r;
    r.set_slot(slot);
    r.set_device_type(kCdRom);
    r.set_cd_image_path(folder.Win32Path("c.iso"));
    ASSERT_EQ(bus.PlugDevice(r), kOk);
  }
  int Count(uint32_t code) {
    int n = 0;
    for (auto& r : io->requests) n += r.code == code;
    return n;
  }
  StorageBus bus{platform};
  DiskMapping map{platform};
};

TEST_F(DiskMappingTest, LettersOfDisksAndCdDrives) {
  EXPECT_EQ(map.GetSlotLetters(0), u"");  // the system disk of another maker is target 0 but not ours
  EXPECT_EQ(map.FindSlotDisk(0), u"");
  PlugImage(0);
  EXPECT_EQ(map.GetSlotLetters(0), u"D: ");
  EXPECT_EQ(map.FindSlotDisk(0), u"\\\\.\\PHYSICALDRIVE1");

  Change([](sim::MachineState& s) {
    s.partitions_per_disk = 3;
    s.unlettered_partitions = 1;
  });
  PlugImage(2);
  EXPECT_EQ(map.GetSlotLetters(2), u"E: F: ");  // the unlettered partition adds nothing
  PlugCd(3);
  EXPECT_EQ(map.GetSlotLetters(3), u"G:");
  EXPECT_EQ(map.FindSlotDisk(3), u"");  // CD/DVD drives have no disk path
  EXPECT_EQ(map.GetSlotLetters(5), u"");
  // One listing gives every slot what asking slot by slot gives.
  std::array<std::u16string, kSlotCount> all = map.AllSlotLetters();
  for (int slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(all[slot], map.GetSlotLetters(slot)) << slot;
  EXPECT_EQ(all[2], u"E: F: ");
  EXPECT_EQ(all[3], u"G:");
}

TEST_F(DiskMappingTest, AssociationsNeedDoubledBackslashes) {
  PlugImage(1);
  WmiQuery q(*platform.wmi);
  ASSERT_TRUE(q.connected());
  // Undoubled, the DeviceID is no valid WQL string.
  EXPECT_EQ(q.Execute(u"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\.\\PHYSICALDRIVE2\"} WHERE AssocClass = "
                      u"Win32_DiskDriveToDiskPartition"),
            -1);
  ASSERT_EQ(q.Execute(u"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"" + EscapeWqlString(u"\\\\.\\PHYSICALDRIVE2") +
                      u"\"} WHERE AssocClass = Win32_DiskDriveToDiskPartition"),
            0);
  std::u16string id;
  ASSERT_TRUE(q.GetText(u"DeviceID", &id));
  EXPECT_EQ(id, u"Disk #2, Partition #0");
  EXPECT_FALSE(q.Next());
  EXPECT_TRUE(q.AtEnd() || !q.Next());
}

// WMI answering from a table of query texts; a text not in it finds nothing.
class TableWmi final : public WmiService, public WmiConnection {
 public:
  std::map<std::u16string, std::vector<WmiRow>> answers;
  std::vector<std::u16string> asked;
  Status Connect(const std::u16string&, std::unique_ptr<WmiConnection>* out) override {
    struct Forward final : WmiConnection {
      explicit Forward(TableWmi& t) : t(t) {}
      Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) override {
        return t.ExecQuery(wql, rows);
      }
      TableWmi& t;
    };
    *out = std::make_unique<Forward>(*this);
    return kOk;
  }
  Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) override {
    asked.push_back(wql);
    *rows = answers[wql];
    return kOk;
  }
};

TEST_F(DiskMappingTest, OnlyDriveIdsBecomeLettersAndQuotedIdsStayWhole) {
  // A disk id with a quote in it, and logical disks whose ids are no
  // drive letters: readers take every third character, so "Velthorn ..."
  // would have them lock V:, t:, r:, ...
  TableWmi wmi;
  const std::u16string disk = u"\\\\.\\PHYSICALDRIVE\"9";
  const auto text = [](std::u16string t) { return WmiValue::Text(std::move(t)); };
  wmi.answers[u"SELECT * FROM Win32_DiskDrive"] = {
      {{u"Caption", text(u"Velthorn Virtual Disk")}, {u"DeviceID", text(disk)}, {u"SCSITargetId", WmiValue::Int(1)}}};
  wmi.answers[u"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PHYSICALDRIVE\\\"9\"} WHERE AssocClass = "
              u"Win32_DiskDriveToDiskPartition"] = {{{u"DeviceID", text(u"P")}}};
  wmi.answers[u"ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"P\"} WHERE AssocClass = Win32_LogicalDiskToPartition"] =
      {{{u"DeviceID", text(u"Velthorn Virtual Disk")}}, {{u"DeviceID", text(u"E:")}}, {{u"DeviceID", text(u"F")}},
       {{u"DeviceID", text(u"G:\\")}}, {{u"DeviceID", WmiValue::Int(7)}}, {{u"DeviceID", text(u"h:")}}};
  wmi.answers[u"SELECT * FROM Win32_CDROMDrive"] = {
      {{u"Caption", text(u"Velthorn CdRom")}, {u"Id", text(u"CdRom0")}, {u"SCSITargetId", WmiValue::Int(2)}},
      {{u"Caption", text(u"Velthorn CdRom")}, {u"Id", text(u"K:")}, {u"SCSITargetId", WmiValue::Int(3)}}};
  Platform p = platform;
  p.wmi = &wmi;
  DiskMapping mapping(p);
  EXPECT_EQ(mapping.GetSlotLetters(1), u"E: h: ");
  EXPECT_EQ(mapping.GetSlotLetters(2), u"");
  EXPECT_EQ(mapping.GetSlotLetters(3), u"K:");
  const auto all = mapping.AllSlotLetters();
  EXPECT_EQ(all[1], u"E: h: ");
  EXPECT_EQ(all[2], u"");
  EXPECT_EQ(all[3], u"K:");
  EXPECT_EQ(mapping.FindSlotDisk(1), disk);
  EXPECT_EQ(EscapeWqlString(u"a\"b\\c"), u"a\\\"b\\\\c");
}

TEST_F(DiskMappingTest, WmiQueryCursorAndValues) {
  PlugImage(4);
  WmiQuery q(*platform.wmi);
  ASSERT_EQ(q.Execute(u"SELECT * FROM Win32_DiskDrive"), 0);
  int rows = 0, target = -1;
  std::u16string caption;
  for (; !q.AtEnd(); ++rows) {
    if (q.GetText(u"Caption", &caption) && IsOwnDriveCaption(caption)) {
      ASSERT_TRUE(q.GetInt(u"SCSITargetId", &target));
    }
    if (!q.Next()) break;
  }
  EXPECT_EQ(rows + 1, 2);
  EXPECT_EQ(target, 4);
  EXPECT_FALSE(q.GetText(u"NoSuchProperty", &caption));
  EXPECT_EQ(q.Execute(u"SELEKT nonsense"), -1);
  EXPECT_TRUE(q.AtEnd());
  EXPECT_TRUE(IsOwnDriveCaption(u"VELTHORN something"));
  EXPECT_FALSE(IsOwnDriveCaption(u"Velthor"));
  EXPECT_EQ(EscapeWqlString(u"a\\b\\\\c"), u"a\\\\b\\\\\\\\c");
}

TEST_F(DiskMappingTest, LockingAVolumeThatIsHeldOpen) {
  PlugImage(0);
  EXPECT_EQ(map.LockAndDismount(u'D'), kOk);
  Change([](sim::MachineState& s) { s.held_open.insert("D:"); });
  io->requests.clear();
  EXPECT_EQ(map.LockAndDismount(u'D'), kErrAccessDenied);
  EXPECT_EQ(Count(kFsctlLockVolume), 3);
  EXPECT_EQ(Count(kFsctlDismountVolume), 0);
  EXPECT_EQ(map.LockSlotVolumes(0), kErrAccessDenied);
  EXPECT_EQ(map.LockAndDismount(u'Q'), kErrFileNotFound);  // no such volume
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(DiskMappingTest, LockStopsRetryingOnceADismountSucceeds) {
  PlugImage(0);
  int locks = 0;
  io->fail = [&](const testing::RecordingDeviceIo::Request& r) -> Status {
    if (r.code == kFsctlLockVolume && ++locks == 1) return kErrAccessDenied;
    return kOk;
  };
  EXPECT_EQ(map.LockAndDismount(u'D'), kOk);
  EXPECT_EQ(locks, 2);
  // Only the dismounts failing still gives 0.
  io->fail = [](const testing::RecordingDeviceIo::Request& r) -> Status {
    return r.code == kFsctlDismountVolume ? kErrNotReady : kOk;
  };
  EXPECT_EQ(map.LockAndDismount(u'D'), kOk);
}

TEST_F(DiskMappingTest, UnlockReportsAnEarlierFailureEvenAfterSuccess) {
  PlugImage(0);
  int unlocks = 0;
  io->fail = [&](const testing::RecordingDeviceIo::Request& r) -> Status {
    if (r.code == kFsctlUnlockVolume && ++unlocks == 1) return kErrNotReady;
    return kOk;
  };
  // The second try finds the volume not locked (158) and the third too: the last failure is remembered.
  Status st = map.UnlockVolume(u'D');
  EXPECT_NE(st, kOk);
  EXPECT_EQ(unlocks, 3);
}

TEST_F(DiskMappingTest, UnlockSlotVolumesRefreshesTheDiskEvenWithoutLetters) {
  Change([](sim::MachineState& s) {
    s.partitions_per_disk = 1;
    s.unlettered_partitions = 1;
  });
  PlugImage(1);
  EXPECT_EQ(map.GetSlotLetters(1), u"");
  Handle disk = kInvalidHandle;
  ASSERT_EQ(platform.device_io->Open(map.FindSlotDisk(1), kGenericRead | kGenericWrite, 3, kOpenExisting, 0, &disk),
            kOk);
  io->requests.clear();
  EXPECT_EQ(map.UnlockSlotVolumes(1, disk), kOk);
  EXPECT_EQ(Count(kIoctlDiskUpdateProperties), 1);
  platform.device_io->Close(disk);
}

TEST_F(DiskMappingTest, LockThenUnlockRoundTrip) {
  PlugImage(0);
  EXPECT_EQ(map.LockSlotVolumes(0), kOk);
  Handle disk = kInvalidHandle;
  ASSERT_EQ(platform.device_io->Open(map.FindSlotDisk(0), kGenericRead | kGenericWrite, 3, kOpenExisting, 0, &disk),
            kOk);
  // The lock ended with its handle: the unlock finds nothing locked, and the
  // disk is still told to read its partitions again.
  io->requests.clear();
  EXPECT_EQ(map.UnlockSlotVolumes(0, disk), kOk);
  EXPECT_EQ(Count(kIoctlDiskUpdateProperties), 1);
  Change([](sim::MachineState& s) { s.slots[0].partitions = {'D'}; });
  io->fail = [](const testing::RecordingDeviceIo::Request& r) -> Status {
    return r.code == kFsctlUnlockVolume ? kErrNotReady : kOk;
  };
  EXPECT_EQ(map.UnlockSlotVolumes(0, disk), kErrNotReady);  // a real failure still stops
  platform.device_io->Close(disk);
}

}  // namespace
}  // namespace tw

// The context menu's snapshot commands over the simulated machine.
#include "devices/snapshots/snapshot_menu_commands.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/product.h"
#include "base/text.h"
#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/snapshot_test_support.h"

namespace tw {
namespace {

using R = SnapshotCommandResult;

class SnapshotMenuTest : public ::testing::Test, public testing::SnapshotMachine {
 protected:
  RunCreateSnapshotDialog Typing(const std::u16string& name, const std::u16string& description) {
    return [=](CreateSnapshotDialogModel& d) {
      d.SetName(name);
      d.SetDescription(description);
      return true;
    };
  }
};

TEST_F(SnapshotMenuTest, FolderRowsAndSlotsWithoutADiskDoNothing) {
  PlugImage(0);
  io->opened.clear();
  int dialogs = 0;
  auto dialog = [&](CreateSnapshotDialogModel&) { return ++dialogs, true; };
  for (uint32_t tag : {0xF0000000u, 0x10000000u, 0xF0000003u}) {
    EXPECT_EQ(TakeSnapshotOfDevice(platform, tag, dialog).result, R::kNotApplicable);
    EXPECT_EQ(RevertDevice(platform, tag).result, R::kNotApplicable);
    EXPECT_EQ(OpenSnapshotManager(platform, tag, [&](SnapshotManagerModel&) { ++dialogs; }).result,
              R::kNotApplicable);
    EXPECT_EQ(ChangeDeviceSecret(platform, tag, [&](ChangeSecretDialogModel&) { return ++dialogs, true; }).result,
              R::kNotApplicable);
  }
  EXPECT_TRUE(io->opened.empty());
  // Slot 5 is empty: its disk is not found and nothing is shown.
  EXPECT_EQ(TakeSnapshotOfDevice(platform, 5, dialog).result, R::kNotApplicable);
  EXPECT_EQ(RevertDevice(platform, 5).result, R::kNotApplicable);
  EXPECT_EQ(dialogs, 0);
  EXPECT_TRUE(prompter.shown.empty());
  // The disk is opened read-write, shared, with no flags.
  EXPECT_EQ(RevertDevice(platform, 0).result, R::kNotApplicable);  // no current snapshot
  ASSERT_FALSE(io->opened.empty());
  EXPECT_EQ(io->opened.back(), sim::DiskDeviceId(0));
  EXPECT_EQ(io->open_flags.back(), 0u);
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(SnapshotMenuTest, TakeFromTheDevicePageSendsTheTypedTextsAsUtf16) {
  PlugImage(1);
  EXPECT_EQ(TakeSnapshotOfDevice(platform, 1, [](CreateSnapshotDialogModel&) { return false; }).result, R::kStopped);
  EXPECT_EQ(CountOp(kScsiOpTakeSnapshot), 0);

  // Catch the data block while the request is under way.
  std::vector<uint8_t> data;
  io->fail = [&](const testing::RecordingDeviceIo::Request& r) -> Status {
    if (r.code == kIoctlScsiPassThroughDirect && r.in[sptd::kCdb] == kScsiOpTakeSnapshot) {
      auto* p = reinterpret_cast<const uint8_t*>(
          static_cast<uintptr_t>(GetU64LE(ConstByteSpan(r.in), sptd::kDataBuffer)));
      data.assign(p, p + GetU32LE(ConstByteSpan(r.in), sptd::kDataTransferLength));
    }
    return kOk;
  };
  SnapshotCommandOutcome o = TakeSnapshotOfDevice(platform, 1, Typing(u"Before update", u"clean \u00e9tat"));
  ASSERT_EQ(o.result, R::kDone);
  EXPECT_EQ(Texts().back(), u"Take snapshot successfully!");
  ASSERT_EQ(data.size(), 3104u);
  EXPECT_EQ(GetUtf16Field(data, 0, 512), u"Before update");
  EXPECT_EQ(GetUtf16Field(data, 512, 3104 - 512), u"clean \u00e9tat");
  for (const auto& c : Sent()) {
    if (c.op == kScsiOpTakeSnapshot) {
      EXPECT_EQ(c.id, 0u);
      EXPECT_EQ(c.byte_argument, 1);
    }
  }
  sim::MachineState s = State();
  ASSERT_EQ(s.slots[1].snapshots.size(), 1u);
  EXPECT_EQ(s.slots[1].snapshots[0].name, "Before update");
  EXPECT_EQ(s.slots[1].current, s.slots[1].snapshots[0].id);
  EXPECT_EQ(io->open_handles, 0);

  // The dialog's limits hold.
  CreateSnapshotDialogModel d;
  d.SetName(std::u16string(50, u'a'));
  d.SetDescription(std::u16string(5000, u'b'));
  EXPECT_EQ(d.name().size(), 31u);
  EXPECT_EQ(d.description().size(), 1023u);
}

TEST_F(SnapshotMenuTest, TakeOnADeviceWithoutSnapshotsShowsTheCheckCondition) {
  DeviceRecord cloud;
  cloud.set_slot(2);
  cloud.set_device_type(kCloudDisk);
  cloud.set_target_address(0x0100007F);
  cloud.set_target_port(80);
  cloud.set_target_name("cloud-disk");
  cloud.set_user_name("carol");
  ASSERT_EQ(bus.PlugDevice(cloud), kOk);
  SnapshotCommandOutcome o = TakeSnapshotOfDevice(platform, 2, Typing(u"x", u""));
  EXPECT_EQ(o.result, R::kFailed);
  EXPECT_EQ(o.status, 2u);
  EXPECT_EQ(Texts().back(), u"Take snapshot error 2");
  // A CD/DVD drive is no disk drive: the command finds nothing to open.
  PlugCd(3);
  EXPECT_EQ(TakeSnapshotOfDevice(platform, 3, Typing(u"x", u"")).result, R::kNotApplicable);
}

TEST_F(SnapshotMenuTest, RevertAsksForTheCurrentSnapshotByName) {
  PlugImage(0);
  AddSnapshot(0, 1, 0, "Monday");
  AddSnapshot(0, 2, 1, "Tuesday");
  SetCurrent(0, 2);
  prompter.answers = {kIdNo};
  EXPECT_EQ(RevertDevice(platform, 0).result, R::kStopped);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, u"Do you want to revert to: Tuesday");
  EXPECT_EQ(prompter.shown[0].caption, u"Are you sure?");
  EXPECT_EQ(prompter.shown[0].style, kMbYesNo | kMbIconQuestion);
  EXPECT_EQ(CountOp(kScsiOpRevert), 0);
  EXPECT_EQ(CountCode(kFsctlLockVolume), 0);

  prompter.answers = {kIdYes};
  EXPECT_EQ(RevertDevice(platform, 0).result, R::kDone);
  EXPECT_EQ(Texts().back(), u"Revert snapshot successfully!");
  EXPECT_EQ(CountOp(kScsiOpRevert), 1);
  EXPECT_EQ(CountCode(kFsctlDismountVolume), 1);
  EXPECT_EQ(State().slots[0].current, 2u);
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(SnapshotMenuTest, RevertWithAHeldOpenVolumeShowsTheLockMessageAndLeavesTheDisk) {
  PlugImage(0);
  AddSnapshot(0, 1, 0, "Monday");
  SetCurrent(0, 1);
  Change([](sim::MachineState& s) { s.held_open.insert("D:"); });
  prompter.answers = {kIdYes};
  SnapshotCommandOutcome o = RevertDevice(platform, 0);
  EXPECT_EQ(o.result, R::kFailed);
  EXPECT_EQ(Texts().back(),
            u"One or more volume on the device couldn't be locked, please check if there is being in use.");
  EXPECT_EQ(CountOp(kScsiOpRevert), 0);
  EXPECT_EQ(CountOp(kScsiOpSelectSnapshot), 0);
  EXPECT_EQ(State().slots[0].current, 1u);
}

// The revert is the driver's own: nothing is selected first, so a driver
// that refuses to select the snapshot it already runs on still reverts.
TEST_F(SnapshotMenuTest, RevertSendsOnlyTheRevertAndUnreadableSnapshotsStopSilently) {
  PlugImage(0);
  AddSnapshot(0, 1, 0, "Monday");
  SetCurrent(0, 1);
  FailOp(kScsiOpSelectSnapshot, kErrGenFailure);
  prompter.answers = {kIdYes};
  EXPECT_EQ(RevertDevice(platform, 0).result, R::kDone);
  EXPECT_EQ(Texts().back(), u"Revert snapshot successfully!");
  EXPECT_EQ(CountOp(kScsiOpSelectSnapshot), 0);
  EXPECT_EQ(CountOp(kScsiOpRevert), 1);

  FailOp(kScsiOpRevert, kErrGenFailure);
  prompter.answers = {kIdYes};
  EXPECT_EQ(RevertDevice(platform, 0).result, R::kFailed);
  EXPECT_EQ(Texts().back(), u"Revert snapshot error 1f");

  prompter.shown.clear();
  for (uint8_t op : {kScsiOpCurrentSnapshot, kScsiOpGetSnapshot}) {
    FailOp(op, kErrGenFailure);
    EXPECT_EQ(RevertDevice(platform, 0).result, R::kFailed);
  }
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SnapshotMenuTest, SnapshotManagerRunsOverAnOpenModelAndClosesTheDisk) {
  PlugImage(3);
  AddSnapshot(3, 7, 0, "only");
  SetCurrent(3, 7);
  size_t nodes = 0;
  int handles_during = 0;
  SnapshotCommandOutcome o = OpenSnapshotManager(platform, 3, [&](SnapshotManagerModel& m) {
    nodes = m.tree().size();
    handles_during = io->open_handles;
    EXPECT_EQ(m.slot(), 3);
  });
  EXPECT_EQ(o.result, R::kDone);
  EXPECT_EQ(nodes, 3u);
  EXPECT_EQ(handles_during, 1);
  EXPECT_EQ(io->open_handles, 0);
}

TEST_F(SnapshotMenuTest, ChangeSecretPutsTheThreeFieldsInPlace) {
  PlugIscsi(4, "alice", "old-secret-1");
  auto typed = [](std::u16string old_s, std::u16string name, std::u16string new_s) {
    return [=](ChangeSecretDialogModel& d) {
      d.old_secret = old_s;
      d.chap_name = name;
      d.new_secret = new_s;
      return true;
    };
  };
  EXPECT_EQ(ChangeDeviceSecret(platform, 4, [](ChangeSecretDialogModel&) { return false; }).result, R::kStopped);
  ASSERT_EQ(ChangeDeviceSecret(platform, 4, typed(u"old-secret-1", u"bob", u"new-secret-2")).result, R::kDone);
  EXPECT_TRUE(prompter.shown.empty());  // success shows nothing
  sim::MachineState s = State();
  EXPECT_EQ(s.slots[4].chap_user, "bob");
  EXPECT_EQ(s.slots[4].chap_secret, "new-secret-2");

  // A wrong old secret is refused by the driver and the user is told.
  SnapshotCommandOutcome o = ChangeDeviceSecret(platform, 4, typed(u"wrong", u"bob", u"x"));
  EXPECT_EQ(o.result, R::kFailed);
  EXPECT_EQ(Texts().back(), u"Change CHAP secret error 2");
  EXPECT_EQ(State().slots[4].chap_secret, "new-secret-2");

  // A secret that would be cut or mangled on its way is not sent at all.
  io->requests.clear();
  std::u16string too_long(256, u's');
  EXPECT_EQ(ChangeDeviceSecret(platform, 4, typed(u"new-secret-2", u"bob", too_long)).result, R::kStopped);
  EXPECT_EQ(Texts().back(), u"The old secret, the CHAP name and the new secret must each fit in 255 bytes of the system code page.");
  EXPECT_EQ(ChangeDeviceSecret(platform, 4, typed(u"new-secret-2", u"bob", u"\u4e2d\u6587")).result,
            platform.code_page->AnsiCodePage() == kCpUtf8 ? R::kDone : R::kStopped);
  EXPECT_EQ(CountOp(kScsiOpChangeSecret), platform.code_page->AnsiCodePage() == kCpUtf8 ? 1 : 0);
  // 255 bytes exactly still fit.
  if (platform.code_page->AnsiCodePage() != kCpUtf8) {
    std::u16string fits(255, u'f');
    EXPECT_EQ(ChangeDeviceSecret(platform, 4, typed(u"new-secret-2", u"bob", fits)).result, R::kDone);
    EXPECT_EQ(State().slots[4].chap_secret, std::string(255, 'f'));
  }
}

}  // namespace
}  // namespace tw

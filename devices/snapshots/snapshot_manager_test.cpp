// The Snapshot Manager's model over the simulated machine.
#include "devices/snapshots/snapshot_manager.h"

#include <gtest/gtest.h>

#include "base/product.h"
#include "devices/snapshots/snapshot_test_support.h"

namespace tw {
namespace {

class SnapshotManagerTest : public ::testing::Test, public testing::SnapshotMachine {
 protected:
  void SetUp() override { PlugImage(0); }
  void TearDown() override {
    if (disk != kInvalidHandle) io->Close(disk);
  }
  SnapshotManagerModel& Open() {
    disk = OpenDisk(0);
    model = std::make_unique<SnapshotManagerModel>(platform, disk, 0);
    model->on_redraw = [this] { ++redraws; };
    model->Open();
    return *model;
  }
  int Node(const std::u16string& name) const {
    const SnapshotTree& t = model->tree();
    for (size_t i = 0; i < t.size(); ++i)
      if (t.node(static_cast<int>(i)).name == name) return static_cast<int>(i);
    return kNoNode;
  }
  // A -> {B -> D, C}; the disk runs on D.
  void FourSnapshots() {
    AddSnapshot(0, 1, 0, "A", "first");
    AddSnapshot(0, 2, 1, "B");
    AddSnapshot(0, 3, 1, "C");
    AddSnapshot(0, 4, 2, "D");
    SetCurrent(0, 4);
  }

  Handle disk = kInvalidHandle;
  std::unique_ptr<SnapshotManagerModel> model;
  int redraws = 0;
};

TEST_F(SnapshotManagerTest, DiskWithoutSnapshotsOffersNothingButTaking) {
  SnapshotManagerModel& m = Open();
  EXPECT_EQ(m.tree().size(), 2u);
  EXPECT_EQ(m.tree().selected(), m.tree().present_state());
  EXPECT_TRUE(m.name_text().empty());
  EXPECT_FALSE(m.go_to_enabled());
  EXPECT_FALSE(m.delete_enabled());
  EXPECT_FALSE(m.merge_enabled());
  EXPECT_FALSE(m.GoTo());
  EXPECT_FALSE(m.Delete());
  EXPECT_FALSE(m.Merge());
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_GE(redraws, 1);
}

TEST_F(SnapshotManagerTest, SelectionShowsDetailsAndEnablesByChildrenAndDriverFlags) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  EXPECT_EQ(m.tree().node(Node(u"D")).kind, SnapshotNodeKind::kCurrentSnapshot);

  m.SelectNode(Node(u"A"));  // has children
  EXPECT_EQ(m.name_text(), u"A");
  EXPECT_EQ(m.description_text(), u"first");
  EXPECT_FALSE(m.go_to_enabled());
  EXPECT_FALSE(m.delete_enabled());
  EXPECT_TRUE(m.merge_enabled());  // the driver's flag alone decides

  m.SelectNode(Node(u"C"));  // a leaf the disk does not run on
  EXPECT_TRUE(m.go_to_enabled());
  EXPECT_TRUE(m.delete_enabled());

  m.SelectNode(Node(u"D"));  // the current snapshot cannot be deleted
  EXPECT_TRUE(m.go_to_enabled());
  EXPECT_FALSE(m.delete_enabled());

  // A failing can-delete request disables both.
  FailOp(kScsiOpCanDelete, kErrGenFailure);
  m.SelectNode(Node(u"C"));
  EXPECT_FALSE(m.go_to_enabled());
  EXPECT_FALSE(m.delete_enabled());
  EXPECT_TRUE(m.merge_enabled());
  // An unreadable record empties the boxes and disables everything.
  FailOp(kScsiOpGetSnapshot, kErrGenFailure);
  m.SelectNode(Node(u"C"));
  EXPECT_TRUE(m.name_text().empty());
  EXPECT_FALSE(m.merge_enabled());
  // Clicks on the root do nothing.
  io->fail = nullptr;
  m.SelectNode(m.tree().root());
  EXPECT_EQ(m.tree().selected(), Node(u"C"));
}

TEST_F(SnapshotManagerTest, TakingChoosesTheStartingPointFromTheSelection) {
  SnapshotManagerModel& m = Open();
  // Present state selected: identifier 0, byte argument 1.
  m.EditName(u"one");
  m.EditDescription(u"the first");
  ASSERT_TRUE(m.TakeSnapshot());
  EXPECT_EQ(Texts().back(), u"Creating snapshot was successful!");
  EXPECT_EQ(prompter.shown.back().caption, kAppTitle);
  auto takes = Sent();
  ASSERT_EQ(takes.back().op, kScsiOpListChildren);  // the rebuild came after
  for (auto& c : takes) {
    if (c.op == kScsiOpTakeSnapshot) {
      EXPECT_TRUE(c.id == 0 && c.byte_argument == 1);
    }
  }
  EXPECT_FALSE(m.edited());
  int one = Node(u"one");
  ASSERT_NE(one, kNoNode);
  EXPECT_EQ(m.tree().node(one).kind, SnapshotNodeKind::kCurrentSnapshot);
  EXPECT_EQ(m.tree().node(one).description, u"the first");
  EXPECT_EQ(m.tree().node(m.tree().present_state()).parent, one);

  // The current snapshot selected: still from the present state.
  m.SelectNode(one);
  io->requests.clear();
  m.EditName(u"two");
  ASSERT_TRUE(m.TakeSnapshot());
  ASSERT_EQ(CountOp(kScsiOpTakeSnapshot), 1);
  for (auto& c : Sent()) {
    if (c.op == kScsiOpTakeSnapshot) {
      EXPECT_TRUE(c.id == 0 && c.byte_argument == 1);
    }
  }
  int two = Node(u"two");
  EXPECT_EQ(m.tree().node(two).parent, Node(u"one"));
  EXPECT_EQ(m.tree().node(two).kind, SnapshotNodeKind::kCurrentSnapshot);

  // An older snapshot selected: its identifier, byte argument 0; it branches.
  m.SelectNode(Node(u"one"));
  uint64_t one_id = m.tree().node(Node(u"one")).id;
  io->requests.clear();
  m.EditName(u"side");
  ASSERT_TRUE(m.TakeSnapshot());
  for (auto& c : Sent()) {
    if (c.op == kScsiOpTakeSnapshot) {
      EXPECT_TRUE(c.id == one_id && c.byte_argument == 0);
    }
  }
  EXPECT_EQ(m.tree().node(Node(u"side")).kind, SnapshotNodeKind::kSnapshot);
  EXPECT_EQ(m.tree().node(Node(u"two")).kind, SnapshotNodeKind::kCurrentSnapshot);
  // Taking from a snapshot does not rename it with the typed text.
  EXPECT_EQ(Find(State(), 0, one_id)->name, "one");
}

TEST_F(SnapshotManagerTest, TakingRefusesEmptyAndDuplicateNames) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  io->requests.clear();
  EXPECT_FALSE(m.TakeSnapshot());
  EXPECT_EQ(Texts().back(), u"You should input snapshot name!");
  m.EditName(u"D");  // deep in the tree, not at the top
  EXPECT_FALSE(m.TakeSnapshot());
  EXPECT_EQ(Texts().back(), u"A snapshot with the same name already exists!");
  EXPECT_EQ(CountOp(kScsiOpTakeSnapshot), 0);
  EXPECT_EQ(State().slots[0].snapshots.size(), 4u);
  m.EditName(u"d");  // names compare case-sensitively
  EXPECT_TRUE(m.TakeSnapshot());
  EXPECT_EQ(State().slots[0].snapshots.size(), 5u);
  // A driver refusal shows nothing and leaves the tree.
  FailOp(kScsiOpTakeSnapshot, kErrGenFailure);
  size_t shown = prompter.shown.size();
  m.EditName(u"e");
  EXPECT_FALSE(m.TakeSnapshot());
  EXPECT_EQ(m.last_error(), kErrGenFailure);
  EXPECT_EQ(prompter.shown.size(), shown);
  EXPECT_FALSE(m.edited());
}

TEST_F(SnapshotManagerTest, EditsAreStoredForTheFirstNodeBeforeTheSecondShows) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"C"));
  m.EditName(u"C renamed");
  m.EditDescription(u"new words");
  EXPECT_TRUE(m.edited());
  io->requests.clear();
  m.SelectNode(Node(u"B"));
  auto sent = Sent();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0].op, kScsiOpSetSnapshot);
  EXPECT_EQ(sent[0].id, 3u);
  EXPECT_EQ(sent[1].op, kScsiOpGetSnapshot);
  EXPECT_EQ(sent[1].id, 2u);
  EXPECT_EQ(m.name_text(), u"B");
  EXPECT_FALSE(m.edited());
  EXPECT_EQ(Find(State(), 0, 3)->name, "C renamed");
  EXPECT_EQ(Find(State(), 0, 3)->description, "new words");
  EXPECT_EQ(m.tree().node(Node(u"C renamed")).id, 3u);

  // The boxes' limits hold whatever is typed.
  m.EditName(std::u16string(40, u'n'));
  EXPECT_EQ(m.name_text().size(), 31u);
  m.EditDescription(std::u16string(2000, u'd'));
  EXPECT_EQ(m.description_text().size(), 1023u);
  ASSERT_TRUE(m.Close());
  EXPECT_EQ(Find(State(), 0, 2)->name, std::string(31, 'n'));
  EXPECT_EQ(Find(State(), 0, 2)->description.size(), 1023u);
}

TEST_F(SnapshotManagerTest, ClearedNameIsRefusedOnCloseAndTheOldNameStays) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"C"));
  m.EditName(u"");
  io->requests.clear();
  EXPECT_FALSE(m.Close());
  EXPECT_EQ(Texts().back(), u"Snapshot name can not be none!");
  EXPECT_EQ(CountOp(kScsiOpSetSnapshot), 0);
  EXPECT_EQ(Find(State(), 0, 3)->name, "C");
  EXPECT_FALSE(m.edited());
  EXPECT_EQ(m.tree().node(Node(u"C")).id, 3u);
}

TEST_F(SnapshotManagerTest, TypingOnThePresentStateStoresNothingAnywhere) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  ASSERT_EQ(m.tree().selected(), m.tree().present_state());
  m.EditName(u"x");
  m.EditName(u"");
  size_t shown = prompter.shown.size();
  io->requests.clear();
  m.SelectNode(Node(u"B"));
  EXPECT_EQ(CountOp(kScsiOpSetSnapshot), 0);
  EXPECT_EQ(prompter.shown.size(), shown);
  EXPECT_EQ(m.name_text(), u"B");
}

TEST_F(SnapshotManagerTest, GoToRevertsAndRebuilds) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"C"));
  prompter.answers = {kIdNo};
  EXPECT_FALSE(m.GoTo());
  EXPECT_EQ(prompter.shown.back().text,
            u"By restoring this snapshot, the current state will be lost. \nDo you want to revert to snapshot \"C\" ?");
  EXPECT_EQ(prompter.shown.back().caption, kAppTitle);
  EXPECT_EQ(prompter.shown.back().style, kMbYesNo | kMbIconQuestion);
  EXPECT_EQ(CountOp(kScsiOpSelectSnapshot), 0);
  EXPECT_EQ(State().slots[0].current, 4u);

  std::vector<bool> waits;
  m.on_wait_cursor = [&](bool on) { waits.push_back(on); };
  prompter.answers = {kIdYes};
  ASSERT_TRUE(m.GoTo());
  EXPECT_EQ(State().slots[0].current, 3u);
  EXPECT_EQ(CountCode(kFsctlLockVolume), 1);
  EXPECT_GE(CountCode(kFsctlUnlockVolume), 1);  // the volumes are given back after the revert
  EXPECT_EQ(waits, (std::vector<bool>{true, false}));
  int c = Node(u"C");
  EXPECT_EQ(m.tree().node(c).kind, SnapshotNodeKind::kCurrentSnapshot);
  EXPECT_EQ(m.tree().node(Node(u"D")).kind, SnapshotNodeKind::kSnapshot);
  EXPECT_EQ(m.tree().node(m.tree().present_state()).parent, c);
  EXPECT_EQ(m.tree().selected(), m.tree().present_state());
}

TEST_F(SnapshotManagerTest, GoToWithAVolumeHeldOpenChangesNothing) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"C"));
  Change([](sim::MachineState& s) { s.held_open.insert("D:"); });
  io->requests.clear();
  prompter.answers = {kIdYes};
  EXPECT_FALSE(m.GoTo());
  EXPECT_EQ(Texts().back(),
            u"One or more volume on the device couldn't be locked, please check if there is being in use.");
  // Nothing reached the driver: no choice of snapshot is left pending.
  EXPECT_EQ(CountOp(kScsiOpSelectSnapshot), 0);
  EXPECT_EQ(CountOp(kScsiOpRevert), 0);
  sim::MachineState s = State();
  EXPECT_EQ(s.slots[0].current, 4u);
  EXPECT_EQ(s.slots[0].selected, 0u);
  EXPECT_EQ(m.tree().selected(), Node(u"C"));
  EXPECT_EQ(m.tree().node(Node(u"D")).kind, SnapshotNodeKind::kCurrentSnapshot);
}

TEST_F(SnapshotManagerTest, GoToFailuresShowTheirCode) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"C"));
  FailOp(kScsiOpSelectSnapshot, kErrGenFailure);
  prompter.answers = {kIdYes};
  EXPECT_FALSE(m.GoTo());
  EXPECT_EQ(Texts().back(), u"Can not revert to this snapshot, error code 1f");
  EXPECT_GE(CountCode(kFsctlUnlockVolume), 1);  // the volumes are given back
  EXPECT_EQ(State().slots[0].current, 4u);

  // The snapshot vanished behind the dialog's back: a check condition.
  io->fail = nullptr;
  Change([](sim::MachineState& s) { s.slots[0].snapshots.erase(s.slots[0].snapshots.begin() + 2); });
  prompter.answers = {kIdYes};
  EXPECT_FALSE(m.GoTo());
  EXPECT_EQ(Texts().back(), u"Can not revert to this snapshot, error code 2");
}

TEST_F(SnapshotManagerTest, MergeAsksThenRebuildsWithoutTheMergedSnapshot) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"B"));
  prompter.answers = {kIdNo};
  EXPECT_FALSE(m.Merge());
  EXPECT_EQ(prompter.shown.back().text,
            u"Commit and merge this snapshot, this operation may take a long time, do you want to continue?");
  EXPECT_EQ(prompter.shown.back().caption, u"Question");
  EXPECT_EQ(CountOp(kScsiOpMergeSnapshot), 0);

  prompter.answers = {kIdYes};
  ASSERT_TRUE(m.Merge());
  EXPECT_EQ(Texts().back(), u"Committing snapshot was successful!");
  EXPECT_EQ(Node(u"B"), kNoNode);
  EXPECT_EQ(m.tree().node(Node(u"D")).parent, Node(u"A"));

  FailOp(kScsiOpMergeSnapshot, kErrIoDevice);
  m.SelectNode(Node(u"D"));
  prompter.answers = {kIdYes};
  EXPECT_FALSE(m.Merge());
  EXPECT_EQ(Texts().back(), u"Can not commit and merge this snapshot, error code 45d");
}

TEST_F(SnapshotManagerTest, MergingTheCurrentTopSnapshotPutsThePresentStateUnderTheBase) {
  AddSnapshot(0, 1, 0, "A");
  AddSnapshot(0, 2, 0, "B");
  SetCurrent(0, 1);
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"A"));
  prompter.answers = {kIdYes};
  ASSERT_TRUE(m.Merge());
  EXPECT_EQ(State().slots[0].current, 0u);
  EXPECT_EQ(m.tree().node(m.tree().present_state()).parent, m.tree().root());
}

TEST_F(SnapshotManagerTest, DeleteAsksByNameAndRebuilds) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"B"));
  EXPECT_FALSE(m.Delete());  // has a child: the button is disabled
  EXPECT_TRUE(prompter.shown.empty());

  m.SelectNode(Node(u"C"));
  prompter.answers = {kIdNo};
  EXPECT_FALSE(m.Delete());
  EXPECT_EQ(prompter.shown.back().text, u"Are you sure you want to delete snapshot \"C\"?");
  EXPECT_EQ(prompter.shown.back().caption, kAppTitle);
  EXPECT_NE(Find(State(), 0, 3), nullptr);
  prompter.answers = {kIdYes};
  ASSERT_TRUE(m.Delete());
  EXPECT_EQ(Find(State(), 0, 3), nullptr);
  EXPECT_EQ(Node(u"C"), kNoNode);
  EXPECT_EQ(m.tree().size(), 5u);

  m.SelectNode(Node(u"D"));
  EXPECT_TRUE(m.go_to_enabled());
  // A child appears behind the dialog: selecting again asks the driver anew.
  Change([](sim::MachineState& s) { s.slots[0].snapshots.push_back({9, 4, "E", ""}); });
  m.SelectNode(Node(u"D"));
  EXPECT_FALSE(m.go_to_enabled());
}

TEST_F(SnapshotManagerTest, DeleteRefusedByTheDriverShowsItsCode) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"C"));
  Change([](sim::MachineState& s) { s.slots[0].snapshots.push_back({9, 3, "late child", ""}); });
  prompter.answers = {kIdYes};
  EXPECT_FALSE(m.Delete());
  EXPECT_EQ(Texts().back(), u"Delete snapshot error 2");
  EXPECT_NE(Find(State(), 0, 3), nullptr);
}

TEST_F(SnapshotManagerTest, PendingEditSurvivesARebuildThatReplacesTheNodes) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"C"));
  m.EditName(u"kept");
  prompter.answers = {kIdYes};
  // Go to C rebuilds the tree while the edit of C is pending: it is stored
  // by identifier into the new tree.
  ASSERT_TRUE(m.GoTo());
  EXPECT_EQ(Find(State(), 0, 3)->name, "kept");
  EXPECT_EQ(m.tree().node(Node(u"kept")).id, 3u);

  // Deleting the snapshot being edited: the edit has nowhere to go.
  m.SelectNode(Node(u"B"));
  m.SelectNode(Node(u"D"));
  m.EditName(u"gone");
  prompter.answers = {kIdYes};
  ASSERT_TRUE(m.Delete());
  EXPECT_EQ(Find(State(), 0, 4), nullptr);
  EXPECT_EQ(Node(u"gone"), kNoNode);
  EXPECT_FALSE(m.edited());
}

TEST_F(SnapshotManagerTest, ArrowKeysWalkParentAndMainLine) {
  FourSnapshots();
  SnapshotManagerModel& m = Open();
  m.SelectNode(Node(u"B"));
  m.KeyRight();
  EXPECT_EQ(m.tree().selected(), Node(u"D"));
  EXPECT_EQ(m.name_text(), u"D");
  m.KeyRight();
  EXPECT_EQ(m.tree().selected(), m.tree().present_state());
  EXPECT_TRUE(m.name_text().empty());
  m.KeyRight();
  EXPECT_EQ(m.tree().selected(), m.tree().present_state());
  m.KeyLeft();
  m.KeyLeft();
  m.KeyLeft();
  EXPECT_EQ(m.tree().selected(), Node(u"A"));
  m.KeyLeft();  // not onto the root
  EXPECT_EQ(m.tree().selected(), Node(u"A"));
}

}  // namespace
}  // namespace tw

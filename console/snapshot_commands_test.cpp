// tarnwick snapshot ... over the simulated machine, with a printing prompter.
#include "console/snapshot_commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "devices/snapshots/snapshot_test_support.h"
#include "platform/stream_prompter.h"

namespace tw::console {
namespace {

class SnapshotConsoleTest : public ::testing::Test, public testing::SnapshotMachine {
 protected:
  void SetUp() override { PlugImage(0); }
  int Run(const std::vector<std::string>& args, bool yes = false) {
    out.str("");
    err.str("");
    StreamPrompter printer(out, yes);
    Context ctx{*machine, out, err, yes, platform};
    ctx.platform.prompter = &printer;
    return SnapshotCommand(ctx, args);
  }
  std::ostringstream out, err;
};

TEST_F(SnapshotConsoleTest, ListPrintsTheTreeInDrawingOrder) {
  AddSnapshot(0, 1, 0, "base install", "fresh");
  AddSnapshot(0, 2, 1, "tools");
  AddSnapshot(0, 3, 1, "other");
  SetCurrent(0, 2);
  ASSERT_EQ(Run({"list", "0"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "Base Image\n"
            "  [1] base install  - fresh\n"
            "    [2] tools  (current)\n"
            "      You are Here\n"
            "    [3] other\n");
  ASSERT_EQ(Run({"list", "0", "--layout"}), 0);
  EXPECT_NE(out.str().find("[3] other  @133,87"), std::string::npos) << out.str();
  // Empty disk.
  PlugImage(1);
  ASSERT_EQ(Run({"list", "1"}), 0);
  EXPECT_EQ(out.str(), "Base Image\n  You are Here\n");
}

TEST_F(SnapshotConsoleTest, TakeGotoRenameMergeDeleteEndToEnd) {
  ASSERT_EQ(Run({"take", "0", "first", "--description", "before"}), 0) << err.str();
  EXPECT_NE(out.str().find("Creating snapshot was successful!"), std::string::npos);
  ASSERT_EQ(Run({"take", "0", "second"}), 0);
  ASSERT_EQ(Run({"take", "0", "side", "--from", "first"}), 0);
  sim::MachineState s = State();
  ASSERT_EQ(s.slots[0].snapshots.size(), 3u);
  EXPECT_EQ(s.slots[0].snapshots[2].parent, 1u);
  EXPECT_EQ(s.slots[0].current, 2u);

  // Duplicate and empty names come back as the dialog's messages.
  EXPECT_EQ(Run({"take", "0", "side"}), 1);
  EXPECT_NE(out.str().find("A snapshot with the same name already exists!"), std::string::npos);
  EXPECT_EQ(Run({"take", "0", ""}), 1);
  EXPECT_NE(out.str().find("You should input snapshot name!"), std::string::npos);

  // Without --yes the question is printed and answered No.
  EXPECT_EQ(Run({"goto", "0", "side"}), 1);
  EXPECT_NE(out.str().find("Do you want to revert to snapshot \"side\" ? [no]"), std::string::npos);
  EXPECT_NE(err.str().find("--yes"), std::string::npos);
  EXPECT_EQ(State().slots[0].current, 2u);
  ASSERT_EQ(Run({"goto", "0", "side"}, true), 0) << err.str();
  EXPECT_EQ(State().slots[0].current, 3u);

  // "first" has children: it cannot be gone to or deleted.
  EXPECT_EQ(Run({"goto", "0", "first"}, true), 1);
  EXPECT_NE(err.str().find("cannot be gone to"), std::string::npos);
  EXPECT_EQ(Run({"delete", "0", "first"}, true), 1);

  ASSERT_EQ(Run({"rename", "0", "2", "second, renamed", "--description", "words"}), 0) << err.str();
  EXPECT_EQ(Find(State(), 0, 2)->name, "second, renamed");
  EXPECT_EQ(Find(State(), 0, 2)->description, "words");
  EXPECT_EQ(Run({"rename", "0", "side", ""}), 1);
  EXPECT_NE(out.str().find("Snapshot name can not be none!"), std::string::npos);
  EXPECT_EQ(Find(State(), 0, 3)->name, "side");

  ASSERT_EQ(Run({"delete", "0", "second, renamed"}, true), 0) << err.str();
  EXPECT_EQ(Find(State(), 0, 2), nullptr);
  ASSERT_EQ(Run({"merge", "0", "side"}, true), 0) << err.str();
  EXPECT_NE(out.str().find("Committing snapshot was successful!"), std::string::npos);
  s = State();
  ASSERT_EQ(s.slots[0].snapshots.size(), 1u);
  EXPECT_EQ(s.slots[0].current, 1u);  // the merged current one folded into its parent
}

TEST_F(SnapshotConsoleTest, RevertWithAHeldOpenVolumeFails) {
  ASSERT_EQ(Run({"take", "0", "first"}), 0);
  Change([](sim::MachineState& st) { st.held_open.insert("D:"); });
  EXPECT_EQ(Run({"revert", "0"}, true), 1);
  EXPECT_NE(out.str().find("couldn't be locked"), std::string::npos);
  Change([](sim::MachineState& st) { st.held_open.clear(); });
  EXPECT_EQ(Run({"revert", "0"}, true), 0);
  EXPECT_NE(out.str().find("Revert snapshot successfully!"), std::string::npos);
  PlugImage(1);
  EXPECT_EQ(Run({"revert", "1"}, true), 1);
  EXPECT_NE(err.str().find("runs on no snapshot"), std::string::npos);
}

TEST_F(SnapshotConsoleTest, BadUsageAndMissingDevices) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"list"}), 2);
  EXPECT_EQ(Run({"list", "8"}), 2);
  EXPECT_EQ(Run({"list", "x"}), 2);
  EXPECT_EQ(Run({"frobnicate", "0"}), 2);
  EXPECT_EQ(Run({"take", "0", std::string(32, 'n')}), 2);
  EXPECT_EQ(Run({"goto", "0", "a", "--layout"}), 2);
  EXPECT_EQ(Run({"take", "0", "a", "--description"}), 2);
  EXPECT_EQ(Run({"list", "0", "--bogus"}), 2);
  EXPECT_EQ(Run({"list", "5"}), 1);  // nothing in slot 5
  EXPECT_NE(err.str().find("slot 5"), std::string::npos);
  EXPECT_EQ(Run({"goto", "0", "nothing"}, true), 1);
  EXPECT_NE(err.str().find("no snapshot \"nothing\""), std::string::npos);
  // Two snapshots of one name: the identifier tells them apart.
  AddSnapshot(0, 1, 0, "twin");
  AddSnapshot(0, 2, 0, "twin");
  EXPECT_EQ(Run({"delete", "0", "twin"}, true), 1);
  EXPECT_NE(err.str().find("several"), std::string::npos);
  EXPECT_EQ(Run({"delete", "0", "2"}, true), 0) << err.str();
}

}  // namespace
}  // namespace tw::console

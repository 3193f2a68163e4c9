#include "shellext/shell_commands.h"

#include "shellext/context_menu_model.h"
#include "shellext/overlay_state.h"
#include "shellext/protected_test_support.h"

namespace tw::shellext {
namespace {

using testing::ProtectedVolumeTest;
using testing::ScriptedUi;

class ShellCommandsTest : public ProtectedVolumeTest {
 protected:
  ScriptedUi ui;
  ShellCommands commands{drive, ui};
};

TEST_F(ShellCommandsTest, MenuPlanFollowsTheItemsState) {
  EXPECT_FALSE(PlanContextMenu(drive, u"").submenu);  // several items
  EXPECT_FALSE(PlanContextMenu(drive, u"C:\\Windows\\a.txt").submenu);

  std::u16string plain = MakeFile("\\plain.txt");
  MenuPlan p = PlanContextMenu(drive, plain);
  EXPECT_FALSE(p.lock_item);
  ASSERT_TRUE(p.submenu);
  EXPECT_EQ(p.submenu_item.offset, 7);
  EXPECT_EQ(p.submenu_item.bitmap_id, IDB_MENU_APP);
  ASSERT_EQ(p.submenu_items.size(), 3u);
  EXPECT_EQ(p.submenu_items[0].text_id, IDS_ENCRYPT);
  EXPECT_EQ(p.submenu_items[1].offset, 2);
  EXPECT_EQ(p.submenu_items[2].offset, 3);

  std::u16string open = MakeFile("\\open.txt");
  Protect(open, "pw", true);
  p = PlanContextMenu(drive, open);
  ASSERT_TRUE(p.lock_item);
  EXPECT_EQ(p.lock.offset, 9);
  EXPECT_EQ(p.lock.text_id, IDS_LOCK);
  EXPECT_EQ(p.lock.bitmap_id, IDB_LOCKED);
  EXPECT_EQ(p.submenu_items[0].offset, 1);

  std::u16string shut = MakeFile("\\shut.txt");
  Protect(shut, "pw", false);
  p = PlanContextMenu(drive, shut);
  EXPECT_EQ(p.lock.text_id, IDS_UNLOCK);
  EXPECT_EQ(p.lock.bitmap_id, IDB_UNLOCKED);

  std::u16string fixed = MakeFile("\\fixed.txt");
  Protect(fixed, "pw", false, true);
  p = PlanContextMenu(drive, fixed);
  EXPECT_FALSE(p.lock_item);
  EXPECT_EQ(p.submenu_items[0].text_id, IDS_DECRYPT);

  // A folder background gives the folder's own path.
  std::u16string folder = MakeFolder("\\box");
  Protect(folder, "pw", true);
  EXPECT_TRUE(PlanContextMenu(drive, folder).lock_item);
}

TEST(CommandHelp, OnlyHelpAndWideRequestsForTheFirstTwoOffsets) {
  std::u16string text;
  bool wide = false;
  EXPECT_FALSE(CommandHelpText(0, kGcsVerbA, &text, &wide));
  EXPECT_FALSE(CommandHelpText(0, kGcsValidateA, &text, &wide));
  ASSERT_TRUE(CommandHelpText(1, kGcsHelpTextW, &text, &wide));
  EXPECT_EQ(text, u"Lock the drive.");
  EXPECT_TRUE(wide);
  ASSERT_TRUE(CommandHelpText(0, kGcsHelpTextA, &text, &wide));
  EXPECT_EQ(text, u"Unlock the drive with password.");
  EXPECT_FALSE(wide);
  EXPECT_FALSE(CommandHelpText(2, kGcsHelpTextW, &text, &wide));
}

TEST_F(ShellCommandsTest, LockUnlockActsOnTheStateAtThatMoment) {
  std::u16string file = MakeFile("\\a.txt");
  Protect(file, "pw", true);
  int unlocked = 0;  // stale: the menu said "Unlock"
  EXPECT_TRUE(commands.Invoke(kOffsetLockUnlock, file, &unlocked));
  EXPECT_EQ(ui.password_asked, 0);
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, u"'P:\\a.txt' is now locked");
  EXPECT_EQ(ui.shown[0].caption, u"Pellowen Client");

  // Cancel changes nothing.
  EXPECT_FALSE(commands.Invoke(kOffsetLockUnlock, file, &unlocked));
  EXPECT_EQ(ui.password_asked, 1);
  ItemState state;
  ASSERT_TRUE(drive.QueryProtectionState(file, &state));
  EXPECT_FALSE(state.unlocked);

  // A wrong password shows the system's text in the error box.
  ui.passwords = {u"bad", u"pw"};
  EXPECT_FALSE(commands.Invoke(kOffsetLockUnlock, file, &unlocked));
  EXPECT_TRUE(ui.shown.back().error_box);
  EXPECT_EQ(ui.shown.back().text, u"system text 86");
  EXPECT_EQ(ui.shown.back().caption, u"Faild!");
  EXPECT_TRUE(commands.Invoke(kOffsetLockUnlock, file, &unlocked));
  EXPECT_EQ(ui.shown.back().text, u"'P:\\a.txt' is now unLocked");
}

TEST_F(ShellCommandsTest, OtherOffsetsAndTheirResults) {
  std::u16string file = MakeFile("\\a.txt");
  int unlocked = 0;
  EXPECT_TRUE(commands.Invoke(kOffsetEncrypt, file, &unlocked));
  EXPECT_FALSE(commands.Invoke(kOffsetShareTo, file, &unlocked));
  EXPECT_FALSE(commands.Invoke(kOffsetCopyTo, file, &unlocked));
  EXPECT_EQ(ui.dialogs, (std::vector<std::u16string>{u"encrypt P:\\a.txt", u"share P:\\a.txt", u"copy P:\\a.txt"}));
  for (int offset : {4, 5, 6}) EXPECT_TRUE(commands.Invoke(offset, file, &unlocked));
  EXPECT_FALSE(commands.Invoke(7, file, &unlocked));
  EXPECT_FALSE(commands.Invoke(10, file, &unlocked));
  EXPECT_TRUE(commands.Invoke(kOffsetDecrypt, file, &unlocked));  // cancelled: nothing shown
  EXPECT_TRUE(ui.shown.empty());

  Protect(file, "pw", true);
  ui.passwords = {u"pw"};
  EXPECT_TRUE(commands.Invoke(kOffsetDecrypt, file, &unlocked));
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].text, u"Decryption completed.");
  EXPECT_TRUE(State().volumes['P'].items.empty());

  // Codes from 0xEFFF0000 up show nothing.
  commands.ShowError(0xEFFF0001u);
  EXPECT_EQ(ui.shown.size(), 1u);
}

TEST_F(ShellCommandsTest, EncryptDialogChecksBothFieldsBeforeEncrypting) {
  std::u16string file = MakeFile("\\a.txt");
  EXPECT_FALSE(commands.EncryptOk(file, u"", u""));
  EXPECT_EQ(ui.shown.back().text, u"Password can't be empty!");
  EXPECT_FALSE(commands.EncryptOk(file, u"abc", u"abC"));
  EXPECT_EQ(ui.shown.back().text, u"Please confrim password!");
  EXPECT_TRUE(fx.io->requests.empty());
  EXPECT_TRUE(commands.EncryptOk(file, u"abc", u"abc"));
  EXPECT_EQ(ui.shown.size(), 2u);  // nothing after success
  EXPECT_EQ(ui.wait_cursor_changes, 2);
  ItemState state;
  EXPECT_TRUE(drive.QueryProtectionState(file, &state));

  // Re-encrypting with another password fails and says so; the dialog closes.
  EXPECT_TRUE(commands.EncryptOk(file, u"xyz", u"xyz"));
  EXPECT_EQ(ui.shown.back().text, u"Error 56");
}

TEST_F(ShellCommandsTest, SharingReportsEachFailureThenTheCounts) {
  std::u16string file = MakeFile("\\a.txt");
  ShellCommands::Summary s = commands.ShareToUsers(file, {u"alice", u"nobody", u"carol"});
  EXPECT_EQ(s.succeeded, 2);
  EXPECT_EQ(s.failed, 1);
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[0].text, u"Failed sharing files to nobody, error code: 525.");
  EXPECT_EQ(ui.shown[1].text, u"Completed share files to users, 2 successful, 1 failed.");
  // The screen loads the templates by id, in the user's language.
  EXPECT_EQ(ui.text_ids, (std::vector<int>{IDS_SHARE_FAILED, IDS_SHARE_DONE}));
  EXPECT_EQ(State().volumes['P'].shares.size(), 2u);

  ui.shown.clear();
  commands.ShareToUsers(file, {});
  EXPECT_EQ(ui.shown[0].text, u"Completed share files to users, 0 successful, 0 failed.");
}

// The progress dialog's part, as CProgressDlg does it.
class CountingProgress final : public CopyProgress {
 public:
  explicit CountingProgress(ProtectedDrive& d) : drive_(d) {}
  void Start(int n) override { total = n; }
  Status CopyStep(const std::u16string& path, const std::u16string& user) override {
    Status st = drive_.CopyItemToUser(path, user);
    ++done;
    if (done == total) closed_after_step = done;
    return st;
  }
  void Finish() override { finished = true; }
  int total = -1, done = 0, closed_after_step = 0;
  bool finished = false;

 private:
  ProtectedDrive& drive_;
};

TEST_F(ShellCommandsTest, CopyingRunsOneProgressStepPerUser) {
  std::u16string file = MakeFile("\\a.txt");
  CountingProgress progress(drive);
  ShellCommands::Summary s = commands.CopyToUsers(file, {u"alice", u"bob"}, progress);
  EXPECT_EQ(s.succeeded, 2);
  EXPECT_EQ(progress.total, 2);
  EXPECT_EQ(progress.closed_after_step, 2);
  EXPECT_TRUE(progress.finished);
  EXPECT_EQ(ui.shown.back().text, u"Completed copy files to users, 2 successful, 0 failed.");
  EXPECT_TRUE(std::filesystem::exists(sim::ProtectedVolumes(fx.sim().folder()).UserFolder('P', "alice") / "a.txt"));
  EXPECT_EQ(ShareUsersOf(drive, file), (std::vector<std::u16string>{u"alice", u"bob", u"carol"}));
  EXPECT_TRUE(ShareUsersOf(drive, u"C:\\a.txt").empty());
}

TEST_F(ProtectedVolumeTest, OverlaysFollowTheLockAndAskTheVolumeOncePerRoot) {
  std::u16string locked = MakeFile("\\locked.txt"), open = MakeFile("\\open.txt"), plain = MakeFile("\\plain.txt");
  Protect(locked, "pw", false);
  Protect(open, "pw", true);
  OverlayState overlays(drive, fx.clock);
  EXPECT_TRUE(overlays.IsMember(Overlay::kLocked, locked));
  EXPECT_FALSE(overlays.IsMember(Overlay::kUnlocked, locked));
  EXPECT_TRUE(overlays.IsMember(Overlay::kUnlocked, open));
  EXPECT_FALSE(overlays.IsMember(Overlay::kLocked, open));
  EXPECT_FALSE(overlays.IsMember(Overlay::kLocked, plain));
  EXPECT_EQ(overlays.volume_checks(), 1u);

  size_t opens = fx.io->opened.size();
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(overlays.IsMember(Overlay::kLocked, u"C:\\f" + U16(std::to_string(i))));
  EXPECT_EQ(overlays.volume_checks(), 2u);
  EXPECT_EQ(fx.io->opened.size(), opens);  // no driver request for ordinary files
  EXPECT_FALSE(overlays.IsMember(Overlay::kLocked, u"\\\\server\\share\\x"));

  fx.clock.now += OverlayState::kRootMemoryMs;
  overlays.IsMember(Overlay::kLocked, u"C:\\again");
  EXPECT_EQ(overlays.volume_checks(), 3u);
}

}  // namespace
}  // namespace tw::shellext

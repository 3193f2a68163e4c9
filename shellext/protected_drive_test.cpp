#include "shellext/protected_drive.h"

#include <filesystem>

#include "base/text.h"
#include "platform/file_system.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/system_services.h"
#include "shellext/protected_test_support.h"
#include "contracts/vvfs_contract.h"

namespace tw::shellext {
namespace {

using testing::ProtectedVolumeTest;

TEST(ProtectedRecords, ProtectCommandCutsThePasswordAndLockSendsNone) {
  auto services = NewSystemServices();
  std::u16string forty = U16(std::string(20, 'a') + std::string(20, 'b'));
  Bytes r = BuildProtectCommand(vvfs::kUnlock, forty, *services.code_page);
  ASSERT_EQ(r.size(), 33u);
  EXPECT_EQ(r[0], 4);
  EXPECT_EQ(std::string(r.begin() + 1, r.end()), std::string(20, 'a') + std::string(12, 'b'));  // no terminator

  Bytes empty = BuildProtectCommand(vvfs::kEncrypt, u"", *services.code_page);
  EXPECT_EQ(empty[0], 1);
  EXPECT_EQ(Bytes(empty.begin() + 1, empty.end()), Bytes(32, 0));
  Bytes lock = BuildProtectCommand(vvfs::kLock, u"ignored", *services.code_page);
  EXPECT_EQ(Bytes(lock.begin() + 1, lock.end()), Bytes(32, 0));
}

TEST(ProtectedRecords, TransferRequestDropsTheDriveAndKeepsTerminators) {
  Bytes r = BuildUserTransferRequest(u"X:\\a.txt", u"bob");
  ASSERT_EQ(r.size(), 1024u);
  EXPECT_EQ(GetUtf16Field(r, 0, 512), u"\\a.txt");
  EXPECT_EQ(GetU16LE(r, 12), 0);
  EXPECT_EQ(GetUtf16Field(r, 512, 512), u"bob");
  EXPECT_EQ(GetU16LE(r, 518), 0);

  // 260 characters do not fit 512 bytes: cut, never run into the user field.
  std::u16string long_path = u"X:\\" + std::u16string(257, u'n');
  Bytes cut = BuildUserTransferRequest(long_path, u"bob");
  EXPECT_EQ(GetUtf16Field(cut, 0, 512).size(), 255u);
  EXPECT_EQ(GetU16LE(cut, 510), 0);
  EXPECT_EQ(GetUtf16Field(cut, 512, 512), u"bob");
}

TEST(ProtectedRecords, UserListSplitsAtCommasAndStopsAtTheEnd) {
  auto reply = [](const std::u16string& text, size_t size) {
    Bytes b(size, 0);
    for (size_t i = 0; i < text.size() && 2 * i + 1 < size; ++i) PutU16LE(b, 2 * i, text[i]);
    return b;
  };
  EXPECT_EQ(ParseUserList(reply(u"alice,bob,carol", 64)), (std::vector<std::u16string>{u"alice", u"bob", u"carol"}));
  EXPECT_EQ(ParseUserList(reply(u"alice", 64)), (std::vector<std::u16string>{u"alice"}));
  EXPECT_TRUE(ParseUserList(reply(u"", 64)).empty());
  EXPECT_EQ(ParseUserList(reply(u"a,,b", 64)), (std::vector<std::u16string>{u"a"}));
  // A full buffer without a terminator ends at the buffer's end.
  EXPECT_EQ(ParseUserList(reply(u"ann,bo", 12)), (std::vector<std::u16string>{u"ann", u"bo"}));
}

// Reports another name for the protected drive, as a driver might.
class RenamingFileSystem final : public FileSystem {
 public:
  RenamingFileSystem(FileSystem& inner, std::u16string name) : inner_(inner), name_(std::move(name)) {}
  Status QueryDosName(const std::u16string& n, std::u16string* t) override { return inner_.QueryDosName(n, t); }
  Status GetVolumeInfo(const std::u16string& root, std::u16string* label, uint32_t* serial, uint32_t* flags,
                       std::u16string* fs) override {
    Status st = inner_.GetVolumeInfo(root, label, serial, flags, fs);
    if (st == kOk && *fs == u"VVFS") *fs = name_;
    return st;
  }
  bool PathExists(const std::u16string& p) override { return inner_.PathExists(p); }
  Status MakeDirectory(const std::u16string& p) override { return inner_.MakeDirectory(p); }
  Status RemoveFolder(const std::u16string& p) override { return inner_.RemoveFolder(p); }
  std::u16string ProgramPath() override { return inner_.ProgramPath(); }

 private:
  FileSystem& inner_;
  std::u16string name_;
};

TEST_F(ProtectedVolumeTest, ProtectedVolumeIsTheDriveThatReportsVvfsInAnyCase) {
  std::u16string file = MakeFile("\\a.txt");
  EXPECT_TRUE(drive.IsProtectedVolume(file));
  EXPECT_TRUE(drive.IsProtectedVolume(u"p:\\missing\\item"));
  EXPECT_FALSE(drive.IsProtectedVolume(u"C:\\Windows"));
  EXPECT_FALSE(drive.IsProtectedVolume(u"\\\\server\\share\\a.txt"));
  EXPECT_FALSE(drive.IsProtectedVolume(u""));

  RenamingFileSystem lower(*fx.platform.file_system, u"vvfs");
  Platform p = fx.platform;
  p.file_system = &lower;
  EXPECT_TRUE(ProtectedDrive(p).IsProtectedVolume(file));
}

TEST_F(ProtectedVolumeTest, StateOfAnUnprotectedItemLeavesTheOutputsAlone) {
  std::u16string file = MakeFile("\\plain.txt");
  ItemState state{true, true};
  EXPECT_FALSE(drive.QueryProtectionState(file, &state));
  EXPECT_TRUE(state.unlocked);
  EXPECT_TRUE(state.no_lock);
  EXPECT_FALSE(drive.QueryProtectionState(u"P:\\missing.txt", &state));

  Protect(file, "pw", false, true);
  ASSERT_TRUE(drive.QueryProtectionState(file, &state));
  EXPECT_FALSE(state.unlocked);
  EXPECT_TRUE(state.no_lock);
  // Every handle opened was closed again.
  EXPECT_EQ(fx.io->open_handles, 0);
}

TEST_F(ProtectedVolumeTest, EncryptingAFolderReachesEveryChildAndOrsTheirCodes) {
  std::u16string folder = MakeFolder("\\docs");
  MakeFile("\\docs\\one.txt");
  MakeFile("\\docs\\two.txt");
  MakeFile("\\docs\\deep\\three.txt");
  EXPECT_EQ(drive.EncryptItem(folder, u"secret"), kOk);
  EXPECT_EQ(Operations(), (std::vector<int>{1, 1, 1, 1, 1}));
  ItemState state;
  EXPECT_TRUE(drive.QueryProtectionState(u"P:\\docs\\deep\\three.txt", &state));
  EXPECT_TRUE(drive.QueryProtectionState(folder, &state));

  // The second file fails with 5; the others are still encrypted.
  fx.io->requests.clear();
  int commands = 0;
  fx.io->fail = [&](const tw::testing::RecordingDeviceIo::Request& r) -> Status {
    return r.code == vvfs::kIoctlCommand && ++commands == 3 ? kErrAccessDenied : kOk;
  };
  std::u16string other = MakeFolder("\\other");
  MakeFile("\\other\\a.txt");
  MakeFile("\\other\\b.txt");
  EXPECT_EQ(drive.EncryptItem(other, u"secret"), kErrAccessDenied);
  EXPECT_EQ(commands, 3);
}

TEST_F(ProtectedVolumeTest, DecryptingAFileChecksThePasswordBeforeDecrypting) {
  std::u16string file = MakeFile("\\a.txt");
  Protect(file, "right", true);
  EXPECT_EQ(drive.DecryptItem(file, u"wrong"), sim::kErrInvalidPassword);
  EXPECT_EQ(Operations(), (std::vector<int>{4}));  // no decrypt after a failed check
  ItemState state;
  EXPECT_TRUE(drive.QueryProtectionState(file, &state));

  fx.io->requests.clear();
  EXPECT_EQ(drive.DecryptItem(file, u"right"), kOk);
  EXPECT_EQ(Operations(), (std::vector<int>{4, 2}));
  EXPECT_FALSE(drive.QueryProtectionState(file, &state));
  EXPECT_EQ(fx.io->open_handles, 0);
}

TEST_F(ProtectedVolumeTest, DecryptingAFolderSendsOnlyDecryptToIt) {
  std::u16string folder = MakeFolder("\\docs");
  std::u16string a = MakeFile("\\docs\\a.txt");
  std::u16string b = MakeFile("\\docs\\b.txt");
  ASSERT_EQ(drive.EncryptItem(folder, u"pw"), kOk);
  fx.io->requests.clear();
  EXPECT_EQ(drive.DecryptItem(folder, u"pw"), kOk);
  EXPECT_EQ(Operations(), (std::vector<int>{2, 4, 2, 4, 2}));
  EXPECT_TRUE(State().volumes['P'].items.empty());
}

TEST_F(ProtectedVolumeTest, LockedItemsNeedTheirPasswordAndFoldersLockToo) {
  std::u16string file = MakeFile("\\a.txt");
  Protect(file, "pw", true);
  EXPECT_EQ(drive.LockItem(file), kOk);
  ItemState state;
  ASSERT_TRUE(drive.QueryProtectionState(file, &state));
  EXPECT_FALSE(state.unlocked);
  EXPECT_EQ(drive.UnlockItem(file, u"nope"), sim::kErrInvalidPassword);
  EXPECT_EQ(drive.UnlockItem(file, u"pw"), kOk);
  ASSERT_TRUE(drive.QueryProtectionState(file, &state));
  EXPECT_TRUE(state.unlocked);

  // A folder is opened with backup semantics, or Windows refuses the open.
  std::u16string folder = MakeFolder("\\box");
  Protect(folder, "pw", true);
  EXPECT_EQ(drive.LockItem(folder), kOk);
  EXPECT_EQ(fx.io->open_flags.back(), kFileFlagBackupSemantics);
  Handle h;
  EXPECT_EQ(fx.platform.device_io->Open(folder, kGenericRead, 7, kOpenExisting, 0, &h), kErrAccessDenied);
}

TEST_F(ProtectedVolumeTest, CopiesArriveForTheUserAndSharesAreRecorded) {
  std::u16string file = MakeFile("\\docs\\a.txt", "hello");
  EXPECT_EQ(drive.CopyItemToUser(file, u"bob"), kOk);
  std::filesystem::path copy = sim::ProtectedVolumes(fx.sim().folder()).UserFolder('P', "bob") / "docs" / "a.txt";
  std::ifstream in(copy);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "hello");
  EXPECT_EQ(drive.ShareItemToUser(file, u"carol"), kOk);
  EXPECT_EQ(drive.ShareItemToUser(file, u"mallory"), sim::kErrNoSuchUser);
  sim::ProtectedVolume v = State().volumes['P'];
  EXPECT_EQ(v.copies, (std::vector<sim::UserTransfer>{{"\\docs\\a.txt", "bob"}}));
  EXPECT_EQ(v.shares, (std::vector<sim::UserTransfer>{{"\\docs\\a.txt", "carol"}}));

  // A locked file cannot be read, so it cannot be copied.
  Protect(file, "pw", false);
  EXPECT_EQ(drive.CopyItemToUser(file, u"alice"), kErrAccessDenied);

  Bytes reply(vvfs::kUserListBytes, 0);
  EXPECT_EQ(drive.ListShareUsers(MakeFolder("\\docs"), &reply), kOk);
  EXPECT_EQ(ParseUserList(reply), (std::vector<std::u16string>{u"alice", u"bob", u"carol"}));
}

}  // namespace
}  // namespace tw::shellext

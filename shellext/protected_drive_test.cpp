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

// A double-byte code page in miniature: ASCII as itself, CJK ideographs
// as two bytes, nothing else.
class TwoByteCodePage final : public CodePage {
 public:
  std::string ToAnsi(std::u16string_view text, uint32_t) override {
    std::string out;
    ToAnsiExact(text, &out, 0);
    return out;
  }
  bool ToAnsiExact(std::u16string_view text, std::string* out, uint32_t) override {
    out->clear();
    for (char16_t c : text) {
      if (c < 0x80) {
        out->push_back(static_cast<char>(c));
      } else if (c >= 0x4E00 && c <= 0x9FFF) {
        out->push_back(static_cast<char>(0x81 + (c >> 8) % 0x7E));
        out->push_back(static_cast<char>(0x40 + (c & 0x3F)));
      } else {
        return false;
      }
    }
    return true;
  }
  std::u16string FromAnsi(std::string_view, uint32_t) override { return {}; }
  uint32_t AnsiCodePage() override { return 936; }
};

TEST(ProtectedRecords, PasswordsKeepTheirBytesAreCutOnCharactersAndNeverBestFit) {
  auto services = NewSystemServices();
  CodePage& system = *services.code_page;
  Bytes r;
  // ASCII keeps its bytes, so existing items still open; cut at 32.
  std::u16string forty = U16(std::string(20, 'a') + std::string(20, 'b'));
  ASSERT_EQ(BuildProtectCommand(vvfs::kUnlock, forty, system, &r), kOk);
  ASSERT_EQ(r.size(), 33u);
  EXPECT_EQ(r[0], 4);
  EXPECT_EQ(std::string(r.begin() + 1, r.end()), std::string(20, 'a') + std::string(12, 'b'));  // no terminator
  ASSERT_EQ(BuildProtectCommand(vvfs::kEncrypt, u"", system, &r), kOk);
  EXPECT_EQ(r[0], 1);
  EXPECT_EQ(Bytes(r.begin() + 1, r.end()), Bytes(32, 0));
  ASSERT_EQ(BuildProtectCommand(vvfs::kLock, u"\u5BC6", system, &r), kOk);  // lock carries no password
  EXPECT_EQ(Bytes(r.begin() + 1, r.end()), Bytes(32, 0));

  // "\u5BC6\u7801" and "??" must not become one key: refused, no record.
  // A character the code page has (e acute) is its own byte.
  EXPECT_EQ(BuildProtectCommand(vvfs::kUnlock, u"\u5BC6\u7801", system, &r), kErrNoUnicodeTranslation);
  EXPECT_TRUE(r.empty());
  EXPECT_EQ(BuildProtectCommand(vvfs::kEncrypt, u"ok\U0001F511", system, &r), kErrNoUnicodeTranslation);
  EXPECT_EQ(BuildProtectCommand(vvfs::kEncrypt, u"caf\u00E9??", system, &r), kOk);
  EXPECT_EQ(std::string(r.begin() + 1, r.begin() + 7), "caf\xE9??");

  // On a double-byte code page, a character that would straddle byte 32
  // is left out whole.
  TwoByteCodePage dbcs;
  const std::u16string odd = U16(std::string(31, 'x')) + u"\u5BC6";
  ASSERT_EQ(BuildProtectCommand(vvfs::kUnlock, odd, dbcs, &r), kOk);
  EXPECT_EQ(std::string(r.begin() + 1, r.end()), std::string(31, 'x') + '\0');
  const std::u16string even = U16(std::string(30, 'x')) + u"\u5BC6\u7801";
  ASSERT_EQ(BuildProtectCommand(vvfs::kUnlock, even, dbcs, &r), kOk);
  std::string two;
  dbcs.ToAnsiExact(u"\u5BC6", &two, 0);
  EXPECT_EQ(std::string(r.begin() + 1, r.end()), std::string(30, 'x') + two);
  EXPECT_EQ(BuildProtectCommand(vvfs::kUnlock, u"x\u00E9", dbcs, &r), kErrNoUnicodeTranslation);
}

TEST(ProtectedRecords, TransferRequestDropsTheDriveAndRefusesWhatItWouldCut) {
  Bytes r;
  ASSERT_EQ(BuildUserTransferRequest(u"X:\\a.txt", u"bob", &r), kOk);
  ASSERT_EQ(r.size(), 1024u);
  EXPECT_EQ(GetUtf16Field(r, 0, 512), u"\\a.txt");
  EXPECT_EQ(GetU16LE(r, 12), 0);
  EXPECT_EQ(GetUtf16Field(r, 512, 512), u"bob");
  EXPECT_EQ(GetU16LE(r, 518), 0);

  // 255 characters fit with their terminator; one more would be cut into
  // another item's path or another user's name.
  const std::u16string fits = u"X:" + std::u16string(255, u'n');
  ASSERT_EQ(BuildUserTransferRequest(fits, std::u16string(255, u'u'), &r), kOk);
  EXPECT_EQ(GetUtf16Field(r, 0, 512).size(), 255u);
  EXPECT_EQ(GetU16LE(r, 510), 0);
  EXPECT_EQ(GetUtf16Field(r, 512, 512).size(), 255u);
  EXPECT_EQ(BuildUserTransferRequest(fits + u"n", u"bob", &r), kErrFilenameExcedRange);
  EXPECT_TRUE(r.empty());
  EXPECT_EQ(BuildUserTransferRequest(u"X:\\a.txt", std::u16string(256, u'u'), &r), kErrFilenameExcedRange);
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
  // A name too long for its field reaches no driver at all.
  fx.io->requests.clear();
  EXPECT_EQ(drive.ShareItemToUser(file, u"carol" + std::u16string(251, u'x')), kErrFilenameExcedRange);
  EXPECT_EQ(drive.EncryptItem(file, u"\u5BC6\u7801"), kErrNoUnicodeTranslation);
  EXPECT_TRUE(fx.io->requests.empty());
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

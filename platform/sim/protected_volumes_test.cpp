// The simulated protected-volume driver on its own: item keys, its state
// file, and the requests it refuses.
#include "platform/sim/protected_volumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "platform/device_io.h"
#include "platform/file_system.h"
#include "platform/sim/state_folder.h"
#include "platform/testing/sim_fixture.h"
#include "contracts/vvfs_contract.h"

namespace tw::sim {
namespace {

TEST(ProtectedItemKey, DrivePathsOnlyAndNeverOutOfTheVolume) {
  char letter = 0;
  std::string key;
  ASSERT_TRUE(ProtectedItemKey(u"p:\\Docs\\A.txt", &letter, &key));
  EXPECT_EQ(letter, 'P');
  EXPECT_EQ(key, "\\docs\\a.txt");
  ASSERT_TRUE(ProtectedItemKey(u"P:\\docs\\.\\", &letter, &key));
  EXPECT_EQ(key, "\\docs");
  ASSERT_TRUE(ProtectedItemKey(u"P:\\", &letter, &key));
  EXPECT_EQ(key, "\\");
  EXPECT_FALSE(ProtectedItemKey(u"P:\\docs\\..\\..\\etc", &letter, &key));
  EXPECT_FALSE(ProtectedItemKey(u"\\\\server\\share", &letter, &key));
  EXPECT_FALSE(ProtectedItemKey(u"P:docs", &letter, &key));
}

class SimProtectedTest : public ::testing::Test {
 protected:
  SimProtectedTest() {
    EXPECT_EQ(AddProtectedVolume(fx.sim(), 'P', "Vault", {"ann"}), kOk);
    root = ProtectedVolumes(fx.sim().folder()).Root('P');
    std::ofstream(root / "a.txt") << "a";
  }
  Status Command(uint32_t access, uint8_t operation, uint32_t in_len = vvfs::command::kSize) {
    Handle h;
    if (Status st = fx.platform.device_io->Open(u"P:\\a.txt", access, 7, kOpenExisting, 0, &h)) return st;
    uint8_t in[vvfs::command::kSize] = {operation};
    uint32_t got = 0;
    Status st = fx.platform.device_io->Control(h, vvfs::kIoctlCommand, in, in_len, nullptr, 0, &got);
    fx.platform.device_io->Close(h);
    return st;
  }
  tw::testing::SimFixture fx;
  std::filesystem::path root;
};

TEST_F(SimProtectedTest, StateSurvivesAndAnEditedFileIsRefused) {
  ASSERT_EQ(ProtectItemForSetup(fx.sim(), u"P:\\a.txt", "pw", false, true), kOk);
  ProtectedState s;
  ProtectedVolumes fresh(fx.sim().folder());
  ASSERT_EQ(fresh.Load(&s), kOk);
  EXPECT_EQ(s.volumes['P'].label, "Vault");
  EXPECT_EQ(s.volumes['P'].users, std::vector<std::string>{"ann"});
  EXPECT_TRUE(s.volumes['P'].items["\\a.txt"].no_lock);

  std::string text;
  ASSERT_TRUE(ReadWholeFile(fx.sim().folder() / "vvfs.state", &text));
  text[text.find("volume")] = 'V';
  std::ofstream(fx.sim().folder() / "vvfs.state", std::ios::binary) << text;
  EXPECT_EQ(ProtectedVolumes(fx.sim().folder()).Load(&s), kErrFileCorrupt);
}

TEST_F(SimProtectedTest, TheVolumeReportsVvfsAndClaimsItsLetter) {
  std::u16string label, fs;
  uint32_t serial, flags;
  ASSERT_EQ(fx.platform.file_system->GetVolumeInfo(u"P:\\", &label, &serial, &flags, &fs), kOk);
  EXPECT_EQ(fs, u"VVFS");
  EXPECT_EQ(label, u"Vault");
  EXPECT_EQ(AddProtectedVolume(fx.sim(), 'C', "", {}), kErrInvalidName);
  fx.Change([](MachineState& s) { s.claimed_letters['R'] = "network"; });
  EXPECT_EQ(AddProtectedVolume(fx.sim(), 'R', "", {}), kErrAlreadyExists);
}

TEST_F(SimProtectedTest, CommandsNeedReadWriteHandlesAndWholeRecords) {
  ASSERT_EQ(ProtectItemForSetup(fx.sim(), u"P:\\a.txt", "", true, false), kOk);
  EXPECT_EQ(Command(kGenericRead, vvfs::kLock), kErrAccessDenied);
  EXPECT_EQ(Command(kGenericRead | kGenericWrite, vvfs::kLock, 10), kErrInvalidParameter);
  EXPECT_EQ(Command(kGenericRead | kGenericWrite, 9), kErrInvalidParameter);
  EXPECT_EQ(Command(kGenericRead | kGenericWrite, vvfs::kLock), kOk);
  EXPECT_EQ(Command(kGenericRead | kGenericWrite, vvfs::kUnlock), kOk);  // the empty password

  // A transfer names the item its handle is open on.
  std::ofstream(root / "b.txt") << "b";
  Handle h;
  ASSERT_EQ(fx.platform.device_io->Open(u"P:\\a.txt", kGenericRead | kGenericWrite, 7, kOpenExisting, 0, &h), kOk);
  Bytes request(vvfs::transfer::kSize, 0);
  PutUtf16Field(request, vvfs::transfer::kPath, vvfs::transfer::kPathBytes, u"\\b.txt");
  PutUtf16Field(request, vvfs::transfer::kUser, vvfs::transfer::kUserBytes, u"ann");
  uint32_t got = 0;
  EXPECT_EQ(fx.platform.device_io->Control(h, vvfs::kIoctlCopyToUser, request.data(), vvfs::transfer::kSize, nullptr,
                                           0, &got),
            kErrInvalidParameter);
  // A user list that does not fit says so.
  uint8_t small[4];
  EXPECT_EQ(fx.platform.device_io->Control(h, vvfs::kIoctlListUsers, nullptr, 0, small, sizeof small, &got),
            kErrMoreData);
  fx.platform.device_io->Close(h);
  EXPECT_EQ(fx.platform.device_io->Open(u"P:\\missing\\x.txt", kGenericRead, 7, kOpenExisting, 0, &h),
            kErrPathNotFound);
}

}  // namespace
}  // namespace tw::sim

// tarnwick protect and vvfs, in-process against a fresh simulated machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "console/console.h"
#include "platform/sim/protected_volumes.h"
#include "platform/testing/sim_fixture.h"

namespace tw::console {
namespace {

class ProtectConsoleTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(Tarnwick({"vvfs", "add", "Q:", "--label", "Safe", "--users", "ann,ben"}), 0);
    std::filesystem::path root = sim::ProtectedVolumes(sim().folder()).Root('Q');
    std::filesystem::create_directories(root / "box");
    std::ofstream(root / "box" / "note.txt") << "hello";
  }
  int Tarnwick(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return console::Run(*machine, args, out, err);
  }
  std::ostringstream out, err;
};

TEST_F(ProtectConsoleTest, EncryptLockAndUnlockAFile) {
  EXPECT_EQ(Tarnwick({"protect", "state", "Q:\\box\\note.txt"}), 0);
  EXPECT_EQ(out.str(), "not protected\n");
  EXPECT_EQ(Tarnwick({"protect", "encrypt", "Q:\\box", "--password", "pw"}), 0);
  EXPECT_EQ(Tarnwick({"protect", "lock", "Q:\\box\\note.txt"}), 0);
  EXPECT_EQ(Tarnwick({"protect", "state", "Q:\\box\\note.txt"}), 0);
  EXPECT_EQ(out.str(), "protected, locked\n");
  EXPECT_EQ(Tarnwick({"protect", "unlock", "Q:\\box\\note.txt", "--password", "nope"}), 1);
  EXPECT_NE(err.str().find("0x00000056"), std::string::npos);
  EXPECT_EQ(Tarnwick({"protect", "unlock", "Q:\\box\\note.txt", "--password", "pw"}), 0);
  EXPECT_EQ(Tarnwick({"vvfs", "show", "Q:"}), 0);
  EXPECT_NE(out.str().find("Q:\\box\\note.txt: unlocked"), std::string::npos);
  EXPECT_NE(out.str().find("users: ann, ben"), std::string::npos);
  EXPECT_EQ(Tarnwick({"protect", "decrypt", "Q:\\box", "--password", "pw"}), 0);
  EXPECT_EQ(Tarnwick({"protect", "state", "Q:\\box\\note.txt"}), 0);
  EXPECT_EQ(out.str(), "not protected\n");
}

TEST_F(ProtectConsoleTest, UsersSharesAndCopies) {
  EXPECT_EQ(Tarnwick({"protect", "users", "Q:\\box"}), 0);
  EXPECT_EQ(out.str(), "ann\nben\n");
  EXPECT_EQ(Tarnwick({"protect", "copy", "Q:\\box\\note.txt", "ben", "zed"}), 1);
  EXPECT_EQ(out.str(), "1 successful, 1 failed\n");
  EXPECT_TRUE(std::filesystem::exists(sim::ProtectedVolumes(sim().folder()).UserFolder('Q', "ben") / "box" / "note.txt"));
  EXPECT_EQ(Tarnwick({"protect", "share", "Q:\\box", "ann"}), 0);
  EXPECT_EQ(Tarnwick({"vvfs", "show"}), 0);
  EXPECT_NE(out.str().find("shared \\box to ann"), std::string::npos);
  EXPECT_NE(out.str().find("copied \\box\\note.txt to ben"), std::string::npos);
}

TEST_F(ProtectConsoleTest, RefusesOrdinaryPathsTakenLettersAndBadUsage) {
  EXPECT_EQ(Tarnwick({"protect", "lock", "C:\\Windows"}), 1);
  EXPECT_NE(err.str().find("not on a protected volume"), std::string::npos);
  EXPECT_EQ(Tarnwick({"protect", "unlock", "Q:\\box"}), 2);
  EXPECT_EQ(Tarnwick({"protect", "lock", "Q:\\box", "--password", "x"}), 2);
  EXPECT_EQ(Tarnwick({"protect", "share", "Q:\\box"}), 2);
  EXPECT_EQ(Tarnwick({"protect", "frob", "Q:\\box"}), 2);
  EXPECT_EQ(Tarnwick({"vvfs", "add", "C:"}), 1);
  EXPECT_EQ(Tarnwick({"vvfs", "protect", "Q:\\missing", "--password", "x"}), 1);
  // A device plugged later does not get the protected volume's letter.
  EXPECT_EQ(State().claimed_letters.count('Q'), 1u);
  EXPECT_EQ(Tarnwick({"vvfs", "remove", "Q:"}), 0);
  EXPECT_EQ(State().claimed_letters.count('Q'), 0u);
  EXPECT_EQ(Tarnwick({"protect", "state", "Q:\\box"}), 1);
}

}  // namespace
}  // namespace tw::console

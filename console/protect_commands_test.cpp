// tarnwick protect and vvfs, in-process against a fresh simulated machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/text.h"
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

TEST_F(ProtectConsoleTest, NamesThatWouldLeadOutOfTheStateFolderAreRefused) {
  const std::filesystem::path outside = sim().folder().parent_path() / "outside";
  // Q's users' copies go to <state>/vvfs/Q-users/<user>: three levels up is beside the state folder.
  for (const char* users : {"ann,ben,../../../outside", "D:", "NUL", "a/b", "..\\x"}) {
    EXPECT_EQ(Tarnwick({"vvfs", "add", "Q:", "--users", users}), 2) << users;
    EXPECT_NE(err.str().find("is not a plain user name"), std::string::npos) << err.str();
  }
  // The simulated driver refuses them too: the console is not its only caller.
  EXPECT_EQ(sim::AddProtectedVolume(sim(), 'Q', "", {"ann", "../../../outside"}), kErrInvalidName);
  EXPECT_EQ(Tarnwick({"protect", "copy", "Q:\\box\\note.txt", "../../../outside"}), 2);
  EXPECT_NE(err.str().find("is not a plain user name"), std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(outside));
  // Item paths: a part that is a drive or a device, or climbs, names no item.
  char letter;
  std::string key;
  EXPECT_TRUE(sim::ProtectedItemKey(u"Q:\\box\\.\\note.txt", &letter, &key));
  EXPECT_EQ(key, "\\box\\note.txt");
  for (const char16_t* path : {u"Q:\\box\\D:", u"Q:\\D:\\x", u"Q:\\box\\..\\..\\x", u"Q:\\a/../../x", u"Q:\\NUL"})
    EXPECT_FALSE(sim::ProtectedItemKey(path, &letter, &key)) << Utf16ToUtf8(path);
}

TEST_F(ProtectConsoleTest, PasswordLeftOffTheCommandLineIsReadNotTaken) {
  std::vector<std::string> prompts;
  std::string typed = "pw";
  SecretReader reader = [&](const std::string& prompt, std::string* secret) {
    prompts.push_back(prompt);
    *secret = typed;
    return !typed.empty();
  };
  auto run = [&](std::vector<std::string> args) {
    out.str("");
    err.str("");
    return console::Run(*machine, args, out, err, reader);
  };
  EXPECT_EQ(run({"protect", "encrypt", "Q:\\box", "--password"}), 0) << err.str();
  EXPECT_EQ(run({"protect", "lock", "Q:\\box\\note.txt"}), 0);
  typed = "wrong";
  EXPECT_EQ(run({"protect", "unlock", "Q:\\box\\note.txt", "--password", "-"}), 1);
  EXPECT_NE(err.str().find("0x00000056"), std::string::npos) << err.str();
  typed = "pw";
  // A word after --password is its value, even when it looks like a path.
  EXPECT_EQ(run({"protect", "unlock", "--password", "Q:\\box\\note.txt"}), 2);
  EXPECT_EQ(run({"protect", "unlock", "Q:\\box\\note.txt", "--password"}), 0) << err.str();
  EXPECT_EQ(prompts, std::vector<std::string>(3, "Password: "));
  // A value on the command line is used as it stands; nothing is asked.
  EXPECT_EQ(run({"protect", "decrypt", "Q:\\box", "--password", "pw"}), 0);
  EXPECT_EQ(prompts.size(), 3u);
  // Nothing to read: refused, with a word on how to give it.
  typed = "";
  EXPECT_EQ(run({"protect", "unlock", "Q:\\box\\note.txt", "--password"}), 2);
  EXPECT_NE(err.str().find("no password was given"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tw::console

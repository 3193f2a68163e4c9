// The console front end, run in-process against a fresh simulated machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/text.h"
#include "console/console.h"
#include "platform/registry.h"
#include "platform/testing/sim_fixture.h"

namespace tw::console {
namespace {

class ConsoleTest : public ::testing::Test, public testing::SimFixture {
 protected:
  int Tarnwick(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return console::Run(*machine, args, out, err);
  }
  std::string Path(const std::string& name) { return Utf16ToUtf8(folder.Win32Path(name)); }
  std::ostringstream out, err;
};

TEST_F(ConsoleTest, EmptyMachineAndUsage) {
  EXPECT_EQ(Tarnwick({"slots"}), 0);
  EXPECT_EQ(out.str(), "No devices are plugged.\n");
  EXPECT_EQ(Tarnwick({"--help"}), 0);
  EXPECT_NE(out.str().find("unplug SLOT"), std::string::npos);
  EXPECT_EQ(Tarnwick({}), 2);
  EXPECT_EQ(Tarnwick({"frobnicate"}), 2);
  EXPECT_NE(err.str().find("unknown command"), std::string::npos);
  EXPECT_EQ(Tarnwick({"unplug"}), 2);
  EXPECT_EQ(Tarnwick({"unplug", "8"}), 2);
  EXPECT_EQ(Tarnwick({"unplug", "x"}), 2);
  EXPECT_EQ(Tarnwick({"slots", "extra"}), 2);
}

TEST_F(ConsoleTest, PlugListAndUnplug) {
  ASSERT_EQ(Tarnwick({"sim", "plug-image", "2", Path("disk.img"), "--create", "64"}), 0) << err.str();
  { std::ofstream(folder.path() / "movie.iso") << std::string(2048, 'x'); }
  ASSERT_EQ(Tarnwick({"sim", "plug-cd", "5", Path("movie.iso")}), 0) << err.str();
  ASSERT_EQ(Tarnwick({"slots"}), 0) << err.str();
  std::string listing = out.str();
  EXPECT_NE(listing.find("Slot  Type"), std::string::npos);
  EXPECT_NE(listing.find("2     Image disk     64.00 MB    read-write     D:"), std::string::npos) << listing;
  EXPECT_NE(listing.find(Path("disk.img")), std::string::npos);
  EXPECT_NE(listing.find("5     CD/DVD image   2.00 KB     read-only      E:"), std::string::npos) << listing;

  EXPECT_EQ(Tarnwick({"unplug", "2"}), 0);
  EXPECT_EQ(out.str(), "Slot 2 unplugged.\n");
  EXPECT_EQ(Tarnwick({"unplug", "2"}), 1);
  EXPECT_NE(err.str().find("empty"), std::string::npos);
  // The refusal of the adapter comes back with its status.
  EXPECT_EQ(Tarnwick({"sim", "plug-image", "3", Path("none.img")}), 1);
  EXPECT_NE(err.str().find("0xC0000034"), std::string::npos);
}

TEST_F(ConsoleTest, SettingUpTheMachine) {
  EXPECT_EQ(Tarnwick({"sim", "hold", "e:"}), 0);
  EXPECT_EQ(State().held_open.count("E:"), 1u);
  EXPECT_EQ(Tarnwick({"sim", "status"}), 0);
  EXPECT_NE(out.str().find("Held open: E:"), std::string::npos);
  EXPECT_EQ(Tarnwick({"sim", "release", "E:"}), 0);
  EXPECT_EQ(State().held_open.size(), 0u);
  EXPECT_EQ(Tarnwick({"sim", "hold", "nothing"}), 2);
  EXPECT_EQ(Tarnwick({"sim", "partitions", "3", "--unlettered", "1"}), 0);
  EXPECT_EQ(State().partitions_per_disk, 3);
  EXPECT_EQ(Tarnwick({"sim", "partitions", "2", "--unlettered", "3"}), 2);
  EXPECT_EQ(Tarnwick({"sim", "adapter", "off"}), 0);
  EXPECT_EQ(Tarnwick({"slots"}), 0);
  EXPECT_EQ(out.str(), "No virtual SCSI adapter is present.\n");
  EXPECT_EQ(Tarnwick({"sim", "reset"}), 0);
  EXPECT_TRUE(State().adapter_present);
}

TEST_F(ConsoleTest, ACorruptStateIsReportedNotCrashedOn) {
  std::filesystem::create_directories(sim().folder());
  { std::ofstream(sim().state_file(), std::ios::binary) << "\x01\x02garbage"; }
  EXPECT_EQ(Tarnwick({"slots"}), 1);
  EXPECT_NE(err.str().find("1392"), std::string::npos) << err.str();
  EXPECT_EQ(Tarnwick({"sim", "status"}), 1);
  EXPECT_NE(err.str().find("machine.state"), std::string::npos) << err.str();
  EXPECT_EQ(Tarnwick({"sim", "reset"}), 0);
  EXPECT_EQ(Tarnwick({"list"}), 0);
}

TEST_F(ConsoleTest, ForgetSettingsRemovesWhatTheProgramsWroteAndNothingElse) {
  Registry& r = *platform.registry;
  auto set = [&](RegKey root, const std::u16string& path, const std::u16string& name) {
    RegKey k = 0;
    ASSERT_EQ(r.CreateKey(root, path, &k), kOk);
    r.SetString(k, name, u"x");
    r.CloseKey(k);
  };
  auto exists = [&](RegKey root, const std::u16string& path, const std::u16string& name) {
    RegKey k = 0;
    if (r.OpenKey(root, path, &k) != kOk) return false;
    std::u16string v;
    bool found = name.empty() || r.QueryString(k, name, 512, &v) == kOk;
    r.CloseKey(k);
    return found;
  };
  const std::u16string run = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  set(kHkeyLocalMachine, run, u"Pellowen");
  set(kHkeyLocalMachine, run, u"Other");
  set(kHkeyLocalMachine, u"SOFTWARE\\Velthorn\\Pellowen\\Client", u"PreferDisk");
  set(kHkeyLocalMachine, u"SOFTWARE\\Velthorn\\Other", u"Keep");
  set(kHkeyCurrentUser, u"Software\\Velthorn\\Pellowen\\Servers\\Server0", u"IPAddress");

  EXPECT_EQ(Tarnwick({"forget-settings"}), 2);
  EXPECT_EQ(Tarnwick({"forget-settings", "--machine"}), 0) << err.str();
  EXPECT_EQ(out.str(), "");  // silent, so the windowless front end shows no box
  EXPECT_FALSE(exists(kHkeyLocalMachine, run, u"Pellowen"));
  EXPECT_TRUE(exists(kHkeyLocalMachine, run, u"Other"));
  EXPECT_FALSE(exists(kHkeyLocalMachine, u"SOFTWARE\\Velthorn\\Pellowen", u""));
  EXPECT_TRUE(exists(kHkeyLocalMachine, u"SOFTWARE\\Velthorn\\Other", u"Keep"));
  EXPECT_TRUE(exists(kHkeyCurrentUser, u"Software\\Velthorn\\Pellowen\\Servers\\Server0", u"IPAddress"));
  EXPECT_EQ(Tarnwick({"forget-settings", "--user"}), 0);
  EXPECT_FALSE(exists(kHkeyCurrentUser, u"Software\\Velthorn\\Pellowen", u""));
  // Twice is fine: nothing left to remove is no failure.
  EXPECT_EQ(Tarnwick({"forget-settings", "--machine"}), 0);
  EXPECT_EQ(Tarnwick({"forget-settings", "--user"}), 0);
}

TEST_F(ConsoleTest, NfsRoundTripRecordsTheServer) {
  ASSERT_EQ(Tarnwick({"sim", "nfs-server", "127.0.0.1", "/export/home,/export/data"}), 0) << err.str();
  EXPECT_EQ(Tarnwick({"nfs", "exports", "127.0.0.1"}), 0);
  EXPECT_EQ(out.str(), "/export/home\n/export/data\n");
  EXPECT_EQ(Tarnwick({"nfs", "exports", "127.0.0.1", "--port", "2049"}), 1);
  EXPECT_EQ(Tarnwick({"nfs", "mount", "x:", "127.0.0.1:/export/home", "--persistent"}), 0) << err.str();
  EXPECT_EQ(out.str(), "Successfully mounted 127.0.0.1 to drive X:\n");
  EXPECT_EQ(Tarnwick({"servers"}), 0);
  EXPECT_EQ(out.str(), "0  127.0.0.1:6260  (preferred)\n");
  EXPECT_EQ(Tarnwick({"nfs", "list", "--remembered"}), 0);
  EXPECT_NE(out.str().find("X: \\\\127.0.0.1\\export\\home\n\nFound 1 share.\n"), std::string::npos) << out.str();
  EXPECT_EQ(Tarnwick({"nfs", "mount", "X:", "127.0.0.1:/export/data"}), 1);
  EXPECT_EQ(err.str(), "Mount failed, drive X: is already assigned to '\\\\127.0.0.1\\export\\home'.\n");
  EXPECT_EQ(Tarnwick({"nfs", "unmount", "X:"}), 0);
  EXPECT_EQ(out.str(), "Drive X: unmounted successfully.\n");
  EXPECT_EQ(Tarnwick({"nfs", "unmount", "X:"}), 1);
  EXPECT_EQ(Tarnwick({"nfs", "mount", "X:"}), 2);
  EXPECT_EQ(Tarnwick({"nfs", "mount", "X:", "h:\\p", "--port", "0"}), 2);
  EXPECT_EQ(Tarnwick({"nfs", "mount", "X:", "nocolon"}), 1);
  EXPECT_EQ(err.str(), "Failed to parse the remote path. Expected 'hostname:\\path'.\n");
}

TEST_F(ConsoleTest, MountListAndUnmountLikeThePage) {
  EXPECT_EQ(Tarnwick({"list"}), 0);
  EXPECT_EQ(out.str(), "All Virtual Devices\n  Device  Location  Capacity  Access  Letters\n  (none)\n");
  ASSERT_EQ(Tarnwick({"mount", "image", Path("a.img"), "--create", "64", "--password", "pw"}), 0) << err.str();
  EXPECT_EQ(out.str(), "Mounted in slot 0.\n");
  EXPECT_EQ(Tarnwick({"mount", "image", Path("a.img"), "--password", "pw"}), 1);
  EXPECT_EQ(err.str(), "Can not mount this image file, the image file is being used!\n");
  EXPECT_EQ(Tarnwick({"mount", "cd", Path("none.iso")}), 1);
  EXPECT_EQ(err.str(), "Can not mount this image file! c0000034\n");
  EXPECT_EQ(Tarnwick({"mount", "image", Path("b.img"), "--create", "5"}), 1);
  EXPECT_EQ(err.str(), "Enter an integer between 16 and 65536.\n");
  EXPECT_EQ(Tarnwick({"mount", "cd", Path("x.iso"), "--dvd"}), 2);
  EXPECT_EQ(Tarnwick({"mount", "floppy", Path("x")}), 2);
  ASSERT_EQ(Tarnwick({"mount-iscsi", "127.0.0.1:3260", "iqn.2026-12.test:t", "--type", "18"}), 0) << err.str();
  EXPECT_EQ(out.str(), "Mounted in slot 1.\n");
  ASSERT_EQ(Tarnwick({"list", "--category", "Private Disks"}), 0);
  EXPECT_NE(out.str().find("iSCSI   127.0.0.1   3260"), std::string::npos) << out.str();
  ASSERT_EQ(Tarnwick({"list"}), 0);
  EXPECT_NE(out.str().find("  Disk    \\DosDevices\\" + Path("a.img") + "  64.00M    Read Write  D:"),
            std::string::npos)
      << out.str();

  ASSERT_EQ(Tarnwick({"sim", "hold", "D:"}), 0);
  EXPECT_EQ(Tarnwick({"unmount", "0"}), 1);
  EXPECT_EQ(err.str(),
            "Do you want to remove these devices? [Yes]\n"
            "Can't lock volume D:, the volume may be in use, do you want to forcely remove it? [No]\n"
            "Slot 0 is still mounted.\n");
  EXPECT_EQ(Tarnwick({"unmount", "0", "--force"}), 0);
  EXPECT_EQ(out.str(), "Slot 0 unmounted.\n");
  EXPECT_EQ(Tarnwick({"unmount", "0"}), 1);  // empty now
  EXPECT_EQ(Tarnwick({"unmount"}), 2);
}

TEST_F(ConsoleTest, VirtualFolderMountAndDetach) {
  std::filesystem::create_directories(folder.path() / "mnt");
  ASSERT_EQ(Tarnwick({"folder", "mount", "127.0.0.1", "iqn.2026-12.test:f", Path("mnt")}), 0) << err.str();
  EXPECT_EQ(err.str(),
            "Tarnwick Pro will now fullly format this storage, all data will be lost, do you want to continue? [Yes]\n");
  EXPECT_EQ(State().volumes.at(0).file_system, "NTFS");
  ASSERT_EQ(Tarnwick({"list", "--category", "Virtual Folders"}), 0);
  EXPECT_NE(out.str().find(Path("mnt")), std::string::npos);
  EXPECT_EQ(Tarnwick({"folder", "detach", Path("mnt")}), 0) << err.str();
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "mnt"));
  EXPECT_EQ(Tarnwick({"folder", "detach", "0"}), 1);
  EXPECT_EQ(Tarnwick({"folder", "mount", "127.0.0.1", "iqn.t"}), 2);
}

}  // namespace
}  // namespace tw::console

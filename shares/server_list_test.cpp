// The preferred server list, the mount dialog's model and command, and the
// options page's model.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/testing/sim_fixture.h"
#include "shares/mount_nfs_model.h"
#include "shares/nfs_option_model.h"
#include "shares/server_list.h"

namespace tw {
namespace {

class ServerListTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetList(std::vector<std::u16string> servers) {
    DeleteServerEntries(platform, 0);
    for (size_t i = 0; i < servers.size(); ++i) WriteServerEntry(platform, static_cast<int>(i), {servers[i], 6260});
  }
  std::vector<std::u16string> List() {
    std::vector<std::u16string> out;
    for (const ServerEntry& e : ReadServerList(platform)) out.push_back(e.server);
    return out;
  }
  bool KeyExists(int index) {
    ScopedRegKey k(*platform.registry);
    return platform.registry->OpenKey(kHkeyCurrentUser, ServerKeyName(index), k.out()) == kOk;
  }
};

using L = std::vector<std::u16string>;

TEST_F(ServerListTest, RecordUsedServerPutsTheLastUsedFirst) {
  EXPECT_EQ(ServerKeyName(3), u"Software\\Velthorn\\Pellowen\\Servers\\Server3");
  SetList({u"A", u"B", u"C"});
  RecordUsedServer(platform, u"B", 6260);
  EXPECT_EQ(List(), (L{u"B", u"A", u"C"}));
  EXPECT_FALSE(KeyExists(3));
  SetList({u"A", u"B", u"C"});
  RecordUsedServer(platform, u"A", 6260);
  EXPECT_EQ(List(), (L{u"A", u"B", u"C"}));
  RecordUsedServer(platform, u"D", 2049);
  EXPECT_EQ(List(), (L{u"D", u"A", u"B", u"C"}));
  EXPECT_EQ(ReadServerList(platform)[0].port, 2049u);
  SetList({u"A-HOST", u"B"});
  RecordUsedServer(platform, u"a-host", 6260);
  EXPECT_EQ(List(), (L{u"a-host", u"B"}));

  L sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(U16("s" + std::to_string(i)));
  SetList(sixteen);
  RecordUsedServer(platform, u"new", 6260);
  L expected = {u"new"};
  expected.insert(expected.end(), sixteen.begin(), sixteen.begin() + 15);
  EXPECT_EQ(List(), expected);
}

TEST_F(ServerListTest, LongServerTextsDoNotHideTheRest) {
  SetList({u"A", u"B"});
  RecordUsedServer(platform, u"nfs-server-17chars", 6260);  // more than 15 characters
  EXPECT_EQ(List(), (L{u"nfs-server-17chars", u"A", u"B"}));
  RecordUsedServer(platform, u"C", 6260);
  EXPECT_EQ(List(), (L{u"C", u"nfs-server-17chars", u"A", u"B"}));
  // A text no reader could take back is not stored at all.
  RecordUsedServer(platform, std::u16string(300, u'x'), 6260);
  EXPECT_EQ(List().size(), 4u);
}

class MountDialogTest : public ServerListTest {
 protected:
  void SetUp() override {
    Change([](sim::MachineState& s) {
      sim::NfsServer server;
      server.address = "127.0.0.1";
      server.exports = {"/export/home", "/export/data"};
      s.nfs_servers.push_back(server);
    });
  }
};

TEST_F(MountDialogTest, OpenWithAnEmptyRegistry) {
  MountNfsDialogModel m(platform);
  m.Open();
  EXPECT_TRUE(m.servers().empty());
  EXPECT_EQ(m.port, u"6260");
  ASSERT_FALSE(m.drives().empty());
  EXPECT_EQ(m.drive, u"Z:");
  EXPECT_EQ(m.drives().back(), u"D:");  // C: is the system's
  EXPECT_TRUE(m.persistent);
}

TEST_F(MountDialogTest, ServersPortsAndTakenDrives) {
  WriteServerEntry(platform, 0, {u"first", 111});
  WriteServerEntry(platform, 1, {u"second", 222});
  Change([](sim::MachineState& s) { s.claimed_letters['Z'] = "other"; });
  MountNfsDialogModel m(platform);
  m.Open();
  ASSERT_EQ(m.servers().size(), 2u);
  EXPECT_EQ(m.server, u"first");
  EXPECT_EQ(m.port, u"6260");  // kept until the user picks
  m.PickServer(1);
  EXPECT_EQ(m.server, u"second");
  EXPECT_EQ(m.port, u"222");
  EXPECT_EQ(m.drive, u"Y:");
}

TEST_F(MountDialogTest, RefreshPutsExportsAheadAndReportsProblems) {
  MountNfsDialogModel m(platform);
  m.Open();
  m.server = u"127.0.0.1";
  m.RefreshExports();
  EXPECT_EQ(m.paths(), (L{u"/export/home", u"/export/data"}));
  m.RefreshExports();
  EXPECT_EQ(m.paths().size(), 4u);
  EXPECT_TRUE(prompter.shown.empty());
  m.port = u"2049";
  m.RefreshExports();
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].text, u"List error 35");
  EXPECT_EQ(m.paths().size(), 4u);
  m.server = u"no-such-host.invalid";
  m.RefreshExports();
  EXPECT_EQ(prompter.shown.back().text, u"Cant resolve the host");
  // An invalid port gets the port message, not a query to port 0.
  m.server = u"127.0.0.1";
  for (const char16_t* bad : {u"", u"0", u"x", u"65536"}) {
    m.port = bad;
    m.RefreshExports();
    EXPECT_EQ(prompter.shown.back().text, u"Enter an integer between 1 and 65535.");
  }
  EXPECT_EQ(prompter.shown.size(), 6u);
  EXPECT_EQ(m.paths().size(), 4u);
}

TEST_F(MountDialogTest, ValidationKeepsTheDialogOpen) {
  MountNfsDialogModel m(platform);
  std::u16string message;
  m.port = u"0";
  EXPECT_FALSE(m.Validate(&message));
  EXPECT_EQ(message, u"Enter an integer between 1 and 65535.");
  m.port = u"70000";
  EXPECT_FALSE(m.Validate(&message));
  m.port = u"2049";
  m.path = std::u16string(257, u'p');
  EXPECT_FALSE(m.Validate(&message));
  EXPECT_EQ(message, u"Enter no more than 256 characters.");
  m.path = u"export";
  EXPECT_TRUE(m.Validate(&message));
  EXPECT_EQ(m.port_value(), 2049);
}

TEST_F(MountDialogTest, MountCommandRecordsTheServerOnlyOnSuccess) {
  int refreshed = 0;
  auto dialog = [](const std::u16string& server, const std::u16string& path) {
    return [=](MountNfsDialogModel& m) {
      m.server = server;
      m.path = path;
      m.drive = u"T:";
      return true;
    };
  };
  WriteServerEntry(platform, 0, {u"old", 6260});
  EXPECT_EQ(RunNfsMountCommand(platform, dialog(u"127.0.0.1", u"/export/home"), [&] { ++refreshed; }), kOk);
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(List(), (L{u"127.0.0.1", u"old"}));
  EXPECT_EQ(State().net_connections.at(0).local, "T:");

  EXPECT_NE(RunNfsMountCommand(platform, dialog(u"127.0.0.1", u"nothere"), [&] { ++refreshed; }), kOk);
  EXPECT_EQ(prompter.shown.back().text, u"Mount error");
  EXPECT_EQ(refreshed, 1);
  EXPECT_EQ(RunNfsMountCommand(platform, [](MountNfsDialogModel&) { return false; }, nullptr), kOk);  // Cancel
}

class OptionPageTest : public ServerListTest {
 protected:
  std::vector<std::u16string> Rows(const NfsOptionPageModel& m) {
    std::vector<std::u16string> out;
    for (const auto& r : m.rows()) out.push_back(r.server);
    return out;
  }
};

TEST_F(OptionPageTest, ReloadSkipsUnreadableEntries) {
  SetList({u"A", u"B", u"C"});
  ScopedRegKey k(*platform.registry);
  ASSERT_EQ(platform.registry->OpenKey(kHkeyCurrentUser, ServerKeyName(1), k.out()), kOk);
  platform.registry->DeleteValue(k.get(), u"Port");
  NfsOptionPageModel m(platform);
  m.Open();
  EXPECT_EQ(Rows(m), (L{u"A", u"C"}));
  EXPECT_EQ(m.rows()[1].port, u"6260");
  EXPECT_FALSE(m.buttons().apply);
  EXPECT_FALSE(m.start_with_windows());
  // The mount dialog's list ends where the page only skips.
  EXPECT_EQ(List(), (L{u"A"}));
}

TEST_F(OptionPageTest, MovesAreExchanges) {
  SetList({u"A", u"B", u"C", u"D"});
  NfsOptionPageModel m(platform);
  m.Open();
  m.Select(2);
  EXPECT_TRUE(m.buttons().top && m.buttons().up && m.buttons().down && m.buttons().del);
  m.Top();
  EXPECT_EQ(Rows(m), (L{u"C", u"B", u"A", u"D"}));
  EXPECT_EQ(m.selected(), 0);
  EXPECT_FALSE(m.buttons().top);
  EXPECT_TRUE(m.modified() && m.buttons().apply);
  NfsOptionPageModel b(platform);
  b.Open();
  b.Select(1);
  b.Bottom();
  EXPECT_EQ(Rows(b), (L{u"A", u"D", u"C", u"B"}));
  EXPECT_FALSE(b.buttons().down || b.buttons().bottom);
  b.Up();
  EXPECT_EQ(Rows(b), (L{u"A", u"D", u"B", u"C"}));
  b.Down();
  EXPECT_EQ(Rows(b), (L{u"A", u"D", u"C", u"B"}));
  // Nothing reached the registry.
  EXPECT_EQ(List(), (L{u"A", u"B", u"C", u"D"}));
}

TEST_F(OptionPageTest, DeleteAndApply) {
  SetList({u"only"});
  NfsOptionPageModel m(platform);
  m.Open();
  m.Select(0);
  EXPECT_FALSE(m.buttons().down);
  m.Delete();
  EXPECT_TRUE(m.rows().empty());
  EXPECT_FALSE(m.buttons().del);
  m.SetStartWithWindows(true);
  ASSERT_TRUE(m.Apply());
  EXPECT_FALSE(m.modified() || m.buttons().apply);
  EXPECT_FALSE(KeyExists(0));
  ScopedRegKey run(*platform.registry);
  ASSERT_EQ(platform.registry->OpenKey(kHkeyLocalMachine, kRunKey, run.out()), kOk);
  std::u16string command;
  ASSERT_EQ(platform.registry->QueryString(run.get(), u"Pellowen", 2048, &command), kOk);
  EXPECT_EQ(command, u"\"" + platform.file_system->ProgramPath() + u"\" -a");
  EXPECT_TRUE(StartsWithWindows(platform));
  m.SetStartWithWindows(false);
  ASSERT_TRUE(m.Apply());
  EXPECT_FALSE(StartsWithWindows(platform));
  EXPECT_TRUE(m.Apply());  // removing a missing value is no failure
}

// A registry whose HKLM cannot be written, as for a user without rights.
class NoMachineKeys final : public Registry {
 public:
  explicit NoMachineKeys(Registry& inner) : r_(inner) {}
  Status CreateKey(RegKey parent, const std::u16string& sub, RegKey* key) override {
    return parent == kHkeyLocalMachine ? kErrAccessDenied : r_.CreateKey(parent, sub, key);
  }
  Status OpenKey(RegKey p, const std::u16string& s, RegKey* k) override { return r_.OpenKey(p, s, k); }
  Status CloseKey(RegKey k) override { return r_.CloseKey(k); }
  Status QueryString(RegKey k, const std::u16string& n, uint32_t b, std::u16string* v) override {
    return r_.QueryString(k, n, b, v);
  }
  Status QueryDword(RegKey k, const std::u16string& n, uint32_t* v) override { return r_.QueryDword(k, n, v); }
  Status SetString(RegKey k, const std::u16string& n, const std::u16string& v) override { return r_.SetString(k, n, v); }
  Status SetDword(RegKey k, const std::u16string& n, uint32_t v) override { return r_.SetDword(k, n, v); }
  Status DeleteValue(RegKey k, const std::u16string& n) override { return r_.DeleteValue(k, n); }
  Status DeleteTree(RegKey k, const std::u16string& s) override { return r_.DeleteTree(k, s); }
  Status EnumKey(RegKey k, uint32_t i, std::u16string* n) override { return r_.EnumKey(k, i, n); }

 private:
  Registry& r_;
};

TEST_F(OptionPageTest, ApplyThatCannotWriteTheRunKeyStaysModified) {
  SetList({u"A", u"B"});
  NoMachineKeys limited(*platform.registry);
  Platform p = platform;
  p.registry = &limited;
  NfsOptionPageModel m(p);
  m.Open();
  m.Select(1);
  m.Top();
  EXPECT_FALSE(m.Apply());
  EXPECT_TRUE(m.modified() && m.buttons().apply);
  EXPECT_EQ(List(), (L{u"B", u"A"}));  // the servers were written before the Run key failed
}

}  // namespace
}  // namespace tw

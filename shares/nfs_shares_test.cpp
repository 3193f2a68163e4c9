// Mounting, listing and unmounting NFS shares against the simulated
// provider and redirector, with the diagnostic lines word for word.
#include <gtest/gtest.h>

#include "base/text.h"
#include "platform/file_system.h"
#include "platform/testing/sim_fixture.h"
#include "platform/wnet.h"
#include "shares/nfs_shares.h"

namespace tw {
namespace {

class NfsSharesTest : public ::testing::Test, public testing::SimFixture {
 protected:
  void SetUp() override {
    Change([](sim::MachineState& s) {
      sim::NfsServer server;
      server.address = "127.0.0.1";
      server.exports = {"/export/home", "/export/data"};
      s.nfs_servers.push_back(server);
      sim::NfsServer locked;
      locked.address = "127.0.0.2";
      locked.exports = {"/secret"};
      locked.user = "alice";
      locked.password = "pw";
      s.nfs_servers.push_back(locked);
    });
  }
  Status Mount(const std::u16string& drive, const std::u16string& remote, bool persistent = false,
               const std::u16string& user = u"", const std::u16string& password = u"") {
    std::u16string text = remote;
    return MountNfsShare(drive, &text, persistent, user, password, 6260, platform);
  }
  Status List(bool remembered, Bytes* records, uint32_t* size) {
    return ListNfsShares(remembered, records, size, platform);
  }
  size_t Connections() { return State().net_connections.size(); }
};

TEST_F(NfsSharesTest, ParseRemotePathForms) {
  ShareMountOptions o;
  std::u16string text = u"server:/export/home", unc;
  ASSERT_EQ(ParseRemotePath(&text, &o, &unc, platform), kOk);
  EXPECT_EQ(text, u"server");
  EXPECT_EQ(unc, u"\\\\server\\export\\home");
  auto e = o.Entries();
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].name, u"srvname");
  EXPECT_EQ(e[0].value, u"server");
  EXPECT_EQ(e[1].value, u"\\export\\home");

  for (std::u16string bad : {u"server/export", u"server:export", u"server:"}) {
    ShareMountOptions fresh;
    diagnostics.Clear();
    EXPECT_EQ(ParseRemotePath(&bad, &fresh, &unc, platform), kErrBadArguments);
    EXPECT_EQ(diagnostics.err, std::vector<std::string>{"Failed to parse the remote path. Expected 'hostname:\\path'."});
  }
  ShareMountOptions v6;
  text = u"fe80::1:\\data";
  ASSERT_EQ(ParseRemotePath(&text, &v6, &unc, platform), kOk);
  EXPECT_EQ(v6.Entries()[0].value, u"fe80::1");
  EXPECT_EQ(v6.Entries()[1].value, u"\\data");

  ShareMountOptions longer;
  text = std::u16string(128, u'h') + u":\\x";
  EXPECT_EQ(ParseRemotePath(&text, &longer, &unc, platform), kErrUncTooLong);
  EXPECT_EQ(unc.size(), 129u);  // cut at the host limit
  text = std::u16string(127, u'h') + u":\\x";
  EXPECT_EQ(ParseRemotePath(&text, &longer, &unc, platform), kErrBadArguments);  // srvname is there already
}

TEST_F(NfsSharesTest, MountListUnmountRoundTrip) {
  ASSERT_EQ(Mount(u"X:", u"127.0.0.1:\\export\\home", true), kOk);
  EXPECT_EQ(diagnostics.out.back(), "Successfully mounted 127.0.0.1 to drive X:");
  // The letter is taken for everyone else now.
  std::u16string target;
  EXPECT_EQ(platform.file_system->QueryDosName(u"X:", &target), kOk);

  diagnostics.Clear();
  uint32_t size = 0;
  EXPECT_EQ(List(false, nullptr, &size), kErrBufferOverflow);
  EXPECT_EQ(size, 2064u);
  Bytes records(size);
  ASSERT_EQ(List(false, &records, &size), kOk);
  NfsShareRecord r(records);
  EXPECT_EQ(r.local_name(), u"X:");
  EXPECT_EQ(r.remote(), u"\\\\127.0.0.1\\export\\home");
  EXPECT_EQ(r.provider(), u"VNFS Network");
  EXPECT_EQ(r.scope(), kResourceConnected);
  EXPECT_FALSE(r.location().empty());
  std::vector<std::string> expected_out = {"Listing VNFS Network mounts:", "", "Volume Remote path",
                                           "X: \\\\127.0.0.1\\export\\home", "", "Found 1 share.",
                                           "Listing VNFS Network mounts:", "", "Volume Remote path",
                                           "X: \\\\127.0.0.1\\export\\home", "", "Found 1 share."};
  EXPECT_EQ(diagnostics.out, expected_out);

  Bytes remembered(2064);
  ASSERT_EQ(List(true, &remembered, &size), kOk);
  NfsShareRecord m(remembered);
  EXPECT_EQ(m.remote(), u"home");
  EXPECT_EQ(m.location(), u"VNFS://127.0.0.1/export/home");

  diagnostics.Clear();
  EXPECT_EQ(UnmountNfsShare(u"X:", platform), kOk);
  EXPECT_EQ(diagnostics.out, std::vector<std::string>{"Drive X: unmounted successfully."});
  EXPECT_EQ(Connections(), 0u);  // forgotten for later logons too
  EXPECT_EQ(UnmountNfsShare(u"X:", platform), kErrNotConnected);
  EXPECT_EQ(diagnostics.err, std::vector<std::string>{"Drive X: is not currently connected."});
}

TEST_F(NfsSharesTest, AnAssignedDriveIsRefusedWithoutAConnectionAttempt) {
  ASSERT_EQ(Mount(u"Y:", u"127.0.0.1:\\export\\home"), kOk);
  diagnostics.Clear();
  EXPECT_EQ(Mount(u"Y:", u"127.0.0.1:\\export\\data"), kErrAlreadyAssigned);
  EXPECT_EQ(diagnostics.err,
            std::vector<std::string>{"Mount failed, drive Y: is already assigned to '\\\\127.0.0.1\\export\\home'."});
  EXPECT_EQ(Connections(), 1u);
  // A drive the provider finds taken (a plugged slot's letter) fails in the provider instead.
  Change([](sim::MachineState& s) { s.claimed_letters['Q'] = "disk"; });
  diagnostics.Clear();
  EXPECT_EQ(Mount(u"Q:", u"127.0.0.1:\\export\\data"), kErrAlreadyAssigned);
  EXPECT_EQ(diagnostics.err,
            std::vector<std::string>{"WNetUseConnection(Q:, \\\\127.0.0.1\\export\\data) failed with error code 85."});
}

TEST_F(NfsSharesTest, ProviderRefusals) {
  EXPECT_EQ(Mount(u"X:", u"127.0.0.1:\\nothere"), kErrBadNetName);
  EXPECT_EQ(Mount(u"X:", u"127.0.0.9:\\export"), 53u);
  EXPECT_EQ(Mount(u"X:", u"127.0.0.2:\\secret", false, u"alice", u"wrong"), 1326u);
  EXPECT_EQ(diagnostics.err.back(), "WNetUseConnection(X:, \\\\127.0.0.2\\secret) failed with error code 1326.");
  EXPECT_EQ(Mount(u"X:", u"127.0.0.2:\\secret", false, u"alice", u"pw"), kOk);
  EXPECT_EQ(Mount(u"W:", u"127.0.0.1:/export/home/sub/dir"), kOk);  // inside an export
  EXPECT_EQ(State().net_connections.size(), 2u);
}

TEST_F(NfsSharesTest, ADriveTextWithAStarConnectsWithoutALetter) {
  ASSERT_EQ(Mount(u"*", u"127.0.0.1:\\export\\data"), kOk);
  EXPECT_EQ(diagnostics.out.back(), "Successfully mounted 127.0.0.1 to drive \\\\127.0.0.1\\export\\data");
  EXPECT_EQ(State().net_connections[0].local, "");
}

TEST_F(NfsSharesTest, ListingSizesAndOtherProviders) {
  uint32_t size = 99;
  EXPECT_EQ(List(false, nullptr, &size), kOk);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(diagnostics.out.back(), "Found 0 shares.");
  Change([](sim::MachineState& s) {
    sim::NetConnection other;
    other.local = "S:";
    other.remote = "\\\\fileserver\\public";
    other.provider = "Microsoft Windows Network";
    other.connected = other.remembered = true;
    s.net_connections.push_back(other);
  });
  ASSERT_EQ(Mount(u"X:", u"127.0.0.1:\\export\\home", true), kOk);
  ASSERT_EQ(Mount(u"V:", u"127.0.0.1:\\export\\data", true), kOk);
  diagnostics.Clear();
  EXPECT_EQ(List(false, nullptr, &size), kErrBufferOverflow);
  EXPECT_EQ(size, 4128u);
  EXPECT_EQ(diagnostics.out.back(), "Found 2 shares.");
  Bytes records(size);
  ASSERT_EQ(List(true, &records, &size), kOk);
  EXPECT_EQ(NfsShareRecord(records).local_name(), u"X:");
  EXPECT_EQ(NfsShareRecord(ConstByteSpan(records.data() + 2064, 2064)).local_name(), u"V:");
  // Three records' room but a capacity of one and a half: only whole records are written.
  Bytes small(3000, 0xEE);
  EXPECT_EQ(List(false, &small, &size), kErrBufferOverflow);
  EXPECT_EQ(small[2064], 0xEE);
}

TEST_F(NfsSharesTest, ExportQuery) {
  ExportQueryRequest req;
  req.set_address(0x0100007F);
  req.set_port(6260);
  Bytes reply(exportreq::kReplySize, 0);
  uint32_t size = static_cast<uint32_t>(reply.size());
  ASSERT_EQ(QueryServerExports(req, &reply, &size, platform), kOk);
  EXPECT_EQ(GetUtf16Field(reply, 0, reply.size()), u"/export/home,/export/data");
  EXPECT_EQ(size, (25u + 1) * 2);
  req.set_port(2049);
  EXPECT_EQ(QueryServerExports(req, &reply, &size, platform), 53u);
  ExportQueryRequest locked;
  locked.set_address(0x0200007F);
  locked.set_port(6260);
  locked.set_user(u"alice");
  locked.set_password(u"pw");
  size = static_cast<uint32_t>(reply.size());
  ASSERT_EQ(QueryServerExports(locked, &reply, &size, platform), kOk);
  EXPECT_EQ(GetUtf16Field(reply, 0, reply.size()), u"/secret");
  // The request's layout.
  EXPECT_EQ(GetU16LE(ConstByteSpan(locked.data(), 1032), 4), 6260);
  EXPECT_EQ(GetU16LE(ConstByteSpan(locked.data(), 1032), 6), 'a');
  EXPECT_EQ(GetU16LE(ConstByteSpan(locked.data(), 1032), 518), 'p');
}

}  // namespace
}  // namespace tw

// The network commands against real peers nobody here wrote: the tgt daemon
// (TW_TGT_PORT, started by the ctest fixture of label "peer") and the local
// verification service (scripts/cloud-verify-server.py, which runs this
// program): our own clients natively, the system's under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "cloud/cloud_disk.h"
#include "console/cloud_commands.h"
#include "console/iscsi_commands.h"
#include "platform/sockets.h"
#include "platform/testing/sim_fixture.h"
#include "storagebus/records.h"
#include "storagebus/storage_bus.h"

namespace tw::console {
namespace {

class ConsolePeerTest : public ::testing::Test, public testing::SimFixture {
 protected:
  int Tarnwick(CommandFn command, const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    Context ctx{*machine, out, err, false, platform};
    return command(ctx, args);
  }
  std::ostringstream out, err;
};

TEST_F(ConsolePeerTest, DiscoverPrintsTheTargetsOfTgt) {
  const char* port = std::getenv("TW_TGT_PORT");
  if (!port || !*port) GTEST_SKIP() << "TW_TGT_PORT not set: run through ctest -L peer";
  const std::string where = std::string("127.0.0.1:") + port;
  ASSERT_EQ(Tarnwick(DiscoverCommand, {where}), 0) << err.str();
  std::string text = out.str();
  for (const char* t : {"iqn.2026-01.test.tarnwick:peer.chap-disk", "iqn.2026-01.test.tarnwick:peer.disk1",
                        "iqn.2026-01.test.tarnwick:peer.disk2"})
    EXPECT_NE(text.find(t + ("\tShared\t" + where + "\n")), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST_F(ConsolePeerTest, CloudVerifyAndMountOnTheSimulatedMachine) {
  ASSERT_NE(std::getenv(kCloudHostVariable), nullptr) << "run under scripts/cloud-verify-server.py --run";
  EXPECT_EQ(Tarnwick(CloudCommand, {"verify", "alice", "--password", "s3cret w"}), 0) << err.str();
  EXPECT_EQ(out.str(), "server 10.1.2.3\nport 3260\ndisk disk7\n");
  EXPECT_EQ(Tarnwick(CloudCommand, {"verify", "alice", "--password", "nope"}), 1);
  EXPECT_NE(err.str().find("Couldn't logon to Velthorn cloud space."), std::string::npos);
  EXPECT_EQ(Tarnwick(CloudCommand, {"verify"}), 2);

  EXPECT_EQ(Tarnwick(CloudCommand, {"mount", "bob", "--password", "pw"}), 0) << err.str();
  EXPECT_EQ(out.str(), "slot 1\nserver 10.9.8.7\nport 8080\ndisk Backup disk \xC3\x84\n");
  ASSERT_FALSE(prompter.shown.empty());
  EXPECT_EQ(prompter.shown.back().text, u"Mounted successfully.");
  StorageBus bus(platform);
  ASSERT_EQ(bus.SelectAdapter(0), kOk);
  DeviceRecord record;
  ASSERT_EQ(bus.QueryDevice(1, &record), kOk);
  EXPECT_EQ(record.device_type(), kCloudDisk);
  EXPECT_EQ(DottedAddress(record.target_address()), "10.9.8.7");
  EXPECT_EQ(record.target_port(), 8080);
  EXPECT_EQ(record.target_name(), "Backup disk \xC4");  // in code page 1252
  EXPECT_EQ(record.user_name(), "bob");
}

}  // namespace
}  // namespace tw::console

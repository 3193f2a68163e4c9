// Account verification and the cloud disk mount over a recording internet
// port and the simulated machine.
#include "cloud/cloud_disk.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "cloud/http/fake_internet.h"
#include "platform/sim/sim_machine.h"
#include "platform/sockets.h"
#include "platform/testing/sim_fixture.h"
#include "storagebus/records.h"
#include "storagebus/storage_bus.h"

namespace tw {
namespace {

using testing::FakeInternet;

class Account final : public CloudAccountDialog {
 public:
  Account(std::u16string u, std::u16string p, bool ok = true) : user(std::move(u)), password(std::move(p)), ok(ok) {}
  bool Ask(std::u16string* u, std::u16string* p) override {
    EXPECT_TRUE(u->empty());
    EXPECT_TRUE(p->empty());
    ++asked;
    *u = user;
    *p = password;
    return ok;
  }
  std::u16string user, password;
  bool ok;
  int asked = 0;
};

class CloudDiskTest : public ::testing::Test {
 protected:
  testing::SimFixture sim_;
  FakeInternet net_;
  const Platform& p() { return sim_.platform; }
};

TEST_F(CloudDiskTest, AnswerParsing) {
  CloudVerification v;
  EXPECT_EQ(ParseCloudAnswer(u"alice<br/>10.1.2.3<br/>3260<br/>disk7", u"alice", p(), &v), kCloudVerified);
  EXPECT_EQ(v.server_address, HostToNet32(0x0A010203));
  EXPECT_EQ(v.server_port, 3260);
  EXPECT_EQ(v.disk_name, u"disk7");
  // The disk name is the whole rest, separators included.
  EXPECT_EQ(ParseCloudAnswer(u"alice<br/>10.1.2.3<br/>3260<br/>a<br/>b", u"alice", p(), &v), kCloudVerified);
  EXPECT_EQ(v.disk_name, u"a<br/>b");

  const char16_t* refused[] = {
      u"Alice<br/>10.1.2.3<br/>3260<br/>disk7",   // case differs
      u"alice<br/>10.1.2.3<br/>3260",             // two separators
      u"alicex<br/>10.1.2.3<br/>3260<br/>disk7",  // a longer name
      u"alice<br/>no address<br/>3260<br/>disk7",
      u"alice<br/>10.1.2.3<br/>70000<br/>disk7",
      u"alice<br/>10.1.2.3<br/>port<br/>disk7",
      u"alice<br/>10.1.2.3<br/>0<br/>disk7",
      u"",
  };
  for (const char16_t* answer : refused) {
    EXPECT_EQ(ParseCloudAnswer(answer, u"alice", p(), &v), kCloudNotVerified) << Utf16ToUtf8(answer);
    EXPECT_EQ(v.server_address, 0u);
  }
  EXPECT_EQ(ParseCloudAnswer(u"a<br/>10.1.2.3<br/>3260<br/>d", u"a", p(), &v), kCloudNotVerified);
}

TEST_F(CloudDiskTest, AnswerInSmallReadsIsReadToTheEnd) {
  net_.body_pieces = {"alice", "<br/>10.", "1.2.3<br/>", "32", "60<br/>", "disk7"};
  CloudVerification v;
  ASSERT_EQ(VerifyCloudAccount(p(), net_, u"host", u"alice", u"pw", &v), kCloudVerified);
  EXPECT_EQ(v.server_port, 3260);
  EXPECT_EQ(v.disk_name, u"disk7");
  EXPECT_EQ(net_.Body(), "Password=pw&UserName=alice");
  EXPECT_EQ(net_.server, "host");
  EXPECT_EQ(net_.object_name, "/verify/cloud.aspx");
  EXPECT_EQ(net_.request_flags, 0x84400F00u);
  EXPECT_TRUE(net_.open.empty());
}

TEST_F(CloudDiskTest, AnswerTextStopsAt1027Characters) {
  std::string head = "alice<br/>10.1.2.3<br/>3260<br/>";
  net_.body_pieces = {head + std::string(600, 'd'), std::string(2000, 'e')};
  CloudVerification v;
  ASSERT_EQ(VerifyCloudAccount(p(), net_, u"host", u"alice", u"pw", &v), kCloudVerified);
  EXPECT_EQ(v.disk_name.size(), kCloudAnswerChars - head.size());
  EXPECT_EQ(v.disk_name.substr(0, 600), std::u16string(600, u'd'));
}

TEST_F(CloudDiskTest, FailuresGiveTheirResults) {
  CloudVerification v;
  net_.fail_call = "Connect";
  EXPECT_EQ(VerifyCloudAccount(p(), net_, u"host", u"alice", u"pw", &v), kCloudHttpFailure);
  EXPECT_TRUE(net_.open.empty());

  FakeInternet net;
  net.body_pieces = {"a<br/>10.1.2.3<br/>3260<br/>disk7"};
  EXPECT_EQ(VerifyCloudAccount(p(), net, u"host", u"a", u"pw", &v), kCloudNotVerified);
  // The one-character name is refused only after the post.
  EXPECT_NE(std::find(net.log.begin(), net.log.end(), "EndRequest"), net.log.end());

  FakeInternet failing_read;
  failing_read.fail_call = "Read";
  EXPECT_EQ(VerifyCloudAccount(p(), failing_read, u"host", u"alice", u"pw", &v), kCloudHttpFailure);
}

TEST_F(CloudDiskTest, MountPlugsTheDiskFromSlotOne) {
  net_.body_pieces = {"alice<br/>10.1.2.3<br/>3260<br/>disk7"};
  StorageBus bus(p());
  ASSERT_EQ(bus.SelectAdapter(0), kOk);
  Account account(u"alice", u"s3cret");
  CloudMountOutcome o = MountCloudDisk(p(), bus, net_, u"host", account);
  EXPECT_EQ(account.asked, 1);
  ASSERT_EQ(o.slot, 1);
  EXPECT_EQ(o.plug_status, kOk);
  ASSERT_EQ(sim_.prompter.shown.size(), 1u);
  EXPECT_EQ(sim_.prompter.shown[0].text, u"Mounted successfully.");

  DeviceRecord record;
  ASSERT_EQ(bus.QueryDevice(1, &record), kOk);
  EXPECT_TRUE(record.in_use());
  EXPECT_EQ(record.device_type(), kCloudDisk);
  EXPECT_EQ(record.target_address(), HostToNet32(0x0A010203));
  EXPECT_EQ(record.target_port(), 3260);
  EXPECT_EQ(record.target_name(), "disk7");
  EXPECT_EQ(record.user_name(), "alice");
  sim::MachineState state = sim_.State();
  EXPECT_FALSE(state.slots[0].used);
  EXPECT_EQ(state.slots[1].chap_secret, "s3cret");
}

TEST_F(CloudDiskTest, MountMessages) {
  StorageBus bus(p());
  ASSERT_EQ(bus.SelectAdapter(0), kOk);

  Account cancelled(u"alice", u"pw", false);
  EXPECT_TRUE(MountCloudDisk(p(), bus, net_, u"host", cancelled).cancelled);
  EXPECT_TRUE(net_.log.empty());
  EXPECT_TRUE(sim_.prompter.shown.empty());

  Account alice(u"alice", u"pw");
  net_.body_pieces = {"Access denied"};
  MountCloudDisk(p(), bus, net_, u"host", alice);
  ASSERT_EQ(sim_.prompter.shown.size(), 1u);
  EXPECT_EQ(sim_.prompter.shown[0].text, u"Couldn't logon to Velthorn cloud space.\r\n");

  // The driver refuses a cloud disk without a name.
  FakeInternet nameless;
  nameless.body_pieces = {"alice<br/>10.1.2.3<br/>3260<br/>"};
  CloudMountOutcome o = MountCloudDisk(p(), bus, nameless, u"host", alice);
  EXPECT_EQ(o.plug_status, kStatusInvalidParameter);
  EXPECT_EQ(sim_.prompter.shown.back().text, u"Mount cloud disk error c000000d.");

  for (int i = 1; i < 8; ++i) {
    FakeInternet net;
    net.body_pieces = {"alice<br/>10.1.2.3<br/>3260<br/>disk" + std::to_string(i)};
    ASSERT_EQ(MountCloudDisk(p(), bus, net, u"host", alice).slot, i);
  }
  FakeInternet full;
  full.body_pieces = {"alice<br/>10.1.2.3<br/>3260<br/>disk8"};
  EXPECT_EQ(MountCloudDisk(p(), bus, full, u"host", alice).slot, -1);
  EXPECT_EQ(sim_.prompter.shown.back().text, u"No device left.");
  // Slot 0 is never used for a cloud disk.
  EXPECT_FALSE(sim_.State().slots[0].used);
}

}  // namespace
}  // namespace tw

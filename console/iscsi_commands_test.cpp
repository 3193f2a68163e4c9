// tarnwick discover / portals over a scripted loopback target and an
// in-memory registry.
#include "console/iscsi_commands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "base/text.h"
#include "iscsi/login.h"
#include "iscsi/testing/memory_registry.h"
#include "iscsi/testing/scripted_target.h"
#include "platform/stream_prompter.h"
#include "platform/testing/sim_fixture.h"

namespace tw::console {
namespace {

using testing::Keys;
using testing::Request;
using testing::ScriptedTarget;
using testing::TargetConnection;

const std::u16string kPortalsPath = u"HKLM\\SYSTEM\\CurrentControlSet\\Services\\VScsiPrt\\Portals";

// Answers `value` with the keys, any other value with an empty answer.
ScriptedTarget::Handler Portal(Keys all, std::string value = "All") {
  return [all, value](TargetConnection& c) {
    Request r;
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x81, {{"AuthMethod", "None"}}));
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x87, {}));
    if (!c.Read(&r)) return;
    const bool answer = r.Key("SendTargets") == value;
    c.Send(testing::TextResponse(answer ? testing::TextData(all) : Bytes{}, true));
    if (c.Read(&r)) c.Send(testing::LogoutResponse());
    c.WaitForClose();
  };
}

class CommandsTest : public ::testing::Test, public testing::SimFixture {
 protected:
  CommandsTest() : sockets_(NewSystemSockets()) {}
  Context MakeContext() {
    out_.str("");
    err_.str("");
    Context ctx{*machine, out_, err_, false, platform};
    ctx.platform.sockets = sockets_.get();
    ctx.platform.registry = &registry_;
    ctx.platform.prompter = &prompter_;
    return ctx;
  }
  int Discover(const std::vector<std::string>& args) {
    Context ctx = MakeContext();
    return DiscoverCommand(ctx, args);
  }
  int Portals(const std::vector<std::string>& args) {
    Context ctx = MakeContext();
    return PortalsCommand(ctx, args);
  }
  std::unique_ptr<Sockets> sockets_;
  tw::testing::MemoryRegistry registry_;
  std::ostringstream out_, err_;
  StreamPrompter prompter_{err_, false};
};

TEST_F(CommandsTest, DiscoverListsTargetsWithKindAndPortals) {
  auto portal = Portal({{"TargetName", "iqn.t:a"}, {"TargetName", "iqn.t:b"}});
  ScriptedTarget target(*sockets_, {portal, portal, portal});
  const std::string where = "127.0.0.1:" + std::to_string(target.port());
  EXPECT_EQ(Discover({where}), 0) << err_.str();
  target.Join();
  EXPECT_EQ(out_.str(), "iqn.t:a\tShared\t" + where + "\niqn.t:b\tShared\t" + where + "\n");
}

TEST_F(CommandsTest, DiscoverWithAVendorValueAsksOnce) {
  auto portal = Portal({{"TargetName", "iqn.t:p"}}, "Private");
  ScriptedTarget target(*sockets_, {portal});
  EXPECT_EQ(Discover({"127.0.0.1:" + std::to_string(target.port()), "--value=private"}), 0);
  EXPECT_EQ(target.Join().size(), 1u);
  EXPECT_EQ(out_.str(), "iqn.t:p\tPrivate\t127.0.0.1:" + std::to_string(target.port()) + "\n");
}

TEST_F(CommandsTest, DiscoverReportsAnUnreachablePortal) {
  const uint16_t port = testing::ClosedLoopbackPort(*sockets_);
  EXPECT_EQ(Discover({"127.0.0.1:" + std::to_string(port), "--value", "Private"}), 1);
  EXPECT_EQ(err_.str(), "Can't connect to the host 127.0.0.1, error code: 274d.\n");
  EXPECT_EQ(out_.str(), "");
}

// A rogue portal: it answers NTAUTH, and would read the secret back out of
// the response, then serves one target.
ScriptedTarget::Handler NtauthPortal() {
  return [](TargetConnection& c) {
    Request r;
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x00, {{"AuthMethod", "NTAUTH"}}));
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x00, {{"CHAP_A", "5"}, {"CHAP_I", "9"}, {"CHAP_C", "0x0102"}}));
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x81, {}));
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x87, {}));
    if (!c.Read(&r)) return;
    c.Send(testing::TextResponse(testing::TextData({{"TargetName", "iqn.t:rogue"}}), true));
    if (c.Read(&r)) c.Send(testing::LogoutResponse());
    c.WaitForClose();
  };
}

std::string SentChapResponse(const std::vector<std::vector<Request>>& connections) {
  for (const auto& requests : connections)
    for (const Request& r : requests)
      if (r.Key("CHAP_R") != "<absent>") return r.Key("CHAP_R");
  return "";
}

TEST_F(CommandsTest, ChapSecretGoesThroughNtauthOnlyWhenAllowed) {
  {
    ScriptedTarget target(*sockets_, {NtauthPortal()});
    const std::string where = "127.0.0.1:" + std::to_string(target.port());
    EXPECT_EQ(Discover({where, "--value", "Shared", "--chap-user", "u", "--chap-secret", "s3cret"}), 1);
    EXPECT_EQ(SentChapResponse(target.Join()), "");
    EXPECT_NE(err_.str().find("NTAUTH"), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("fixed key"), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("--allow-ntauth"), std::string::npos) << err_.str();
    EXPECT_EQ(out_.str(), "");
  }
  {
    ScriptedTarget target(*sockets_, {NtauthPortal()});
    const std::string where = "127.0.0.1:" + std::to_string(target.port());
    EXPECT_EQ(Discover({where, "--value", "Shared", "--chap-user", "u", "--chap-secret", "s3cret", "--allow-ntauth"}),
              0)
        << err_.str();
    EXPECT_EQ(SentChapResponse(target.Join()), NtauthResponse("s3cret"));
    EXPECT_EQ(out_.str(), "iqn.t:rogue\tShared\t" + where + "\n");
  }
  {
    // Without a secret (as the manager discovers) the answer is taken as
    // before, and the login gives up at the step that needs credentials.
    ScriptedTarget target(*sockets_, {NtauthPortal()});
    EXPECT_EQ(Discover({"127.0.0.1:" + std::to_string(target.port()), "--value", "Shared"}), 1);
    EXPECT_EQ(target.Join().at(0).size(), 2u);
    EXPECT_EQ(err_.str().find("NTAUTH"), std::string::npos) << err_.str();
  }
}

TEST_F(CommandsTest, DiscoverUsage) {
  EXPECT_EQ(Discover({}), 2);
  EXPECT_EQ(Discover({"127.0.0.1", "--value", "Some"}), 2);
  EXPECT_EQ(Discover({"127.0.0.1:0"}), 2);
  EXPECT_EQ(Discover({"127.0.0.1:99999"}), 2);
  EXPECT_EQ(Discover({"a", "b"}), 2);
  Context none = MakeContext();
  none.platform.sockets = nullptr;
  EXPECT_EQ(DiscoverCommand(none, {"127.0.0.1"}), 1);
}

TEST_F(CommandsTest, PortalsAddListRemove) {
  auto portal = Portal({{"TargetName", "iqn.t:a"}});
  // add: 3 passes; list: 3 passes; remove: 3 passes.
  ScriptedTarget target(*sockets_, std::vector<ScriptedTarget::Handler>(9, portal));
  const std::string where = "127.0.0.1:" + std::to_string(target.port());
  EXPECT_EQ(Portals({"add", where}), 0) << err_.str();
  EXPECT_EQ(out_.str(), where + "\t1 target\n");
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal0", u"Address"), u"127.0.0.1");
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal0", u"Port"), U16(std::to_string(target.port())));
  // A registered portal that is not discovered (its port text is empty)
  // shows as not reached.
  registry_.PutString(kPortalsPath + u"\\Portal1", u"Address", u"10.9.9.9");
  registry_.PutString(kPortalsPath + u"\\Portal1", u"Port", u"");
  EXPECT_EQ(Portals({}), 0);
  EXPECT_EQ(out_.str().substr(0, where.size() + 9), where + "\t1 target");
  EXPECT_NE(out_.str().find("10.9.9.9:\tnot reached\n"), std::string::npos) << out_.str();
  EXPECT_EQ(Portals({"remove", where}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "");
  EXPECT_TRUE(registry_.KeysUnder(kPortalsPath).empty());
  target.Join();
  EXPECT_EQ(Portals({"remove", where}), 1);
  EXPECT_EQ(Portals({"add"}), 2);
  EXPECT_EQ(Portals({"add", "host:0"}), 2);
  EXPECT_EQ(Portals({"frob", "x"}), 2);
}

}  // namespace
}  // namespace tw::console

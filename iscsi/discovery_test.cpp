// Discovery with the standard-target fixes, against a scripted target on loopback
// (real sockets: natively POSIX, under Wine ws2_32).
#include "iscsi/discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "base/text.h"
#include "iscsi/connection.h"
#include "iscsi/login.h"
#include "iscsi/testing/scripted_target.h"
#include "iscsi/testing/stream_sockets.h"
#include "platform/testing/fault_sockets.h"

namespace tw {
namespace {

using testing::Keys;
using testing::LoginResponse;
using testing::LogoutResponse;
using testing::Request;
using testing::ScriptedTarget;
using testing::TargetConnection;
using testing::TextData;
using testing::TextResponse;

const uint32_t kLoopback = HostToNet32(0x7F000001);

// The two login exchanges as tgt answers them.
bool AcceptLogin(TargetConnection& c) {
  Request r;
  if (!c.Read(&r)) return false;
  c.Send(LoginResponse(0x81, {{"TargetPortalGroupTag", "1"}, {"AuthMethod", "None"}}));
  if (!c.Read(&r)) return false;
  c.Send(LoginResponse(0x87, {{"FirstBurstLength", "65536"}}));
  return true;
}

void AnswerLogout(TargetConnection& c) {
  Request r;
  if (c.Read(&r)) c.Send(LogoutResponse());
  c.WaitForClose();
}

// A portal that answers each SendTargets value from a table (an empty,
// final answer for values it does not know), like tgt for "All" and a
// vendor target for "Shared"/"Private".
ScriptedTarget::Handler Portal(std::map<std::string, Keys> answers) {
  return [answers](TargetConnection& c) {
    if (!AcceptLogin(c)) return;
    Request r;
    if (!c.Read(&r)) return;
    auto it = answers.find(r.Key("SendTargets"));
    c.Send(TextResponse(it == answers.end() ? Bytes{} : TextData(it->second), true));
    AnswerLogout(c);
  };
}

std::vector<std::string> AskedValues(const std::vector<std::vector<Request>>& connections) {
  std::vector<std::string> values;
  for (const auto& requests : connections)
    for (const Request& r : requests)
      if (r.opcode() == 0x44) values.push_back(r.Key("SendTargets"));
  return values;
}

std::vector<std::string> Names(const IscsiLists& lists) {
  std::vector<std::string> names;
  for (const IscsiTarget& t : lists.targets()) names.push_back(Utf16ToUtf8(t.name));
  return names;
}

class DiscoveryTest : public ::testing::Test {
 protected:
  DiscoveryTest() : sockets_(NewSystemSockets()) {
    config_.connectTimeoutMs = 1000;
    config_.ioTimeoutMs = 2000;
  }
  IscsiDiscovery Discovery() { return IscsiDiscovery(*sockets_, lists_, config_); }
  std::unique_ptr<Sockets> sockets_;
  InitiatorConfig config_;
  IscsiLists lists_;
};

TEST_F(DiscoveryTest, StandardTargetIsFoundByTheAllPass) {
  const Keys all = {{"TargetName", "iqn.2026-01.test:disk1"}, {"TargetAddress", "127.0.0.1:3260,1"},
                    {"TargetName", "iqn.2026-01.test:disk2"}, {"TargetAddress", "127.0.0.1:3260,1"}};
  auto portal = Portal({{"All", all}});
  ScriptedTarget target(*sockets_, {portal, portal, portal});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverHost(u"127.0.0.1", target.port(), ""), 0);
  const auto& connections = target.Join();
  EXPECT_EQ(AskedValues(connections), (std::vector<std::string>{"Shared", "Private", "All"}));
  EXPECT_EQ(Names(lists_), (std::vector<std::string>{"iqn.2026-01.test:disk1", "iqn.2026-01.test:disk2"}));
  for (const IscsiTarget& t : lists_.targets()) {
    EXPECT_FALSE(t.isPrivate);
    EXPECT_EQ(t.portalAddress, kLoopback);
    ASSERT_EQ(t.portals.size(), 1u);
    EXPECT_EQ(t.portals[0].port, target.port());
  }
  ASSERT_EQ(lists_.portals().size(), 1u);
  EXPECT_EQ(lists_.portals()[0], (IscsiPortal{kLoopback, target.port()}));
  // Every session logged out: Login, Login, Text, Logout on each connection.
  for (const auto& requests : connections) {
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[3].opcode(), 0x46);
  }
}

TEST_F(DiscoveryTest, VendorTargetKindsAndNoAllPass) {
  auto portal = Portal({{"Shared", {{"TargetName", "iqn.v:shared"}}},
                        {"Private", {{"TargetName", "iqn.v:private"}}},
                        {"All", {{"TargetName", "iqn.v:never-asked"}}}});
  ScriptedTarget target(*sockets_, {portal, portal});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverHost(u"127.0.0.1", target.port(), "All"), 0);
  EXPECT_EQ(AskedValues(target.Join()), (std::vector<std::string>{"Shared", "Private"}));
  ASSERT_EQ(lists_.targets().size(), 2u);
  EXPECT_FALSE(lists_.targets()[0].isPrivate);
  EXPECT_TRUE(lists_.targets()[1].isPrivate);
  EXPECT_EQ(lists_.portals().size(), 1u);
}

TEST_F(DiscoveryTest, PrivateOnlyAnswerDoesNotRecordThePortal) {
  auto portal = Portal({{"Private", {{"TargetName", "iqn.v:p1"}, {"TargetName", "iqn.v:p2"}}}});
  ScriptedTarget target(*sockets_, {portal, portal});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverHost(u"127.0.0.1", target.port(), ""), 0);
  target.Join();
  ASSERT_EQ(lists_.targets().size(), 2u);
  EXPECT_TRUE(lists_.targets()[0].isPrivate);
  EXPECT_TRUE(lists_.portals().empty());
}

TEST_F(DiscoveryTest, AnswerSplitOverTwoResponsesWithAKeyCutAtTheBoundary) {
  const Bytes whole = TextData({{"TargetName", "iqn.2026-01.test:alpha"},
                                {"TargetAddress", "127.0.0.1:3260,1"},
                                {"TargetName", "iqn.2026-01.test:beta"},
                                {"TargetAddress", "127.0.0.1:3260,1"}});
  const size_t cut = 23 + 31 + 16;  // inside the second "TargetName=" value
  ScriptedTarget target(*sockets_, {[&](TargetConnection& c) {
    if (!AcceptLogin(c)) return;
    Request r;
    c.Read(&r);
    // Both parts sent at once, in small pieces, without being asked.
    Bytes both = TextResponse(Bytes(whole.begin(), whole.begin() + cut), false);
    Bytes rest = TextResponse(Bytes(whole.begin() + cut, whole.end()), true);
    both.insert(both.end(), rest.begin(), rest.end());
    c.SendInPieces(both, 7);
    AnswerLogout(c);
  }});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), 0);
  target.Join();
  EXPECT_EQ(Names(lists_), (std::vector<std::string>{"iqn.2026-01.test:alpha", "iqn.2026-01.test:beta"}));
}

TEST_F(DiscoveryTest, ThreeAddressesOfOneTargetAndCaseInsensitiveNamesAcrossPortals) {
  auto first = Portal({{"All", {{"TargetName", "iqn.t:One"}, {"TargetAddress", "a"},
                                {"TargetAddress", "b"}, {"TargetAddress", "c"}}}});
  auto second = Portal({{"Private", {{"TargetName", "IQN.T:one"}, {"TargetName", "iqn.t:two"}}}});
  ScriptedTarget a(*sockets_, {first});
  ScriptedTarget b(*sockets_, {second});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, a.port(), "All", true), 0);
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, b.port(), "Private", false), 0);
  a.Join();
  b.Join();
  ASSERT_EQ(lists_.targets().size(), 2u);
  const IscsiTarget& one = lists_.targets()[0];
  EXPECT_EQ(one.name, u"iqn.t:One");  // as first recorded
  EXPECT_FALSE(one.isPrivate);
  ASSERT_EQ(one.portals.size(), 2u);
  EXPECT_EQ(one.portals[0].port, a.port());
  EXPECT_EQ(one.portals[1].port, b.port());
  EXPECT_TRUE(lists_.targets()[1].isPrivate);
}

TEST_F(DiscoveryTest, ReplaceDropsTheTargetsOfTheAddressOnlyWhenTheAnswerNamesOne) {
  IscsiTarget& old = lists_.RecordTarget(u"iqn.old", false, kLoopback);
  lists_.AddTargetPortal(old, kLoopback, 1);
  lists_.RecordTarget(u"iqn.elsewhere", false, HostToNet32(0x0A000001));
  auto empty = Portal({});
  auto named = Portal({{"All", {{"TargetName", "iqn.new"}}}});
  ScriptedTarget target(*sockets_, {empty, named});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), 0);
  EXPECT_EQ(Names(lists_), (std::vector<std::string>{"iqn.old", "iqn.elsewhere"}));
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), 0);
  target.Join();
  EXPECT_EQ(Names(lists_), (std::vector<std::string>{"iqn.elsewhere", "iqn.new"}));
}

TEST_F(DiscoveryTest, RefusedPortalGives10061AndRecordsNothing) {
  const uint16_t port = testing::ClosedLoopbackPort(*sockets_);
  config_.connectTimeoutMs = 300;
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, port, "All", true), kWsaEConnRefused);
  // DiscoverHost runs all three passes and returns the last one's error.
  EXPECT_EQ(discovery.DiscoverHost(u"127.0.0.1", port, ""), kWsaEConnRefused);
  EXPECT_TRUE(lists_.targets().empty());
  EXPECT_TRUE(lists_.portals().empty());
}

TEST_F(DiscoveryTest, RefusedConnectIsSeenInTheFailureSetAndSilentOneOnlyAtTheTimeOut) {
  // Refused: the one select watches writability and failure, the failure
  // set answers, and the session is left with no connection.
  testing::SelectRecorder refused(*sockets_);
  const uint16_t port = testing::ClosedLoopbackPort(*sockets_);
  IscsiSession session(refused, InitiatorConfig{}, kLoopback, port);
  EXPECT_EQ(OpenConnection(session), kWsaEConnRefused);
  ASSERT_EQ(refused.calls.size(), 1u);
  EXPECT_TRUE(refused.calls[0].asked.write);
  EXPECT_TRUE(refused.calls[0].asked.except);
  EXPECT_EQ(refused.calls[0].timeout_ms, 5000u);
  EXPECT_EQ(refused.calls[0].result, 1);
  EXPECT_TRUE(refused.calls[0].got.except);
  EXPECT_FALSE(refused.calls[0].got.write);
  EXPECT_TRUE(session.connections.empty());
  EXPECT_EQ(session.current, nullptr);
  EXPECT_EQ(session.connectionCounter, 0u);

  // Silent: nothing holds until the select has run out its time.
  testing::FullBacklogListener silent_listener(*sockets_);
  testing::SelectRecorder silent(*sockets_);
  SocketHandle s = CreateInitiatorSocket(silent);
  ASSERT_NE(s, kInvalidSocket);
  EXPECT_EQ(ConnectWithTimeout(silent, s, kLoopback, HostToNet16(silent_listener.port()), 300),
            kWsaEConnRefused);
  ASSERT_EQ(silent.calls.size(), 1u);
  EXPECT_EQ(silent.calls[0].timeout_ms, 300u);
  EXPECT_EQ(silent.calls[0].result, 0);
  sockets_->CloseSocket(s);
}

TEST_F(DiscoveryTest, SilentPeerTimesOutAndNothingIsRecorded) {
  config_.ioTimeoutMs = 300;
  ScriptedTarget target(*sockets_, {[](TargetConnection& c) {
    Request r;
    c.Read(&r);  // the first login request, never answered
    c.Read(&r);  // the logout the initiator still tries
    c.WaitForClose();
  }});
  auto discovery = Discovery();
  size_t names = 99;
  // A login that failed with a socket error: logout attempted, 0, no targets.
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true, &names), 0);
  EXPECT_EQ(names, 0u);
  const auto& connections = target.Join();
  ASSERT_EQ(connections[0].size(), 2u);
  EXPECT_EQ(connections[0][1].opcode(), 0x46);
  EXPECT_TRUE(lists_.portals().empty());
}

TEST_F(DiscoveryTest, PeerThatClosesMidPduRejectsTheLogin) {
  ScriptedTarget target(*sockets_, {[](TargetConnection& c) {
    Request r;
    c.Read(&r);
    Bytes half = LoginResponse(0x81, {{"AuthMethod", "None"}});
    half.resize(30);
    c.Send(half);
  }});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), -1);
  target.Join();
}

TEST_F(DiscoveryTest, WrongTextOpcodeFailsTheExchangeAndKeepsNothing) {
  const auto answer = [](bool firstPart) {
    return [firstPart](TargetConnection& c) {
      if (!AcceptLogin(c)) return;
      Request r;
      c.Read(&r);
      if (firstPart) c.Send(TextResponse(TextData({{"TargetName", "iqn.first"}}), false));
      c.Send(LoginResponse(0x87, {{"TargetName", "iqn.not-a-text-response"}}));
      c.WaitForClose();
    };
  };
  ScriptedTarget target(*sockets_, {answer(false), answer(true)});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), -1);
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), -1);
  target.Join();
  EXPECT_TRUE(lists_.targets().empty());
}

TEST_F(DiscoveryTest, DataInChainAsTextAnswerIsRejected) {
  ScriptedTarget target(*sockets_, {[](TargetConnection& c) {
    if (!AcceptLogin(c)) return;
    Request r;
    c.Read(&r);
    testing::PduSpec s;
    s.opcode = 0x25;
    s.data = TextData({{"TargetName", "iqn.in-data-in"}});
    c.Send(testing::Pdu(s));
    s.flags = 0x80;
    c.Send(testing::Pdu(s));
    c.WaitForClose();
  }});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), -1);
  target.Join();
  EXPECT_TRUE(lists_.targets().empty());
}

TEST_F(DiscoveryTest, TargetWaitingForAContinuationRequestIsAskedForTheRest) {
  config_.ioTimeoutMs = 3000;
  uint32_t first_tag = 0, continuation_tag = 0, echoed = 0;
  size_t continuation_data = 99;
  uint8_t continuation_flags = 0;
  ScriptedTarget target(*sockets_, {[&](TargetConnection& c) {
    if (!AcceptLogin(c)) return;
    Request r;
    c.Read(&r);
    first_tag = r.U32(16);
    Bytes data = TextData({{"TargetName", "iqn.whole"}, {"TargetAddress", "x"}});
    const std::string cut = "TargetName=iqn.cu";
    data.insert(data.end(), cut.begin(), cut.end());
    c.Send(TextResponse(data, false));
    // As a standard target does: the rest only after the initiator asks.
    c.Read(&r);
    continuation_tag = r.U32(16);
    echoed = r.U32(20);
    continuation_data = r.data.size();
    continuation_flags = r.flags();
    const std::string rest = "t";
    Bytes tail(rest.begin(), rest.end());
    tail.push_back(0);
    c.Send(TextResponse(tail, true));
    AnswerLogout(c);
  }});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), 0);
  target.Join();
  EXPECT_EQ(Names(lists_), (std::vector<std::string>{"iqn.whole", "iqn.cut"}));
  EXPECT_EQ(continuation_tag, first_tag);
  EXPECT_EQ(echoed, 1u);  // the target's transfer tag
  EXPECT_EQ(continuation_data, 0u);
  EXPECT_EQ(continuation_flags & 0x80, 0x80);
}

// A target that answers SendTargets in `parts` Text Responses: the first
// `unasked` of the later parts follow without a request, each remaining
// one only after a continuation request. Any PDU it does not expect at
// that point (a stray continuation, a wrong tag or ExpStatSN) ends the
// connection unanswered and is written to *fault.
ScriptedTarget::Handler MultiPartTarget(std::vector<Bytes> parts, size_t unasked, std::string* fault) {
  return [parts, unasked, fault](TargetConnection& c) {
    const auto fail = [&](const std::string& why) {
      *fault = why;
      c.Close();
    };
    if (!AcceptLogin(c)) return fail("login");
    Request r;
    if (!c.Read(&r) || r.opcode() != 0x44) return fail("no SendTargets request");
    const uint32_t itt = r.U32(16);
    uint32_t statSN = 3;  // two login responses went before
    // Parts that go unasked leave in one send with the part before them,
    // so they are already there when the initiator looks for them.
    Bytes pending;
    for (size_t i = 0; i < parts.size(); ++i) {
      if (i > unasked) {
        c.Send(pending);
        pending.clear();
        if (!c.Read(&r)) return fail("closed instead of asking for part " + std::to_string(i));
        if (r.opcode() != 0x44 || r.U32(16) != itt || r.U32(20) != 0x100u + i - 1 ||
            r.U32(28) != statSN || !r.data.empty())
          return fail("bad continuation before part " + std::to_string(i));
      }
      testing::PduSpec p;
      p.opcode = 0x24;
      const bool last = i + 1 == parts.size();
      p.flags = last ? 0x80 : 0x40;
      p.itt = itt;
      p.ttt = last ? 0xFFFFFFFFu : 0x100u + static_cast<uint32_t>(i);
      p.statSN = statSN++;
      p.data = parts[i];
      const Bytes pdu = testing::Pdu(p);
      pending.insert(pending.end(), pdu.begin(), pdu.end());
    }
    if (!pending.empty()) c.Send(pending);
    if (!c.Read(&r)) return fail("closed before the logout");
    if (r.opcode() != 0x46) return fail("stray PDU before the logout");
    if (r.U32(28) != statSN) return fail("logout ExpStatSN");
    c.Send(LogoutResponse());
    c.WaitForClose();
  };
}

TEST_F(DiscoveryTest, MultiPartAnswersSentUnaskedAskedForOrBothAreReadWholeWithNothingStray) {
  Bytes whole;
  std::vector<std::string> expected;
  for (int i = 0; i < 6; ++i) {
    expected.push_back("iqn.2026-01.test:multi." + std::to_string(i));
    const Bytes entry = TextData({{"TargetName", expected.back()}, {"TargetAddress", "127.0.0.1:3260,1"}});
    whole.insert(whole.end(), entry.begin(), entry.end());
  }
  // Cut inside names, so every part boundary splits a pair.
  const std::vector<size_t> cuts = {30, 101, 170};
  std::vector<Bytes> parts;
  size_t from = 0;
  for (size_t cut : cuts) {
    parts.emplace_back(whole.begin() + from, whole.begin() + cut);
    from = cut;
  }
  parts.emplace_back(whole.begin() + from, whole.end());

  config_.ioTimeoutMs = 3000;
  config_.textContinuationWaitMs = 150;
  for (size_t unasked : {size_t{3}, size_t{0}, size_t{1}}) {
    SCOPED_TRACE("parts sent unasked: " + std::to_string(unasked));
    lists_.Clear();
    std::string fault;
    ScriptedTarget target(*sockets_, {MultiPartTarget(parts, unasked, &fault)});
    auto discovery = Discovery();
    EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), 0);
    const auto& requests = target.Join()[0];
    EXPECT_EQ(fault, "");
    EXPECT_EQ(Names(lists_), expected);
    // Login twice, the request, one continuation per asked part, the logout.
    EXPECT_EQ(requests.size(), 2 + 1 + (parts.size() - 1 - unasked) + 1);
  }
}

TEST_F(DiscoveryTest, ConnectionCutAfterEveryByteCountKeepsOnlyWholeNames) {
  const std::vector<std::string> all = {"iqn.2026-01.test:cut.alpha", "iqn.2026-01.test:cut.beta",
                                        "iqn.2026-01.test:cut.gamma"};
  Bytes whole;
  for (const std::string& name : all) {
    const Bytes entry = TextData({{"TargetName", name}, {"TargetAddress", "127.0.0.1:3260,1"}});
    whole.insert(whole.end(), entry.begin(), entry.end());
  }
  const std::vector<Bytes> parts = {Bytes(whole.begin(), whole.begin() + 60), Bytes(whole.begin() + 60, whole.end())};
  config_.ioTimeoutMs = 2000;
  config_.textContinuationWaitMs = 50;
  const auto run = [&](size_t limit, size_t* received) {
    std::string fault;
    ScriptedTarget target(*sockets_, {MultiPartTarget(parts, 1, &fault)});
    testing::CuttingSockets cutting(*sockets_, testing::CuttingSockets::kReceive, limit);
    lists_.Clear();
    IscsiDiscovery discovery(cutting, lists_, config_);
    const int rc = discovery.DiscoverPortal(kLoopback, target.port(), "All", true);
    target.Join();
    if (received) *received = cutting.total();
    return rc;
  };
  size_t total = 0;
  ASSERT_EQ(run(SIZE_MAX, &total), 0);
  ASSERT_EQ(Names(lists_), all);
  for (size_t n = 0; n < total; ++n) {
    SCOPED_TRACE("cut after " + std::to_string(n) + " of " + std::to_string(total) + " bytes");
    const int rc = run(n, nullptr);
    // The whole list, or nothing (with an error when the cut broke the
    // text exchange; a login cut off is 0 with no targets).
    if (!lists_.targets().empty()) {
      EXPECT_EQ(rc, 0);
      EXPECT_EQ(Names(lists_), all);
    }
  }
}

TEST_F(DiscoveryTest, TargetThatNeverSendsTheRestTimesOutAndKeepsNothing) {
  config_.ioTimeoutMs = 300;
  config_.textContinuationWaitMs = 50;
  ScriptedTarget target(*sockets_, {[](TargetConnection& c) {
    if (!AcceptLogin(c)) return;
    Request r;
    c.Read(&r);
    Bytes data = TextData({{"TargetName", "iqn.whole"}, {"TargetAddress", "x"}});
    const std::string cut = "TargetName=iqn.cu";
    data.insert(data.end(), cut.begin(), cut.end());
    c.Send(TextResponse(data, false));
    c.Read(&r);  // the continuation request, left unanswered
    c.WaitForClose();
  }});
  auto discovery = Discovery();
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), kWsaETimedOut);
  target.Join();
  EXPECT_TRUE(lists_.targets().empty());
}

// The second of two parts sent unasked after `delayMs`; any PDU but the
// logout after the request is a stray and goes to *fault.
ScriptedTarget::Handler SlowSecondPart(std::vector<Bytes> parts, int delayMs, std::string* fault) {
  return [parts, delayMs, fault](TargetConnection& c) {
    if (!AcceptLogin(c)) return;
    Request r;
    if (!c.Read(&r)) return;
    testing::PduSpec p;
    p.opcode = 0x24;
    p.flags = 0x40;
    p.itt = r.U32(16);
    p.ttt = 0x100;
    p.statSN = 3;
    p.data = parts[0];
    c.Send(testing::Pdu(p));
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    p.flags = 0x80;
    p.ttt = 0xFFFFFFFFu;
    p.statSN = 4;
    p.data = parts[1];
    c.Send(testing::Pdu(p));
    if (!c.Read(&r)) return;
    if (r.opcode() != 0x46) *fault = "stray request";
    c.Send(LogoutResponse());
    c.WaitForClose();
  };
}

TEST_F(DiscoveryTest, SlowUnaskedPartsGetNoStrayRequestAndEndlessAnswersAreGivenUp) {
  const Bytes whole = TextData({{"TargetName", "iqn.2026-01.test:slow.a"}, {"TargetAddress", "x"},
                                {"TargetName", "iqn.2026-01.test:slow.b"}});
  const std::vector<Bytes> parts = {Bytes(whole.begin(), whole.begin() + 40), Bytes(whole.begin() + 40, whole.end())};
  config_ = InitiatorConfig{};  // the product's waits
  config_.ioTimeoutMs = 5000;
  for (int delayMs : {0, 150, 400, 1500}) {
    SCOPED_TRACE("second part after " + std::to_string(delayMs) + " ms");
    lists_.Clear();
    std::string fault;
    ScriptedTarget target(*sockets_, {SlowSecondPart(parts, delayMs, &fault)});
    auto discovery = Discovery();
    EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), 0);
    target.Join();
    EXPECT_EQ(fault, "");
    EXPECT_EQ(Names(lists_), (std::vector<std::string>{"iqn.2026-01.test:slow.a", "iqn.2026-01.test:slow.b"}));
  }

  // Endless: another non-final part for every continuation, or a stream
  // of them unasked. Three passes of DiscoverHost give up in seconds.
  for (bool unasked : {false, true}) {
    SCOPED_TRACE(unasked ? "endless unasked" : "endless when asked");
    const auto endless = [unasked](TargetConnection& c) {
      if (!AcceptLogin(c)) return;
      Request r;
      if (!c.Read(&r)) return;
      testing::PduSpec p;
      p.opcode = 0x24;
      p.flags = 0x40;
      p.itt = r.U32(16);
      for (uint32_t part = 0;; ++part) {
        p.ttt = 0x100 + part;
        if (!c.Send(testing::Pdu(p))) return;
        if (!unasked && !c.Read(&r)) return;
      }
    };
    lists_.Clear();
    ScriptedTarget target(*sockets_, {endless, endless, endless});
    auto discovery = Discovery();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(discovery.DiscoverHost(u"127.0.0.1", target.port(), ""), -1);
    const auto& connections = target.Join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(lists_.targets().empty());
    ASSERT_EQ(connections.size(), 3u);
    if (!unasked) {
      // Asked for every part up to the bound: after the first pass without
      // a wait, and no logout on the broken exchange.
      for (const auto& requests : connections) {
        EXPECT_EQ(requests.size(), 2 + kMaxTextParts);
        EXPECT_EQ(requests.back().opcode(), 0x44);
      }
    }
  }
}

// Targets slower than the first wait that also answer the continuation
// they did not need: however they answer it, the list is whole or the
// discovery fails with nothing recorded.
TEST_F(DiscoveryTest, AnswersToAStrayContinuationNeverGarbleOrShortenTheList) {
  const Bytes whole = TextData({{"TargetName", "iqn.2026-01.test:stray.a"}, {"TargetName", "iqn.2026-01.test:stray.b"},
                                {"TargetName", "iqn.2026-01.test:stray.c"}});
  const std::vector<Bytes> parts = {Bytes(whole.begin(), whole.begin() + 30),
                                    Bytes(whole.begin() + 30, whole.begin() + 60),
                                    Bytes(whole.begin() + 60, whole.end())};
  enum Answer { kRepeatPart, kEndEarly, kReject };
  config_.textContinuationWaitMs = 100;
  config_.ioTimeoutMs = 2000;
  for (Answer answer : {kRepeatPart, kEndEarly, kReject}) {
    SCOPED_TRACE("answer " + std::to_string(answer));
    const auto target_script = [&parts, answer](TargetConnection& c) {
      if (!AcceptLogin(c)) return;
      Request r;
      if (!c.Read(&r)) return;
      testing::PduSpec p;
      p.opcode = 0x24;
      p.itt = r.U32(16);
      const auto part = [&](size_t i) {
        p.flags = i + 1 == parts.size() ? 0x80 : 0x40;
        p.ttt = i + 1 == parts.size() ? 0xFFFFFFFFu : 0x100 + static_cast<uint32_t>(i);
        p.data = parts[i];
        c.Send(testing::Pdu(p));
      };
      part(0);
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      part(1);  // unasked, after the initiator asked
      if (!c.Read(&r)) return;  // the stray continuation for part 0
      if (answer == kRepeatPart) {
        part(1);  // what follows part 0, as the tag it echoes says
        if (c.Read(&r)) part(2);
      } else if (answer == kEndEarly) {
        p.data.clear();
        p.flags = 0x80;
        p.ttt = 0xFFFFFFFFu;
        c.Send(testing::Pdu(p));  // the exchange ends at the stray request
        if (c.Read(&r) && r.opcode() == 0x44) c.Send(testing::Pdu(p));
      } else {
        testing::PduSpec reject;
        reject.opcode = 0x3F;
        reject.flags = 0x80;
        c.Send(testing::Pdu(reject));
      }
      while (c.Read(&r))
        if (r.opcode() == 0x46) c.Send(LogoutResponse());
    };
    lists_.Clear();
    ScriptedTarget target(*sockets_, {target_script});
    auto discovery = Discovery();
    const int rc = discovery.DiscoverPortal(kLoopback, target.port(), "All", true);
    target.Join();
    EXPECT_NE(rc, 0);
    EXPECT_TRUE(lists_.targets().empty()) << Names(lists_).size();
  }
}

// A portal may not decide how much we hold: a PDU over the 262,144 bytes
// the login declares ends the session at its header; a whole answer over
// 16 MiB in parts of the declared size is refused.
TEST_F(DiscoveryTest, PeerCannotMakeTheExchangeHoldMoreThanDeclared) {
  config_.textContinuationWaitMs = 1000;
  for (bool oversizedPdu : {true, false}) {
    SCOPED_TRACE(oversizedPdu ? "one PDU over the declared length" : "answer over 16 MiB");
    bool closedEarly = false;
    ScriptedTarget target(*sockets_, {[&](TargetConnection& c) {
      if (!AcceptLogin(c)) return;
      Request r;
      if (!c.Read(&r)) return;
      testing::PduSpec p;
      p.opcode = 0x24;
      p.flags = 0x40;
      p.itt = r.U32(16);
      const size_t declared = SessionParams{}.maxRecvDataSegmentLength;
      p.data.assign(oversizedPdu ? declared + 1 : declared, 'x');
      const size_t count = oversizedPdu ? 1 : kMaxSendTargetsData / declared + 1;
      for (size_t i = 0; i < count; ++i) {
        p.ttt = 0x100 + static_cast<uint32_t>(i);
        if (!c.Send(testing::Pdu(p))) break;
      }
      // No logout follows: the initiator just closes.
      closedEarly = !c.Read(&r);
    }});
    auto discovery = Discovery();
    EXPECT_EQ(discovery.DiscoverPortal(kLoopback, target.port(), "All", true), -1);
    target.Join();
    EXPECT_TRUE(closedEarly);
    EXPECT_TRUE(lists_.targets().empty());
  }
}

TEST_F(DiscoveryTest, TextAndLogoutRequestsAndTheTaskTagSequence) {
  ScriptedTarget target(*sockets_, {[](TargetConnection& c) {
    if (!AcceptLogin(c)) return;
    Request r;
    for (int i = 0; i < 3; ++i) {
      c.Read(&r);
      c.Send(TextResponse({}, true));
    }
    c.Read(&r);
    c.Send(LogoutResponse(1));  // "not closed"
    c.Read(&r);
    c.Send(LogoutResponse(0));
    c.WaitForClose();
  }});
  IscsiSession session(*sockets_, config_, kLoopback, target.port());
  ASSERT_EQ(OpenConnection(session), 0);
  ASSERT_EQ(Login(session), 0);
  EXPECT_EQ(SendTargets(session, ""), 0);
  EXPECT_EQ(SendTargets(session, "Shared"), 0);
  EXPECT_EQ(SendTargets(session, std::string(36, 'v')), 0);  // left out: no key at all
  EXPECT_EQ(Logout(session), -1);
  EXPECT_EQ(session.current->state, kConnLogoutSent);
  EXPECT_EQ(Logout(session), 0);
  EXPECT_EQ(session.current->state, kConnLoggedOut);
  EXPECT_FALSE(session.loggedIn);
  EXPECT_EQ(Logout(session), 0);  // already logged out: nothing sent
  CloseConnection(session, session.current);
  const auto& requests = target.Join()[0];
  ASSERT_EQ(requests.size(), 7u);
  for (int i = 0; i < 3; ++i) {
    const Request& t = requests[2 + i];
    EXPECT_EQ(t.opcode(), 0x44);
    EXPECT_EQ(t.flags(), 0x80);
    for (int b = 8; b < 16; ++b) EXPECT_EQ(t.bhs[b], 0);  // LUN
    EXPECT_EQ(GetU32LE(t.bhs, 16), static_cast<uint32_t>(i));  // least significant byte first
    EXPECT_EQ(t.U32(20), 0xFFFFFFFFu);
    EXPECT_EQ(t.U32(24), 1u);
    EXPECT_EQ(t.U32(28), static_cast<uint32_t>(3 + i));
  }
  EXPECT_EQ(requests[2].data, TextData({{"SendTargets", "All"}}));
  EXPECT_EQ(requests[3].Key("SendTargets"), "Shared");
  EXPECT_TRUE(requests[4].data.empty());
  const Request& logout = requests[5];
  EXPECT_EQ(logout.opcode(), 0x46);
  EXPECT_EQ(logout.flags(), 0x80);
  EXPECT_EQ(logout.U32(16), 0x4444FFFFu);
  EXPECT_EQ(GetU16BE(logout.bhs, 20), 1);
  EXPECT_EQ(logout.U32(28), 6u);
  EXPECT_TRUE(logout.data.empty());
}

TEST(DiscoveryNames, HostNamesAreResolvedAndTheFirstAddressUsed) {
  const Bytes answers = [] {
    Bytes b = LoginResponse(0x81, {{"AuthMethod", "None"}});
    for (const Bytes& p : {LoginResponse(0x87, {}), TextResponse(TextData({{"TargetName", "iqn.dns"}}), true),
                           LogoutResponse()})
      b.insert(b.end(), p.begin(), p.end());
    return b;
  }();
  testing::StreamSockets sockets({answers});
  IscsiLists lists;
  IscsiDiscovery discovery(sockets, lists);
  EXPECT_EQ(discovery.DiscoverHost(u"portal.test", 3260, "Shared"), 0);
  ASSERT_EQ(lists.targets().size(), 1u);
  EXPECT_EQ(lists.targets()[0].portalAddress, HostToNet32(0x0A000005));
  EXPECT_EQ(lists.portals()[0], (IscsiPortal{HostToNet32(0x0A000005), 3260}));
  EXPECT_EQ(discovery.DiscoverHost(u"no-such.test", 3260, ""), kWsaHostNotFound);
  EXPECT_EQ(sockets.connects(), 1);
}

TEST(DiscoveryNames, NamesAreCutTo255AndWidenedByteForByte) {
  const std::string longName = "iqn.x:" + std::string(300, 'n');
  std::string latin = "iqn.x:caf";
  latin += static_cast<char>(0xE9);
  const Bytes answers = [&] {
    Bytes b = LoginResponse(0x81, {{"AuthMethod", "None"}});
    for (const Bytes& p : {LoginResponse(0x87, {}),
                           TextResponse(TextData({{"TargetName", longName}, {"TargetName", latin}}), true),
                           LogoutResponse()})
      b.insert(b.end(), p.begin(), p.end());
    return b;
  }();
  testing::StreamSockets sockets({answers});
  IscsiLists lists;
  IscsiDiscovery discovery(sockets, lists);
  EXPECT_EQ(discovery.DiscoverPortal(1, 3260, "All", true), 0);
  ASSERT_EQ(lists.targets().size(), 2u);
  EXPECT_EQ(lists.targets()[0].name.size(), 255u);
  EXPECT_EQ(lists.targets()[1].name, u"iqn.x:caf\u00e9");
}

TEST(DiscoveryLists, PortalsAndTargetsOperations) {
  IscsiLists lists;
  lists.AddPortal(1, 3260);
  lists.AddPortal(1, 3260);
  lists.AddPortal(1, 3261);
  EXPECT_EQ(lists.portals().size(), 2u);
  lists.RemovePortal(1, 3260);
  ASSERT_EQ(lists.portals().size(), 1u);
  EXPECT_EQ(lists.portals()[0].port, 3261);
  IscsiTarget& a = lists.RecordTarget(u"iqn.A", true, 1);
  lists.AddTargetPortal(a, 1, 3260);
  lists.AddTargetPortal(a, 1, 3260);
  IscsiTarget& again = lists.RecordTarget(u"IQN.a", false, 2);
  EXPECT_TRUE(again.isPrivate);
  EXPECT_EQ(again.portalAddress, 1u);
  EXPECT_EQ(again.portals.size(), 1u);
  lists.RecordTarget(u"iqn.B", false, 2);
  lists.DropTargetsOfPortal(1);
  ASSERT_EQ(lists.targets().size(), 1u);
  EXPECT_EQ(lists.targets()[0].name, u"iqn.B");
}

}  // namespace
}  // namespace tw

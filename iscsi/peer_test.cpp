// Discovery against a real target nobody here wrote: the tgt daemon that
// scripts/tgt-peer.sh starts on loopback (the ctest fixture of label "peer"
// runs it). TW_TGT_PORT names its port; the discovery-CHAP instance listens
// on the port after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "base/text.h"
#include "iscsi/discovery.h"
#include "platform/platform.h"

namespace tw {
namespace {

const uint32_t kLoopback = HostToNet32(0x7F000001);
const std::vector<std::string> kTargets = {"iqn.2026-01.test.tarnwick:peer.chap-disk",
                                           "iqn.2026-01.test.tarnwick:peer.disk1",
                                           "iqn.2026-01.test.tarnwick:peer.disk2"};

class TgtPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("TW_TGT_PORT");
    if (!port || !*port) GTEST_SKIP() << "TW_TGT_PORT not set: run through ctest -L peer";
    port_ = static_cast<uint16_t>(std::atoi(port));
    sockets_ = NewSystemSockets();
  }
  std::vector<std::string> SortedNames() const {
    std::vector<std::string> names;
    for (const IscsiTarget& t : lists_.targets()) names.push_back(Utf16ToUtf8(t.name));
    std::sort(names.begin(), names.end());
    return names;
  }
  uint16_t port_ = 0;
  std::unique_ptr<Sockets> sockets_;
  IscsiLists lists_;
};

TEST_F(TgtPeer, DiscoverHostListsExactlyItsTargets) {
  IscsiDiscovery discovery(*sockets_, lists_);
  ASSERT_EQ(discovery.DiscoverHost(u"127.0.0.1", port_, ""), 0);
  EXPECT_EQ(SortedNames(), kTargets);
  for (const IscsiTarget& t : lists_.targets()) {
    EXPECT_FALSE(t.isPrivate);
    EXPECT_EQ(t.portalAddress, kLoopback);
    ASSERT_EQ(t.portals.size(), 1u);
    EXPECT_EQ(t.portals[0], (IscsiPortal{kLoopback, port_}));
  }
  ASSERT_EQ(lists_.portals().size(), 1u);
  EXPECT_EQ(lists_.portals()[0], (IscsiPortal{kLoopback, port_}));
  // Discovering again changes nothing.
  ASSERT_EQ(discovery.DiscoverHost(u"localhost", port_, "All"), 0);
  EXPECT_EQ(SortedNames(), kTargets);
  EXPECT_EQ(lists_.portals().size(), 1u);
}

TEST_F(TgtPeer, VendorValuesGetEmptyAnswersAndAllNamesEveryTarget) {
  IscsiDiscovery discovery(*sockets_, lists_);
  size_t names = 99;
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, port_, "Shared", true, &names), 0);
  EXPECT_EQ(names, 0u);
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, port_, "Private", false, &names), 0);
  EXPECT_EQ(names, 0u);
  EXPECT_EQ(discovery.DiscoverHost(u"127.0.0.1", port_, "Shared"), 0);  // one pass only
  EXPECT_TRUE(lists_.targets().empty());
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, port_, "All", true, &names), 0);
  EXPECT_EQ(names, kTargets.size());
}

TEST_F(TgtPeer, DiscoveryChapAccountRejectsTheLogin) {
  IscsiDiscovery discovery(*sockets_, lists_);
  EXPECT_EQ(discovery.DiscoverPortal(kLoopback, static_cast<uint16_t>(port_ + 1), "All", true), -1);
  EXPECT_EQ(discovery.DiscoverHost(u"127.0.0.1", static_cast<uint16_t>(port_ + 1), ""), -1);
  EXPECT_TRUE(lists_.targets().empty());
}

TEST_F(TgtPeer, ManySessionsInARow) {
  // A bounded loop of full discovery sessions (connect, login, SendTargets,
  // logout, close); prints the median as a rough figure.
  IscsiDiscovery discovery(*sockets_, lists_);
  std::vector<double> ms;
  for (int i = 0; i < 30; ++i) {
    size_t names = 0;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(discovery.DiscoverPortal(kLoopback, port_, "All", true, &names), 0);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    ASSERT_EQ(names, kTargets.size());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("median discovery session: %.3f ms\n", ms[ms.size() / 2]);
}

// An answer larger than one Text Response: tgt sends the rest only after a
// continuation request, which the initiator must send.
TEST_F(TgtPeer, AnswerOverSeveralTextResponsesIsReadWhole) {
  IscsiLists lists;
  IscsiDiscovery discovery(*sockets_, lists);
  ASSERT_EQ(discovery.DiscoverPortal(kLoopback, static_cast<uint16_t>(port_ + 2), "All", true), 0);
  // Every name: tgt sends the part after the first response only when asked.
  ASSERT_EQ(lists.targets().size(), 1100u);
  EXPECT_EQ(Utf16ToUtf8(lists.targets()[0].name).substr(0, 36), "iqn.2026-01.test.tarnwick:many.0001-");
  EXPECT_EQ(Utf16ToUtf8(lists.targets()[1099].name).substr(0, 36), "iqn.2026-01.test.tarnwick:many.1100-");
  EXPECT_EQ(lists.targets()[1099].name.size(), 226u);
}

}  // namespace
}  // namespace tw

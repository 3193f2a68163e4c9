// the portal registry, the portal manager, the target and
// CHAP pages, and WizardData's offsets.
#include "iscsi/portals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/text.h"
#include "iscsi/chap_page.h"
#include "iscsi/portal_manager.h"
#include "iscsi/target_page.h"
#include "iscsi/testing/memory_registry.h"
#include "iscsi/testing/scripted_target.h"
#include "iscsi/testing/stream_sockets.h"

namespace tw {
namespace {

using testing::Keys;
using testing::MemoryRegistry;

const std::u16string kPortalsPath = u"HKLM\\SYSTEM\\CurrentControlSet\\Services\\VScsiPrt\\Portals";

class RecordingPrompter final : public Prompter {
 public:
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override {
    messages.push_back(Utf16ToUtf8(text));
    captions.push_back(caption);
    return kIdOk;
  }
  std::vector<std::string> messages;
  std::vector<std::u16string> captions;
};

// A fake network: each portal address answers discovery from a table,
// keyed by the SendTargets value; unknown addresses refuse. It speaks the
// PDUs through the initiator's real code, without threads or time-outs.
class FakePortals final : public Sockets {
 public:
  // address text -> value -> target names
  std::map<std::string, std::map<std::string, std::vector<std::string>>> portals;
  std::vector<std::string> contacted;  // "address value" per session

  SocketHandle Socket(int, int, int) override {
    conns_.emplace_back();
    return conns_.size();
  }
  int SetSockOpt(SocketHandle, int, uint32_t) override { return 0; }
  int GetSocketError(SocketHandle) override { return 0; }
  int IoctlSocket(SocketHandle, long, uint32_t) override { return 0; }
  int Connect(SocketHandle s, uint32_t address, uint16_t) override {
    Conn& c = conns_[s - 1];
    c.address = DottedAddress(address);
    c.refused = !portals.count(c.address);
    last_ = kWsaEWouldBlock;
    return kSocketError;
  }
  int Bind(SocketHandle, uint32_t, uint16_t) override { return 0; }
  int Listen(SocketHandle, int) override { return 0; }
  SocketHandle Accept(SocketHandle) override { return kInvalidSocket; }
  int GetSockName(SocketHandle, uint32_t*, uint16_t*) override { return 0; }
  int Select(SocketHandle s, SelectSets* sets, uint32_t) override {
    const bool ok = !conns_[s - 1].refused;
    sets->write = sets->write && ok;
    sets->read = false;
    sets->except = false;
    return ok ? 1 : 0;
  }
  int Send(SocketHandle s, const uint8_t* data, int length) override {
    Conn& c = conns_[s - 1];
    c.in.insert(c.in.end(), data, data + length);
    // Answer each whole request as it arrives.
    while (c.in.size() >= 48) {
      const size_t dsl = GetU24BE(c.in, 5);
      const size_t total = 48 + ((dsl + 3) & ~size_t{3});
      if (c.in.size() < total) break;
      testing::Request r;
      r.bhs.assign(c.in.begin(), c.in.begin() + 48);
      r.data.assign(c.in.begin() + 48, c.in.begin() + static_cast<std::ptrdiff_t>(48 + dsl));
      c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(total));
      Bytes reply;
      if (r.opcode() == 0x43) {
        reply = testing::LoginResponse(r.flags() == 0x81 ? 0x81 : 0x87, {{"AuthMethod", "None"}});
      } else if (r.opcode() == 0x44) {
        const std::string value = r.Key("SendTargets");
        contacted.push_back(c.address + " " + value);
        Keys keys;
        for (const std::string& n : portals[c.address][value]) keys.push_back({"TargetName", n});
        reply = testing::TextResponse(testing::TextData(keys), true);
      } else {
        reply = testing::LogoutResponse();
      }
      c.out.insert(c.out.end(), reply.begin(), reply.end());
    }
    return length;
  }
  int Recv(SocketHandle s, uint8_t* data, int length) override {
    Conn& c = conns_[s - 1];
    if (c.out.empty()) {
      last_ = kWsaETimedOut;
      return kSocketError;
    }
    const size_t n = std::min(c.out.size(), static_cast<size_t>(length));
    std::copy(c.out.begin(), c.out.begin() + static_cast<std::ptrdiff_t>(n), data);
    c.out.erase(c.out.begin(), c.out.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
  }
  int CloseSocket(SocketHandle) override { return 0; }
  uint32_t InetAddr(const std::string& dotted) override { return stream_.InetAddr(dotted); }
  bool GetHostByName(const std::string& name, std::vector<uint32_t>* a) override {
    return stream_.GetHostByName(name, a) || (last_ = kWsaHostNotFound, false);
  }
  int LastError() override { return last_; }

 private:
  struct Conn {
    std::string address;
    bool refused = false;
    Bytes in, out;
  };
  std::vector<Conn> conns_;
  int last_ = 0;
  testing::StreamSockets stream_{{}};
};

void Register(MemoryRegistry& r, int index, const std::u16string& address, const std::u16string& port) {
  const std::u16string key = kPortalsPath + u"\\Portal" + U16(std::to_string(index));
  r.PutString(key, u"Address", address);
  r.PutString(key, u"Port", port);
}

class PortalsTest : public ::testing::Test {
 protected:
  PortalsTest() : discovery_(net_, lists_) {}
  FakePortals net_;
  IscsiLists lists_;
  IscsiDiscovery discovery_;
  MemoryRegistry registry_;
  RecordingPrompter prompter_;
};

TEST_F(PortalsTest, LoadReadsPortalsWithoutGapsAndDiscoversEach) {
  net_.portals["10.0.0.5"]["Shared"] = {"iqn.a"};
  net_.portals["10.0.0.6"]["Shared"] = {"iqn.b"};
  net_.portals["10.0.0.8"]["Shared"] = {"iqn.c"};
  Register(registry_, 0, u"10.0.0.5", u"3260");
  Register(registry_, 1, u"10.0.0.6", u"3261");
  Register(registry_, 3, u"10.0.0.8", u"3260");  // after the gap: never read
  LoadPortalsAndDiscover(registry_, discovery_, "");
  ASSERT_EQ(lists_.portals().size(), 2u);
  EXPECT_EQ(lists_.portals()[1], (IscsiPortal{HostToNet32(0x0A000006), 3261}));
  EXPECT_EQ(lists_.targets().size(), 2u);
  EXPECT_EQ(registry_.openHandles(), 0);
  // With a value the portals are asked for that value only.
  net_.contacted.clear();
  LoadPortalsAndDiscover(registry_, discovery_, "Private");
  EXPECT_EQ(net_.contacted, (std::vector<std::string>{"10.0.0.5 Private", "10.0.0.6 Private"}));
}

TEST_F(PortalsTest, LoadStopsAtAMissingValueAndSkipsEmptyTexts) {
  net_.portals["10.0.0.5"]["Shared"] = {"iqn.a"};
  Register(registry_, 0, u"", u"3260");  // empty: skipped, reading goes on
  Register(registry_, 1, u"10.0.0.5", u"3260");
  registry_.PutString(kPortalsPath + u"\\Portal2", u"Address", u"10.0.0.5");  // no Port: stop
  Register(registry_, 3, u"10.0.0.5", u"3999");
  EXPECT_EQ(ReadRegisteredPortals(registry_).size(), 2u);
  LoadPortalsAndDiscover(registry_, discovery_, "");
  EXPECT_EQ(net_.contacted.size(), 2u);  // Shared and Private of Portal1
  // At most 128 are read.
  MemoryRegistry many;
  for (int i = 0; i < 130; ++i) Register(many, i, u"10.0.0.1", u"3260");
  EXPECT_EQ(ReadRegisteredPortals(many).size(), 128u);
  // An address longer than 127 characters cannot be read: stop there.
  MemoryRegistry longText;
  Register(longText, 0, std::u16string(128, u'a'), u"3260");
  EXPECT_TRUE(ReadRegisteredPortals(longText).empty());
}

TEST_F(PortalsTest, SaveRewritesThePortalsKeyInListOrder) {
  Register(registry_, 0, u"old", u"1");
  Register(registry_, 7, u"stale", u"2");
  registry_.PutString(kPortalsPath + u"\\Portal7\\Deeper", u"X", u"y");
  lists_.AddPortal(HostToNet32(0x0A000005), 3260);
  lists_.AddPortal(HostToNet32(0xC0A80102), 860);
  EXPECT_EQ(SavePortals(registry_, lists_), kOk);
  const auto keys = registry_.KeysUnder(kPortalsPath);
  EXPECT_EQ(keys.size(), 3u);  // Portals, Portal0, Portal1
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal0", u"Address"), u"10.0.0.5");
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal0", u"Port"), u"3260");
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal1", u"Address"), u"192.168.1.2");
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal1", u"Port"), u"860");
  EXPECT_EQ(registry_.openHandles(), 0);
  // No portal: the key is gone altogether.
  IscsiLists none;
  EXPECT_EQ(SavePortals(registry_, none), kOk);
  EXPECT_TRUE(registry_.KeysUnder(kPortalsPath).empty());
  // A write that fails is reported.
  registry_.FailWrites(u"Port", kErrAccessDenied);
  EXPECT_EQ(SavePortals(registry_, lists_), kErrAccessDenied);
}

TEST(AddHostDialog, ChecksThePortFirstThenTheHost) {
  uint16_t port = 0;
  EXPECT_EQ(CheckAddHost(u"", u"0", &port), kMsgEnterPort);
  EXPECT_EQ(CheckAddHost(u"h", u"65536", &port), kMsgEnterPort);
  EXPECT_EQ(CheckAddHost(u"h", u"12a", &port), kMsgEnterPort);
  EXPECT_EQ(CheckAddHost(u"h", u"", &port), kMsgEnterPort);
  EXPECT_EQ(CheckAddHost(u"h", u"-5", &port), kMsgEnterPort);
  EXPECT_EQ(CheckAddHost(u"", u"3260", &port), kMsgEnterHost);
  EXPECT_EQ(CheckAddHost(u"h", u" 65535 ", &port), u"");
  EXPECT_EQ(port, 65535);
  EXPECT_EQ(CheckAddHost(u"h", u"+1", &port), u"");
  EXPECT_EQ(port, 1);
  EXPECT_EQ(std::u16string(kMsgEnterPort), u"Enter an integer between 1 and 65535.");
}

TEST_F(PortalsTest, PortalManagerAddChecksDuplicatesDiscoversAndSaves) {
  net_.portals["10.0.0.5"]["Shared"] = {"iqn.a"};
  net_.portals["10.0.0.7"]["Private"] = {"iqn.p"};  // names only private targets
  Register(registry_, 0, u"10.0.0.5", u"3260");
  PortalManagerModel manager(registry_, discovery_, prompter_);
  manager.Open();
  ASSERT_EQ(manager.rows().size(), 1u);
  EXPECT_EQ(manager.rows()[0].host, u"10.0.0.5");
  EXPECT_EQ(manager.rows()[0].port, u"3260");

  net_.contacted.clear();
  EXPECT_EQ(manager.Add(u"10.0.0.5", 3260), static_cast<int>(kErrAlreadyExists));
  EXPECT_TRUE(net_.contacted.empty());  // not contacted
  EXPECT_EQ(prompter_.messages, (std::vector<std::string>{"Host already exists!"}));
  EXPECT_EQ(prompter_.captions[0], u"Tarnwick Pro");

  prompter_.messages.clear();
  EXPECT_EQ(manager.Add(u"10.0.0.9", 3260), kWsaEConnRefused);
  EXPECT_EQ(prompter_.messages,
            (std::vector<std::string>{"Can't connect to the host 10.0.0.9, error code: 274d."}));

  // A new portal of a standard target: found through the "All" pass.
  net_.portals["10.0.0.6"]["All"] = {"iqn.std1", "iqn.std2"};
  prompter_.messages.clear();
  EXPECT_EQ(manager.Add(u"10.0.0.6", 3262), 0);
  EXPECT_TRUE(prompter_.messages.empty());
  ASSERT_EQ(manager.rows().size(), 2u);
  EXPECT_EQ(manager.rows()[1].port, u"3262");
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal1", u"Address"), u"10.0.0.6");
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal1", u"Port"), u"3262");

  // Reachable, names private targets only: 0, but the portal is not listed.
  EXPECT_EQ(manager.Add(u"10.0.0.7", 3260), 0);
  EXPECT_EQ(manager.rows().size(), 2u);
  EXPECT_EQ(lists_.targets().size(), 4u);
}

TEST_F(PortalsTest, PortalManagerRemoveKeepsTargetsAndRewritesWithoutGaps) {
  for (const char* a : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"})
    net_.portals[a]["Shared"] = {std::string("iqn.of.") + a};
  Register(registry_, 0, u"10.0.0.1", u"3260");
  Register(registry_, 1, u"10.0.0.2", u"3260");
  Register(registry_, 2, u"10.0.0.3", u"3260");
  Register(registry_, 3, u"10.0.0.4", u"3260");
  PortalManagerModel manager(registry_, discovery_, prompter_);
  manager.Open();
  ASSERT_EQ(manager.rows().size(), 4u);
  manager.Remove({3, 1});
  ASSERT_EQ(manager.rows().size(), 2u);
  EXPECT_EQ(manager.rows()[0].host, u"10.0.0.1");
  EXPECT_EQ(manager.rows()[1].host, u"10.0.0.3");
  EXPECT_EQ(registry_.KeysUnder(kPortalsPath).size(), 3u);
  EXPECT_EQ(registry_.GetString(kPortalsPath + u"\\Portal1", u"Address"), u"10.0.0.3");
  EXPECT_EQ(lists_.targets().size(), 4u);  // targets of removed portals stay
}

// Two programs on one registry (the manager's portal list open while the
// console adds and removes portals): each save keeps what the other did.
TEST_F(PortalsTest, PortalManagersSideBySideLoseNoOtherChange) {
  for (const char* a : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5"})
    net_.portals[a]["Shared"] = {std::string("iqn.of.") + a};
  Register(registry_, 0, u"10.0.0.1", u"3260");
  Register(registry_, 1, u"10.0.0.2", u"3260");
  Register(registry_, 2, u"10.0.0.9", u"3260");  // not reached: the next save drops it
  PortalManagerModel manager(registry_, discovery_, prompter_);
  manager.Open();
  ASSERT_EQ(manager.rows().size(), 2u);

  IscsiLists console_lists;
  IscsiDiscovery console_discovery(net_, console_lists);
  PortalManagerModel console(registry_, console_discovery, prompter_);
  console.Open();
  EXPECT_EQ(console.Add(u"10.0.0.3", 3260), 0);
  console.Remove({0});  // 10.0.0.1

  // The manager, opened before both, adds a portal: 10.0.0.3 stays, 10.0.0.1
  // stays removed, the unreached one goes.
  EXPECT_EQ(manager.Add(u"10.0.0.4", 3260), 0);
  auto registered = [&] {
    std::vector<std::string> out;
    for (const RegisteredPortal& p : ReadRegisteredPortals(registry_)) out.push_back(Utf16ToUtf8(p.address));
    std::sort(out.begin(), out.end());
    return out;
  };
  EXPECT_EQ(registered(), (std::vector<std::string>{"10.0.0.2", "10.0.0.3", "10.0.0.4"}));

  // The manager's list no longer shows what the console removed, and its
  // next save does not bring it back.
  std::vector<std::u16string> shown;
  for (const PortalRow& r : manager.rows()) shown.push_back(r.host);
  EXPECT_EQ(shown, (std::vector<std::u16string>{u"10.0.0.2", u"10.0.0.4"}));
  console.Remove({0});  // 10.0.0.2
  EXPECT_EQ(registered(), (std::vector<std::string>{"10.0.0.3", "10.0.0.4"}));
  EXPECT_EQ(manager.Add(u"10.0.0.5", 3260), 0);
  EXPECT_EQ(registered(), (std::vector<std::string>{"10.0.0.3", "10.0.0.4", "10.0.0.5"}));
  // A portal removed elsewhere and added again here is kept.
  EXPECT_EQ(console.Add(u"10.0.0.1", 3260), 0);
  EXPECT_EQ(manager.Add(u"10.0.0.1", 3261), 0);
  EXPECT_EQ(registered(), (std::vector<std::string>{"10.0.0.1", "10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.5"}));
}

TEST_F(PortalsTest, EmptyRegistryGivesEmptyManagerAndPage) {
  PortalManagerModel manager(registry_, discovery_, prompter_);
  manager.Open();
  EXPECT_TRUE(manager.rows().empty());
  WizardData data(kTypeIscsiDisk);
  TargetPageModel page(registry_, discovery_, prompter_, data);
  EXPECT_EQ(page.OnSetActive(), WizardButtons::kBackNext);
  EXPECT_TRUE(page.comboPortals().empty());
  EXPECT_EQ(page.comboSelection(), -1);
  EXPECT_TRUE(page.rows().empty());
  EXPECT_EQ(page.OnNext(), TargetPageOutcome::kStay);
  EXPECT_EQ(prompter_.messages, (std::vector<std::string>{"No target selected."}));
  EXPECT_FALSE(page.OnFinish());
}

class TargetPageTest : public PortalsTest {
 protected:
  TargetPageTest() {
    net_.portals["10.0.0.5"]["Shared"] = {"iqn.s1", "iqn.s2"};
    net_.portals["10.0.0.5"]["Private"] = {"iqn.p1"};
    net_.portals["10.0.0.6"]["Shared"] = {"iqn.other"};
    Register(registry_, 0, u"10.0.0.5", u"3260");
    Register(registry_, 1, u"10.0.0.6", u"3261");
  }
  std::vector<std::string> RowNames(const TargetPageModel& page) {
    std::vector<std::string> out;
    for (const auto& r : page.rows()) out.push_back(Utf16ToUtf8(r.name) + "/" + Utf16ToUtf8(r.type));
    return out;
  }
};

TEST_F(TargetPageTest, TypeChoosesValueAndFilter) {
  WizardData data(kTypeIscsiDisk);
  TargetPageModel page(registry_, discovery_, prompter_, data);
  page.OnSetActive();
  EXPECT_EQ(page.sendTargetsValue(), "All");
  ASSERT_EQ(page.comboPortals().size(), 2u);
  EXPECT_EQ(page.ComboText(0), u"10.0.0.5");
  EXPECT_EQ(page.comboSelection(), 0);
  EXPECT_EQ(RowNames(page), (std::vector<std::string>{"iqn.s1/Shared", "iqn.s2/Shared", "iqn.p1/Private"}));
  page.SelectPortal(1);
  EXPECT_EQ(RowNames(page), (std::vector<std::string>{"iqn.other/Shared"}));

  WizardData shared(kTypeSharedIscsiDisk);
  TargetPageModel sharedPage(registry_, discovery_, prompter_, shared);
  net_.contacted.clear();
  sharedPage.OnSetActive();
  EXPECT_EQ(sharedPage.sendTargetsValue(), "Shared");
  EXPECT_EQ(net_.contacted, (std::vector<std::string>{"10.0.0.5 Shared", "10.0.0.6 Shared"}));
  EXPECT_EQ(RowNames(sharedPage), (std::vector<std::string>{"iqn.s1/Shared", "iqn.s2/Shared"}));

  WizardData priv(kTypePrivateIscsiDisk);
  TargetPageModel privatePage(registry_, discovery_, prompter_, priv);
  privatePage.OnSetActive();
  EXPECT_EQ(privatePage.sendTargetsValue(), "Private");
  EXPECT_EQ(RowNames(privatePage), (std::vector<std::string>{"iqn.p1/Private"}));
}

TEST_F(TargetPageTest, OneCheckedTargetAndTheResultingTypes) {
  // Private target: wizard for private devices -> 18 on Next.
  WizardData data(kTypeIscsiDisk);
  TargetPageModel page(registry_, discovery_, prompter_, data);
  page.OnSetActive();
  page.SetChecked(0, true);
  page.SetChecked(2, true);  // unchecks row 0
  EXPECT_FALSE(page.rows()[0].checked);
  EXPECT_TRUE(page.rows()[2].checked);
  // Started with 16, finished from the target page: a private target gets 18.
  EXPECT_TRUE(page.OnFinish());
  EXPECT_EQ(data.type(), kTypePrivateIscsiDisk);
  EXPECT_EQ(data.targetName(), u"iqn.p1");
  EXPECT_EQ(data.portalAddress(), HostToNet32(0x0A000005));
  EXPECT_EQ(data.portalPort(), 3260);
  // The same target, going on with Next instead, gets 16, then the CHAP page.
  WizardData next(kTypeIscsiDisk);
  TargetPageModel nextPage(registry_, discovery_, prompter_, next);
  nextPage.OnSetActive();
  nextPage.SetChecked(2, true);
  EXPECT_EQ(nextPage.OnNext(), TargetPageOutcome::kChap);
  EXPECT_EQ(next.type(), kTypeIscsiDisk);
  // Wizard for private devices: 18 for a private target, 17 for a shared one.
  WizardData priv(kTypePrivateIscsiDisk);
  TargetPageModel privatePage(registry_, discovery_, prompter_, priv);
  privatePage.OnSetActive();
  privatePage.SetChecked(0, true);
  EXPECT_EQ(privatePage.OnNext(), TargetPageOutcome::kChap);
  EXPECT_EQ(priv.type(), kTypePrivateIscsiDisk);
  // Back from the CHAP page: the target was stored with 18, the page asks
  // again with the type as it is now.
  EXPECT_EQ(privatePage.OnSetActive(), WizardButtons::kBackNext);
  EXPECT_EQ(privatePage.sendTargetsValue(), "Private");
  // Shared target finished from a shared wizard: 17.
  WizardData shared(kTypeSharedIscsiDisk);
  TargetPageModel sharedPage(registry_, discovery_, prompter_, shared);
  sharedPage.OnSetActive();
  sharedPage.SetChecked(1, true);
  EXPECT_TRUE(sharedPage.OnFinish());
  EXPECT_EQ(shared.type(), kTypeSharedIscsiDisk);
  EXPECT_EQ(shared.targetName(), u"iqn.s2");
}

TEST_F(TargetPageTest, BackFromTheChapPageAsksWithTheCurrentWizardType) {
  // A wizard for shared devices: Next stores 16, so after Back from the
  // CHAP page the page asks for "All" and shows every target.
  WizardData data(kTypeSharedIscsiDisk);
  TargetPageModel page(registry_, discovery_, prompter_, data);
  page.OnSetActive();
  EXPECT_EQ(page.sendTargetsValue(), "Shared");
  page.SetChecked(1, true);
  EXPECT_EQ(page.OnNext(), TargetPageOutcome::kChap);
  EXPECT_EQ(data.type(), kTypeIscsiDisk);
  net_.contacted.clear();
  EXPECT_EQ(page.OnSetActive(), WizardButtons::kBackNext);
  EXPECT_EQ(page.sendTargetsValue(), "All");
  EXPECT_EQ(net_.contacted, (std::vector<std::string>{"10.0.0.5 Shared", "10.0.0.5 Private", "10.0.0.6 Shared",
                                                      "10.0.0.6 Private"}));
  EXPECT_EQ(RowNames(page), (std::vector<std::string>{"iqn.s1/Shared", "iqn.s2/Shared", "iqn.p1/Private"}));
  // Next again: the type rule of the wizard that was started stays.
  page.SetChecked(2, true);
  EXPECT_EQ(page.OnNext(), TargetPageOutcome::kChap);
  EXPECT_EQ(data.type(), kTypeIscsiDisk);
  EXPECT_EQ(data.targetName(), u"iqn.p1");

  // A new start from the select-device page (another type written there)
  // is taken as the start type.
  data.set_type(kTypePrivateIscsiDisk);
  page.OnSetActive();
  EXPECT_EQ(page.sendTargetsValue(), "Private");
  page.SetChecked(0, true);
  EXPECT_EQ(page.OnNext(), TargetPageOutcome::kChap);
  EXPECT_EQ(data.type(), kTypePrivateIscsiDisk);
}

TEST_F(TargetPageTest, NeedChapAndVirtualFolderMoves) {
  WizardData data(kTypeIscsiDisk);
  TargetPageModel page(registry_, discovery_, prompter_, data);
  page.OnSetActive();
  EXPECT_TRUE(page.needChap());
  EXPECT_EQ(page.SetNeedChap(false), WizardButtons::kBackFinish);
  EXPECT_EQ(page.SetNeedChap(true), WizardButtons::kBackNext);

  WizardData folder(kTypeVirtualFolder);
  TargetPageModel folderPage(registry_, discovery_, prompter_, folder);
  folderPage.OnSetActive();
  EXPECT_EQ(folderPage.SetNeedChap(false), WizardButtons::kBackNext);
  folderPage.SetChecked(0, true);
  EXPECT_EQ(folderPage.OnNext(), TargetPageOutcome::kVirtualFolder);
  EXPECT_EQ(folder.type(), kTypeVirtualFolder);
  folderPage.SetNeedChap(true);
  EXPECT_EQ(folderPage.OnNext(), TargetPageOutcome::kChap);
}

TEST_F(TargetPageTest, ManagePathRefillsOnlyAfterOk) {
  WizardData data(kTypeIscsiDisk);
  TargetPageModel page(registry_, discovery_, prompter_, data);
  page.OnSetActive();
  page.SelectPortal(1);
  lists_.RemovePortal(HostToNet32(0x0A000005), 3260);
  page.OnManagePathClosed(false);
  EXPECT_EQ(page.comboPortals().size(), 2u);
  EXPECT_EQ(page.comboSelection(), 1);
  page.OnManagePathClosed(true);
  ASSERT_EQ(page.comboPortals().size(), 1u);
  EXPECT_EQ(page.ComboText(0), u"10.0.0.6");
  EXPECT_EQ(page.rows().size(), 1u);
}

TEST(ChapPage, ButtonsAndStores) {
  WizardData data(kTypeIscsiDisk);
  ChapPageModel page(data);
  EXPECT_EQ(page.OnSetActive(), WizardButtons::kBackFinish);
  page.OnFinish(u"user", std::u16string(300, u's'));
  EXPECT_EQ(data.chapUser(), u"user");
  EXPECT_EQ(data.chapSecret().size(), 255u);
  page.OnFinish(u"", u"short");
  EXPECT_EQ(data.chapUser(), u"");
  EXPECT_EQ(data.chapSecret(), u"short");
  // Nothing of the longer secret is left behind the terminator.
  for (size_t i = WizardData::kChapSecret + 12; i < WizardData::kChapSecret + 512; ++i)
    EXPECT_EQ(data.bytes()[i], 0) << i;
  WizardData folder(kTypeVirtualFolder);
  EXPECT_EQ(ChapPageModel(folder).OnSetActive(), WizardButtons::kBackNext);
}

TEST(WizardDataRecord, OffsetsAndSize) {
  WizardData d;
  EXPECT_EQ(d.bytes().size(), 2080u);
  d.set_type(18);
  d.set_portalAddress(HostToNet32(0x7F000001));
  d.set_portalPort(3260);
  d.set_targetName(u"iqn.t");
  d.set_chapUser(u"u");
  d.set_chapSecret(u"s");
  const Bytes& b = d.bytes();
  EXPECT_EQ(b[0], 18);
  EXPECT_EQ(b[1], 0);
  EXPECT_EQ(b[4], 0x7F);  // the octets in wire order
  EXPECT_EQ(b[5], 0);
  EXPECT_EQ(b[7], 1);
  EXPECT_EQ(b[8], 0xBC);  // 3260, little-endian
  EXPECT_EQ(b[9], 0x0C);
  EXPECT_EQ(b[10], 'i');
  EXPECT_EQ(b[11], 0);
  EXPECT_EQ(b[18], 't');
  EXPECT_EQ(b[20], 0);  // terminator
  EXPECT_EQ(b[522], 'u');
  EXPECT_EQ(b[1034], 's');
  d.set_targetName(std::u16string(400, u'n'));
  EXPECT_EQ(d.targetName().size(), 255u);
  EXPECT_EQ(b[522], 'u');  // the next field untouched
  EXPECT_EQ(WizardData::kChapSecret + WizardData::kTextBytes, 1546u);
}

}  // namespace
}  // namespace tw

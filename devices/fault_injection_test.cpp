// Every flow that talks to the drivers, run once per request with that one
// request failing (device I/O, WMI, mount points, format, registry writes,
// sockets alike): no crash (and, under the sanitizers, no leak), the user
// told when the flow did not do its work, and the machine left whole:
// no handle (and so no volume lock) left open, no slot half-plugged, no
// folder entry active without its mount point, the snapshot tree intact.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "base/text.h"
#include "cloud/cloud_disk.h"
#include "cloud/http/fake_internet.h"
#include "devices/device_list.h"
#include "devices/mount_wizard.h"
#include "devices/removal.h"
#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/snapshot_menu_commands.h"
#include "devices/virtual_folder.h"
#include "iscsi/discovery.h"
#include "iscsi/testing/scripted_target.h"
#include "iscsi/wizard_data.h"
#include "platform/prompter.h"
#include "platform/registry.h"
#include "platform/sockets.h"
#include "platform/wmi.h"
#include "platform/volume_mounts.h"
#include "platform/testing/sim_fixture.h"
#include "platform/wnet.h"
#include "shares/mount_nfs_model.h"
#include "shares/nfs_shares.h"
#include "storagebus/storage_bus.h"
#include "storagebus/testing/image_records.h"

namespace tw {
namespace {

constexpr Status kInjected = kErrIoDevice;

// Yes to every question; every text kept.
class YesPrompter final : public Prompter {
 public:
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override {
    shown.push_back(text);
    const bool question = (style & 0xF) == kMbYesNo || (style & 0xF) == kMbYesNoCancel;
    questions += question;
    told_after_question = questions > 0 && !question;
    return question ? kIdYes : kIdOk;
  }
  std::vector<std::u16string> shown;
  int questions = 0;
  // A message that is no question came after the last question.
  bool told_after_question = false;
};

// Fails the WNet call numbered `fail_at` (from 1); 0 fails none.
class FailingWNet final : public WNet {
 public:
  explicit FailingWNet(WNet& inner) : inner_(inner) {}
  Status UseConnection(const NetResourceRequest& r, const char16_t* password, const char16_t* user, uint32_t flags,
                       uint32_t access_chars, std::u16string* access_name) override {
    return Hit() ? kInjected : inner_.UseConnection(r, password, user, flags, access_chars, access_name);
  }
  Status CancelConnection2(const std::u16string& name, uint32_t flags, bool force) override {
    return Hit() ? kInjected : inner_.CancelConnection2(name, flags, force);
  }
  Status GetConnection(const std::u16string& local_name, uint32_t capacity, std::u16string* remote) override {
    return Hit() ? kInjected : inner_.GetConnection(local_name, capacity, remote);
  }
  Status OpenEnum(uint32_t scope, uint32_t type, uint32_t usage, WNetEnumHandle* handle) override {
    return Hit() ? kInjected : inner_.OpenEnum(scope, type, usage, handle);
  }
  Status EnumResource(WNetEnumHandle handle, uint32_t* count, uint32_t bytes, std::vector<NetResource>* e) override {
    return Hit() ? kInjected : inner_.EnumResource(handle, count, bytes, e);
  }
  Status CloseEnum(WNetEnumHandle handle) override { return Hit() ? kInjected : inner_.CloseEnum(handle); }
  int fail_at = 0;
  int calls = 0;

 private:
  bool Hit() { return ++calls == fail_at; }
  WNet& inner_;
};

using Hit = std::function<bool()>;

class FailingWmi final : public WmiService {
 public:
  FailingWmi(WmiService& inner, Hit hit) : inner_(inner), hit_(std::move(hit)) {}
  Status Connect(const std::u16string& name_space, std::unique_ptr<WmiConnection>* out) override {
    if (hit_()) return 0x80041003;  // WBEM_E_ACCESS_DENIED
    std::unique_ptr<WmiConnection> inner;
    if (Status st = inner_.Connect(name_space, &inner); st != kOk) return st;
    struct Connection final : WmiConnection {
      Connection(std::unique_ptr<WmiConnection> c, Hit& hit) : c(std::move(c)), hit(hit) {}
      Status ExecQuery(const std::u16string& wql, std::vector<WmiRow>* rows) override {
        rows->clear();
        return hit() ? 0x80041001 : c->ExecQuery(wql, rows);  // WBEM_E_FAILED
      }
      std::unique_ptr<WmiConnection> c;
      Hit& hit;
    };
    *out = std::make_unique<Connection>(std::move(inner), hit_);
    return kOk;
  }

 private:
  WmiService& inner_;
  Hit hit_;
};

class FailingVolumeMounts final : public VolumeMounts {
 public:
  FailingVolumeMounts(VolumeMounts& inner, Hit hit) : inner_(inner), hit_(std::move(hit)) {}
  Status SetMountPoint(const std::u16string& folder, const std::u16string& volume) override {
    return hit_() ? kInjected : inner_.SetMountPoint(folder, volume);
  }
  Status DeleteMountPoint(const std::u16string& folder) override {
    return hit_() ? kInjected : inner_.DeleteMountPoint(folder);
  }
  Status NewGuid(Guid* guid) override { return hit_() ? kInjected : inner_.NewGuid(guid); }

 private:
  VolumeMounts& inner_;
  Hit hit_;
};

// A failed format ends with its done report saying so.
class FailingFormatter final : public Formatter {
 public:
  FailingFormatter(Formatter& inner, Hit hit) : inner_(inner), hit_(std::move(hit)) {}
  bool Load() override { return !hit_() && inner_.Load(); }
  void FormatEx(const FormatRequest& request,
                const std::function<bool(uint32_t, uint32_t, const void*)>& callback) override {
    if (!hit_()) return inner_.FormatEx(request, callback);
    failed_ = true;
    const uint8_t success = 0;
    callback(kFormatDone, 0, &success);
  }
  Status LastError() override { return failed_ ? kInjected : inner_.LastError(); }

 private:
  Formatter& inner_;
  Hit hit_;
  bool failed_ = false;
};

// Writes fail; reads go through.
class FailingRegistry final : public Registry {
 public:
  FailingRegistry(Registry& inner, Hit hit) : inner_(inner), hit_(std::move(hit)) {}
  Status CreateKey(RegKey parent, const std::u16string& subkey, RegKey* key) override {
    return hit_() ? kErrAccessDenied : inner_.CreateKey(parent, subkey, key);
  }
  Status OpenKey(RegKey parent, const std::u16string& subkey, RegKey* key) override {
    return inner_.OpenKey(parent, subkey, key);
  }
  Status CloseKey(RegKey key) override { return inner_.CloseKey(key); }
  Status QueryString(RegKey key, const std::u16string& name, uint32_t bytes, std::u16string* value) override {
    return inner_.QueryString(key, name, bytes, value);
  }
  Status QueryDword(RegKey key, const std::u16string& name, uint32_t* value) override {
    return inner_.QueryDword(key, name, value);
  }
  Status SetString(RegKey key, const std::u16string& name, const std::u16string& value) override {
    return hit_() ? kErrAccessDenied : inner_.SetString(key, name, value);
  }
  Status SetDword(RegKey key, const std::u16string& name, uint32_t value) override {
    return hit_() ? kErrAccessDenied : inner_.SetDword(key, name, value);
  }
  Status DeleteValue(RegKey key, const std::u16string& name) override {
    return hit_() ? kErrAccessDenied : inner_.DeleteValue(key, name);
  }
  Status DeleteTree(RegKey key, const std::u16string& subkey) override {
    return hit_() ? kErrAccessDenied : inner_.DeleteTree(key, subkey);
  }
  Status EnumKey(RegKey key, uint32_t index, std::u16string* name) override {
    return inner_.EnumKey(key, index, name);
  }

 private:
  Registry& inner_;
  Hit hit_;
};

// The calls that reach the peer fail with a reset connection.
class FailingSockets final : public Sockets {
 public:
  FailingSockets(Sockets& inner, Hit hit) : inner_(inner), hit_(std::move(hit)) {}
  SocketHandle Socket(int af, int type, int protocol) override {
    return Fail() ? kInvalidSocket : inner_.Socket(af, type, protocol);
  }
  int SetSockOpt(SocketHandle s, int option, uint32_t ms) override { return inner_.SetSockOpt(s, option, ms); }
  int GetSocketError(SocketHandle s) override { return inner_.GetSocketError(s); }
  int IoctlSocket(SocketHandle s, long command, uint32_t value) override {
    return inner_.IoctlSocket(s, command, value);
  }
  int Connect(SocketHandle s, uint32_t address, uint16_t port) override {
    return Fail() ? kSocketError : inner_.Connect(s, address, port);
  }
  int Bind(SocketHandle s, uint32_t address, uint16_t port) override { return inner_.Bind(s, address, port); }
  int Listen(SocketHandle s, int backlog) override { return inner_.Listen(s, backlog); }
  SocketHandle Accept(SocketHandle s) override { return inner_.Accept(s); }
  int GetSockName(SocketHandle s, uint32_t* address, uint16_t* port) override {
    return inner_.GetSockName(s, address, port);
  }
  int Select(SocketHandle s, SelectSets* sets, uint32_t ms) override {
    return Fail() ? kSocketError : inner_.Select(s, sets, ms);
  }
  int Send(SocketHandle s, const uint8_t* data, int length) override {
    return Fail() ? kSocketError : inner_.Send(s, data, length);
  }
  int Recv(SocketHandle s, uint8_t* data, int length) override {
    return Fail() ? kSocketError : inner_.Recv(s, data, length);
  }
  int CloseSocket(SocketHandle s) override { return inner_.CloseSocket(s); }
  uint32_t InetAddr(const std::string& dotted) override { return inner_.InetAddr(dotted); }
  bool GetHostByName(const std::string& name, std::vector<uint32_t>* addresses) override {
    return inner_.GetHostByName(name, addresses);
  }
  int LastError() override { return failed_ ? kWsaEConnReset : inner_.LastError(); }

 private:
  bool Fail() {
    failed_ = hit_();
    return failed_;
  }
  Sockets& inner_;
  Hit hit_;
  bool failed_ = false;
};

// One run of a flow on a fresh machine, with request number `fail_at`
// (opens and controls alike, from 1) failing; 0 fails none.
class FlowRun : public testing::SimFixture {
 public:
  explicit FlowRun(int fail_at)
      : wnet(*platform.wnet),
        hit([this, fail_at] { return counting && ++requests == fail_at; }),
        wmi(*platform.wmi, hit),
        mounts(*platform.volume_mounts, hit),
        formatter(*platform.formatter, hit),
        registry(*platform.registry, hit),
        sockets(*platform.sockets, hit) {
    platform.prompter = &yes;
    platform.wnet = &wnet;
    platform.wmi = &wmi;
    platform.volume_mounts = &mounts;
    platform.formatter = &formatter;
    platform.registry = &registry;
    platform.sockets = &sockets;
    io->fail = [this](const testing::RecordingDeviceIo::Request&) { return hit() ? kInjected : kOk; };
    io->fail_open = [this](const std::u16string&) { return hit() ? kInjected : kOk; };
  }
  void Plug(uint8_t slot) {
    ASSERT_EQ(bus.PlugDevice(testing::NewImageRecord(slot, folder.Win32Path("d" + std::to_string(slot) + ".img"))),
              kOk);
  }
  // Requests made before the flow do not count.
  void StartCounting() {
    counting = true;
    requests = 0;
    yes.shown.clear();
    yes.questions = 0;
    yes.told_after_question = false;
  }
  bool InUse(uint8_t slot) {
    DeviceRecord r;
    return bus.QueryDevice(slot, &r) == kOk && r.in_use();
  }

  // The promises every flow keeps, whatever failed.
  void ExpectWhole() {
    EXPECT_EQ(io->open_handles, 0) << "a handle (and any volume lock it holds) was left open";
    sim::MachineState s = State();
    for (size_t i = 0; i < s.slots.size(); ++i) {
      const sim::Slot& slot = s.slots[i];
      if (!slot.used) {
        EXPECT_TRUE(slot.partitions.empty()) << "slot " << i << " has drive letters but no device";
        continue;
      }
      ASSERT_EQ(slot.record.size(), devrec::kSize);
      std::set<uint64_t> ids = {0};
      for (const sim::Snapshot& snap : slot.snapshots) ids.insert(snap.id);
      for (const sim::Snapshot& snap : slot.snapshots) EXPECT_TRUE(ids.count(snap.parent)) << "orphan snapshot";
      EXPECT_TRUE(ids.count(slot.current)) << "current snapshot " << slot.current << " does not exist";
    }
    for (const sim::VolumeEntry& v : s.volumes) {
      if (v.detached || v.state != 0) continue;
      EXPECT_FALSE(v.mount_point.empty()) << "an active folder entry without its folder";
    }
  }

  YesPrompter yes;
  FailingWNet wnet;
  bool counting = false;
  int requests = 0;
  Hit hit;
  FailingWmi wmi;
  FailingVolumeMounts mounts;
  FailingFormatter formatter;
  FailingRegistry registry;
  FailingSockets sockets;
  StorageBus bus{platform};
};

// Runs `flow` with no failure to count its requests, then once per request
// with that one failing; `check` sees each run after its flow.
void ForEveryFailure(const std::function<void(FlowRun&)>& setup, const std::function<Status(FlowRun&)>& flow,
                     const std::function<void(FlowRun&, Status, int)>& check) {
  int total = 0;
  {
    FlowRun clean(0);
    setup(clean);
    clean.StartCounting();
    ASSERT_EQ(flow(clean), kOk);
    total = clean.requests;
    clean.ExpectWhole();
  }
  ASSERT_GT(total, 0);
  for (int n = 1; n <= total; ++n) {
    SCOPED_TRACE("request " + std::to_string(n) + " of " + std::to_string(total) + " fails");
    FlowRun run(n);
    setup(run);
    run.StartCounting();
    const Status st = flow(run);
    run.io->fail = nullptr;
    run.io->fail_open = nullptr;
    run.ExpectWhole();
    check(run, st, n);
  }
}

TEST(FaultInjection, ImageMountThroughTheWizard) {
  ForEveryFailure(
      [](FlowRun& r) { ASSERT_EQ(r.bus.SelectAdapter(0), kOk); },
      [](FlowRun& r) {
        IscsiLists lists;
        IscsiDiscovery discovery(*r.platform.sockets, lists);
        MountContext ctx{r.platform, r.bus, discovery, nullptr, [&](MountWizard& w) {
                           w.image.path = r.folder.Win32Path("new.img");
                           w.image.size_text = u"16";
                           return w.Finish();
                         },
                         nullptr, nullptr, nullptr};
        return RunMountWizard(ctx, kPageImage, 0);
      },
      [](FlowRun& r, Status st, int) {
        if (st != kOk) {
          EXPECT_FALSE(r.yes.shown.empty()) << "failed without a word";
          EXPECT_FALSE(r.InUse(0));
        }
      });
}

TEST(FaultInjection, RemovalOfASlotWithTwoVolumesAndOfAFolder) {
  ForEveryFailure(
      [](FlowRun& r) {
        ASSERT_EQ(r.bus.SelectAdapter(0), kOk);
        r.Change([](sim::MachineState& s) { s.partitions_per_disk = 2; });
        r.Plug(0);
        std::filesystem::create_directories(r.folder.path() / "mnt");
        VolumeRecord v;
        v.set_record_kind(volrec::kMountRecordKind);
        v.set_target_class(volrec::kMountTargetClass);
        v.set_target_name(u"iqn.t");
        v.set_volume_name(u"Volume{44444444-0000-0000-0000-000000000000}");
        v.set_mount_folder(r.folder.Win32Path("mnt") + u"\\");
        ASSERT_EQ(r.bus.MountVolume(v), kOk);
        ASSERT_EQ(r.platform.volume_mounts->SetMountPoint(r.folder.Win32Path("mnt") + u"\\",
                                                          u"\\\\?\\" + v.volume_name() + u"\\"),
                  kOk);
      },
      [](FlowRun& r) {
        int refreshed = 0;
        RemoveSelected(r.platform, r.bus, kCategoryAll, {{0, u""}, {kFolderTagBits | 0, u""}},
                       [&] { ++refreshed; });
        EXPECT_EQ(refreshed, 1);  // the list shows what is left
        return r.InUse(0) || r.bus.IsVolumeActive(0) ? kInjected : kOk;
      },
      [](FlowRun& r, Status, int) {
        // A folder still listed still has its folder; one that went, went whole.
        if (r.bus.IsVolumeActive(0)) {
          EXPECT_TRUE(std::filesystem::exists(r.folder.path() / "mnt"));
          EXPECT_FALSE(r.State().volumes[0].detached) << "listed while detached";
        }
      });
}

TEST(FaultInjection, FolderMountWithFormat) {
  ForEveryFailure(
      [](FlowRun& r) { std::filesystem::create_directories(r.folder.path() / "vf"); },
      [](FlowRun& r) {
        WizardData d(kTypeVirtualFolder);
        d.set_portalAddress(0x0100007F);
        d.set_portalPort(3260);
        d.set_targetName(u"iqn.2026-12.test:folder");
        FolderPageModel page;
        page.folder = r.folder.Win32Path("vf");
        if (!page.Finish(&d, r.platform)) return kMinusOne;
        return MountVirtualFolder(r.platform, r.bus, d, nullptr);
      },
      [](FlowRun& r, Status st, int) {
        // One message is the format question.
        if (st != kOk) {
          EXPECT_GT(r.yes.shown.size(), 1u) << "failed without a word";
        }
        EXPECT_TRUE(std::filesystem::exists(r.folder.path() / "vf"));
      });
}

// A discovery portal on loopback that names one target, for each pass the
// discovery may make.
testing::ScriptedTarget::Handler OneTargetPortal() {
  return [](testing::TargetConnection& c) {
    testing::Request r;
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x81, {{"TargetPortalGroupTag", "1"}, {"AuthMethod", "None"}}));
    if (!c.Read(&r)) return;
    c.Send(testing::LoginResponse(0x87, {}));
    if (!c.Read(&r)) return;
    c.Send(testing::TextResponse(
        testing::TextData({{"TargetName", "iqn.2026-12.fault:disk"}, {"TargetAddress", "127.0.0.1:3260,1"}}), true));
    if (c.Read(&r)) c.Send(testing::LogoutResponse());
    c.WaitForClose();
  };
}

class AskedAccount final : public CloudAccountDialog {
 public:
  bool Ask(std::u16string* user, std::u16string* password) override {
    *user = u"alice";
    *password = u"s3cret";
    return true;
  }
};

// The mounts of every other kind, and the CHAP secret change of a mounted
// iSCSI disk: a mount that failed is told and leaves no slot taken, one
// that worked shows in the list; a secret is the old or the new one, and
// the new one only when the change was reported done.
TEST(FaultInjection, CdVhdIscsiAndCloudMountsAndTheChapSecretChange) {
  enum Flow { kCd, kVhd, kIscsi, kCloud, kChap };
  for (Flow flow : {kCd, kVhd, kIscsi, kCloud, kChap}) {
    SCOPED_TRACE("flow " + std::to_string(flow));
    int refreshed = 0;
    ForEveryFailure(
        [&](FlowRun& r) {
          ASSERT_EQ(r.bus.SelectAdapter(0), kOk);
          std::ofstream(r.folder.path() / "disc.iso") << "iso";
          refreshed = 0;
          if (flow != kChap) return;
          DeviceRecord d;
          d.set_slot(4);
          d.set_device_type(kSharedIscsiDisk);
          d.set_target_address(0x0100007F);
          d.set_target_port(3260);
          d.set_use_login(true);
          d.set_target_class(2);
          d.set_target_name("iqn.2026-12.fault:disk");
          d.set_user_name("alice");
          d.set_secret("old-secret-1");
          ASSERT_EQ(r.bus.PlugDevice(d), kOk);
        },
        [&](FlowRun& r) -> Status {
          IscsiLists lists;
          InitiatorConfig config;
          config.connectTimeoutMs = 500;
          config.ioTimeoutMs = 500;
          IscsiDiscovery discovery(*r.platform.sockets, lists, config);
          MountContext ctx{r.platform, r.bus, discovery, [&] { ++refreshed; }, nullptr, nullptr, nullptr, nullptr};
          if (flow == kCd || flow == kVhd) {
            ctx.run_wizard = [&](MountWizard& w) {
              w.cd.path = r.folder.Win32Path("disc.iso");
              w.vhd.path = r.folder.Win32Path("new.vhd");
              w.vhd.size_text = u"16";
              return w.Finish();
            };
            return RunMountWizard(ctx, flow == kCd ? kPageCd : kPageVhd, 0);
          }
          if (flow == kIscsi) {
            // The target page's discovery, then the hand-over of what it found.
            testing::ScriptedTarget portal(*r.machine->platform().sockets,
                                           {OneTargetPortal(), OneTargetPortal(), OneTargetPortal()});
            discovery.DiscoverHost(u"127.0.0.1", portal.port(), "");
            if (lists.targets().empty()) return kInjected;
            EXPECT_EQ(lists.targets()[0].name, u"iqn.2026-12.fault:disk");
            WizardData d(kTypeSharedIscsiDisk);
            d.set_portalAddress(0x0100007F);
            d.set_portalPort(portal.port());
            d.set_targetName(lists.targets()[0].name);
            return MountIscsiDevice(ctx, d);
          }
          if (flow == kCloud) {
            testing::FakeInternet net;
            net.body_pieces = {"alice<br/>10.1.2.3<br/>3260<br/>disk7"};
            AskedAccount account;
            const CloudMountOutcome o = MountCloudDisk(r.platform, r.bus, net, u"host", account);
            return o.slot >= 0 && o.plug_status == kOk ? kOk : kInjected;
          }
          const auto outcome = ChangeDeviceSecret(r.platform, 4, [](ChangeSecretDialogModel& d) {
            d.old_secret = u"old-secret-1";
            d.chap_name = u"bob";
            d.new_secret = u"new-secret-2";
            return true;
          });
          if (outcome.result == SnapshotCommandResult::kNotApplicable) return kInjected;  // no disk to ask
          if (outcome.result != SnapshotCommandResult::kDone) {
            EXPECT_FALSE(r.yes.shown.empty()) << "the change failed without a word";
            return kInjected;
          }
          return kOk;
        },
        [&](FlowRun& r, Status st, int) {
          const sim::MachineState s = r.State();
          if (flow == kChap) {
            EXPECT_TRUE(s.slots[4].used);
            if (st == kOk) {
              EXPECT_EQ(s.slots[4].chap_secret, "new-secret-2");
            }
            EXPECT_TRUE(s.slots[4].chap_secret == "old-secret-1" || s.slots[4].chap_secret == "new-secret-2");
            return;
          }
          int used = 0;
          for (const sim::Slot& slot : s.slots) used += slot.used;
          if (st == kOk) {
            EXPECT_EQ(used, 1);
            if (flow != kCloud) {
              EXPECT_EQ(refreshed, 1) << "the list did not show the new device";
            }
          } else {
            EXPECT_EQ(used, 0) << "a slot taken by a mount that failed";
            // A discovery that found nothing leaves an empty target page, not a message.
            if (flow != kIscsi) {
              EXPECT_FALSE(r.yes.shown.empty()) << "the mount failed without a word";
            }
          }
        });
  }
}

class SnapshotRun {
 public:
  static void Setup(FlowRun& r) {
    ASSERT_EQ(r.bus.SelectAdapter(0), kOk);
    r.Plug(0);
    r.Change([](sim::MachineState& s) {
      s.slots[0].snapshots = {{1, 0, "base", ""}, {2, 1, "work", ""}, {3, 2, "late", ""}};
      s.slots[0].current = 3;
      s.slots[0].next_snapshot_id = 4;
    });
  }
  static size_t Snapshots(FlowRun& r) { return r.State().slots[0].snapshots.size(); }
};

TEST(FaultInjection, SnapshotTakeRevertAndMerge) {
  ForEveryFailure(SnapshotRun::Setup,
                  [](FlowRun& r) {
                    bool asked = false;
                    auto outcome = TakeSnapshotOfDevice(r.platform, 0, [&](CreateSnapshotDialogModel& d) {
                      d.SetName(u"fault");
                      return asked = true;
                    });
                    if (outcome.result != SnapshotCommandResult::kDone) {
                      // A disk that cannot be opened stops before the dialog, silently;
                      // a take that was typed and failed is reported.
                      if (asked) {
                        EXPECT_FALSE(r.yes.shown.empty()) << "take failed without a word";
                      }
                      return kInjected;
                    }
                    return kOk;
                  },
                  [](FlowRun& r, Status st, int) {
                    EXPECT_EQ(SnapshotRun::Snapshots(r), st == kOk ? 4u : 3u);
                  });
  ForEveryFailure(SnapshotRun::Setup,
                  [](FlowRun& r) {
                    auto outcome = RevertDevice(r.platform, 0);
                    return outcome.result == SnapshotCommandResult::kDone ? kOk : kInjected;
                  },
                  [](FlowRun& r, Status st, int) {
                    // Before the question the revert stops silently; once the user
                    // said Yes, a failure is told in a message of its own.
                    if (st != kOk && r.yes.questions > 0) {
                      EXPECT_TRUE(r.yes.told_after_question) << "revert failed without a word";
                    }
                  });
  ForEveryFailure(SnapshotRun::Setup,
                  [](FlowRun& r) {
                    bool merged = false;
                    auto outcome = OpenSnapshotManager(r.platform, 0, [&](SnapshotManagerModel& m) {
                      const int node = m.tree().FindById(2);
                      if (node < 0) return;  // the tree shows what could be read
                      m.SelectNode(node);
                      merged = m.Merge();
                      // A merge that was asked for and failed is reported.
                      if (!merged && m.last_error() != kOk) {
                        EXPECT_NE(r.yes.shown.size(), 1u);
                      }
                    });
                    return outcome.result == SnapshotCommandResult::kDone && merged ? kOk : kInjected;
                  },
                  [](FlowRun& r, Status st, int) { EXPECT_EQ(SnapshotRun::Snapshots(r), st == kOk ? 2u : 3u); });
}

// The dialog's other flows: go to, delete and storing an edit, each on a
// snapshot without children ("side", beside the current chain).
TEST(FaultInjection, SnapshotManagerGoToDeleteAndEdits) {
  const auto setup = [](FlowRun& r) {
    SnapshotRun::Setup(r);
    r.Change([](sim::MachineState& s) {
      s.slots[0].snapshots.push_back({4, 1, "side", ""});
      s.slots[0].next_snapshot_id = 5;
    });
  };
  enum Action { kGoTo, kDelete, kEdit };
  for (Action action : {kGoTo, kDelete, kEdit}) {
    SCOPED_TRACE("action " + std::to_string(action));
    ForEveryFailure(
        setup,
        [action](FlowRun& r) {
          bool done = false, asked = false;
          OpenSnapshotManager(r.platform, 0, [&](SnapshotManagerModel& m) {
            const int node = m.tree().FindById(4);
            if (node < 0) return;
            m.SelectNode(node);
            const int before = r.yes.questions;
            if (action == kGoTo) done = m.GoTo();
            if (action == kDelete) done = m.Delete();
            if (action == kEdit) {
              m.EditName(u"renamed");
              done = m.Close();
            }
            asked = r.yes.questions > before;
            // A go-to or delete that was agreed to and failed is told.
            if (!done && asked && m.last_error() != kOk) {
              EXPECT_TRUE(r.yes.told_after_question) << "failed without a word";
            }
          });
          return done ? kOk : kInjected;
        },
        [action](FlowRun& r, Status st, int) {
          const sim::Slot slot = r.State().slots[0];
          const auto side = std::find_if(slot.snapshots.begin(), slot.snapshots.end(),
                                         [](const sim::Snapshot& x) { return x.id == 4; });
          // Done and undone are both whole: nothing half-way.
          if (action == kGoTo) {
            EXPECT_EQ(slot.current, st == kOk ? 4u : 3u);
          }
          if (action == kDelete) {
            EXPECT_EQ(side == slot.snapshots.end(), st == kOk);
          }
          if (action == kEdit && side != slot.snapshots.end()) {
            EXPECT_EQ(side->name, st == kOk ? "renamed" : "side");
          }
          if (action != kGoTo) {
            EXPECT_EQ(slot.current, 3u);
          }
        });
  }
}

// The NFS flows go through the provider (WNet) and, for the export list,
// the redirector's device: each of those calls fails in turn.
void NfsSetup(FlowRun& r) {
  r.Change([](sim::MachineState& s) {
    sim::NfsServer n;
    n.address = "127.0.0.1";
    n.exports = {"\\export\\home"};
    s.nfs_servers.push_back(n);
  });
}

// The mount's result; the unmount after it is reported by the list only.
Status NfsFlow(FlowRun& r) {
  Status st = RunNfsMountCommand(
      r.platform,
      [](MountNfsDialogModel& d) {
        d.server = u"127.0.0.1";
        d.RefreshExports();
        d.path = u"export\\home";
        d.drive = u"N:";
        return true;
      },
      nullptr);
  if (st == kOk) UnmountNfsShare(u"N:", r.platform);
  return st;
}

void NfsCheck(FlowRun& r, Status st) {
  if (st != kOk) {
    EXPECT_FALSE(r.yes.shown.empty()) << "the mount failed without a word";
  }
  // No connection half made: a current one has its drive.
  for (const sim::NetConnection& c : r.State().net_connections) EXPECT_TRUE(!c.connected || !c.local.empty());
}

TEST(FaultInjection, NfsMountAndUnmountWithProviderFailures) {
  int total = 0;
  {
    FlowRun clean(0);
    NfsSetup(clean);
    clean.wnet.calls = 0;
    ASSERT_EQ(NfsFlow(clean), kOk);
    EXPECT_TRUE(clean.State().net_connections.empty() || !clean.State().net_connections[0].connected);
    total = clean.wnet.calls;
  }
  ASSERT_GT(total, 0);
  for (int n = 1; n <= total; ++n) {
    SCOPED_TRACE("WNet call " + std::to_string(n) + " of " + std::to_string(total) + " fails");
    FlowRun run(0);
    NfsSetup(run);
    run.yes.shown.clear();
    run.wnet.calls = 0;
    run.wnet.fail_at = n;
    const Status st = NfsFlow(run);
    run.wnet.fail_at = 0;
    run.ExpectWhole();
    NfsCheck(run, st);
  }
}

TEST(FaultInjection, NfsMountWithRedirectorFailures) {
  ForEveryFailure(NfsSetup, NfsFlow, [](FlowRun& r, Status st, int) { NfsCheck(r, st); });
}

}  // namespace
}  // namespace tw

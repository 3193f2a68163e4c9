// Every flow that talks to the drivers, run once per request with that one
// request failing: no crash (and, under the sanitizers, no leak), the user
// told when the flow did not do its work, and the machine left whole:
// no handle (and so no volume lock) left open, no slot half-plugged, no
// folder entry active without its mount point, the snapshot tree intact.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "base/text.h"
#include "devices/device_list.h"
#include "devices/mount_wizard.h"
#include "devices/removal.h"
#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/snapshot_menu_commands.h"
#include "devices/virtual_folder.h"
#include "iscsi/discovery.h"
#include "platform/prompter.h"
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

// One run of a flow on a fresh machine, with request number `fail_at`
// (opens and controls alike, from 1) failing; 0 fails none.
class FlowRun : public testing::SimFixture {
 public:
  explicit FlowRun(int fail_at) : wnet(*platform.wnet) {
    platform.prompter = &yes;
    platform.wnet = &wnet;
    const auto hit = [this, fail_at]() -> Status { return counting && ++requests == fail_at ? kInjected : kOk; };
    io->fail = [hit](const testing::RecordingDeviceIo::Request&) { return hit(); };
    io->fail_open = [hit](const std::u16string&) { return hit(); };
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
  StorageBus bus{platform};
  bool counting = false;
  int requests = 0;
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
                      if (asked) EXPECT_FALSE(r.yes.shown.empty()) << "take failed without a word";
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
          if (action == kGoTo) EXPECT_EQ(slot.current, st == kOk ? 4u : 3u);
          if (action == kDelete) EXPECT_EQ(side == slot.snapshots.end(), st == kOk);
          if (action == kEdit && side != slot.snapshots.end()) {
            EXPECT_EQ(side->name, st == kOk ? "renamed" : "side");
          }
          if (action != kGoTo) EXPECT_EQ(slot.current, 3u);
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

#include "fuzz/fuzz_machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"
#include "shares/nfs_shares.h"
#include "storagebus/storage_bus.h"

namespace tw::fuzzing {

FuzzMachine& FuzzMachine::Get() {
  static FuzzMachine machine;  // its folder goes when the process ends
  return machine;
}

FuzzMachine::FuzzMachine() {
  machine_ = NewSimulatedMachine(folder_.path() / "state", &prompter_);
  sim::SimMachine& sim = *machine_->simulated();
  Platform p = machine_->platform();
  p.clock = &clock_;
  p.diagnostics = &diagnostics_;
  StorageBus bus(p);
  if (bus.SelectAdapter(0) != kOk) std::abort();
  for (uint8_t slot = 0; slot < 2; ++slot) {
    DeviceRecord r;
    r.set_slot(slot);
    r.set_device_type(kImageDisk);
    r.set_create_new(true);
    r.set_new_size(1 << 20);
    r.set_image_disk_path(folder_.Win32Path("disk" + std::to_string(slot) + ".img"));
    if (bus.PlugDevice(r) != kOk) std::abort();
  }
  DeviceRecord iscsi;
  iscsi.set_slot(2);
  iscsi.set_device_type(kSharedIscsiDisk);
  iscsi.set_target_address(0x0100007F);
  iscsi.set_target_port(3260);
  iscsi.set_use_login(true);
  iscsi.set_target_class(2);
  iscsi.set_target_name("iqn.2026-01.fuzz:disk");
  iscsi.set_user_name("user");
  iscsi.set_secret("secret123456");
  if (bus.PlugDevice(iscsi) != kOk) std::abort();
  VolumeRecord v;
  v.set_record_kind(volrec::kMountRecordKind);
  v.set_target_class(volrec::kMountTargetClass);
  v.set_target_name(u"iqn.2026-01.fuzz:folder");
  v.set_volume_name(u"Volume{33333333-0000-0000-0000-000000000000}");
  v.set_mount_folder(folder_.Win32Path("mnt") + u"\\");
  if (bus.MountVolume(v) != kOk) std::abort();
  sim.Update([](sim::MachineState& s) {
    s.slots[0].snapshots = {{1, 0, "base", ""}, {2, 1, "left", "a description"}, {3, 1, "right", ""},
                            {4, 3, "leaf", ""}};
    s.slots[0].current = 4;
    s.slots[0].next_snapshot_id = 5;
    sim::NfsServer n;
    n.address = "127.0.0.1";
    n.exports = {"\\export\\home", "\\export\\data", "\\srv"};
    s.nfs_servers.push_back(n);
    return true;
  });
  for (const char16_t* drive : {u"N:", u"M:"}) {
    std::u16string remote = u"127.0.0.1:\\export\\home";
    if (MountNfsShare(drive, &remote, true, u"", u"", 6260, p) != kOk) std::abort();
  }
  // A protected volume P: with one protected file and one plain folder.
  if (sim::AddProtectedVolume(sim, 'P', "Vault", {"alice", "bob", "carol"}) != kOk) std::abort();
  const std::filesystem::path vault = sim::ProtectedVolumes(sim.folder()).Root('P');
  std::filesystem::create_directories(vault / "docs");
  std::ofstream(vault / "docs" / "a.txt") << "data";
  if (sim::ProtectItemForSetup(sim, u"P:\\docs\\a.txt", "pw", false, false) != kOk) std::abort();
  if (sim.Load(&initial_) != kOk) std::abort();
}

Platform FuzzMachine::Begin(FuzzInput& in) {
  machine_->simulated()->Save(initial_);
  prompter_.shown.clear();
  prompter_.answers.clear();
  Platform p = machine_->platform();
  io_ = std::make_unique<MutatingDeviceIo>(*p.device_io, in);
  wnet_ = std::make_unique<MutatingWNet>(*p.wnet, in);
  p.device_io = io_.get();
  p.wnet = wnet_.get();
  p.clock = &clock_;
  p.diagnostics = &diagnostics_;
  p.prompter = &prompter_;
  return p;
}

}  // namespace tw::fuzzing

// A simulated machine with disks in its slots, snapshot trees set up
// directly in its state, and the vendor commands read back from the
// recorded requests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bytes.h"
#include "devices/snapshots/snapshot_menu_commands.h"
#include "platform/testing/sim_fixture.h"
#include "storagebus/testing/image_records.h"
#include "storagebus/driver_contract.h"
#include "storagebus/storage_bus.h"

namespace tw::testing {

struct SentCdb {
  uint8_t op;
  uint64_t id;
  uint8_t byte_argument;
};

class SnapshotMachine : public SimFixture {
 public:
  SnapshotMachine() { EXPECT_EQ(bus.SelectAdapter(0), kOk); }

  void PlugImage(uint8_t slot) {
    ASSERT_EQ(bus.PlugDevice(NewImageRecord(slot, folder.Win32Path("disk" + std::to_string(slot) + ".img"))), kOk);
  }
  void PlugIscsi(uint8_t slot, const std::string& user, const std::string& secret) {
    DeviceRecord r;
    r.set_slot(slot);
    r.set_device_type(kIscsiDisk);
    r.set_target_address(0x0100007F);
    r.set_target_port(3260);
    r.set_target_name("iqn.2026-01.example:disk");
    r.set_user_name(user);
    r.set_secret(secret);
    ASSERT_EQ(bus.PlugDevice(r), kOk);
  }
  void PlugCd(uint8_t slot) {
    std::string name = "disc" + std::to_string(slot) + ".iso";
    FILE* f = std::fopen((folder.path() / name).string().c_str(), "wb");
    std::fputs("iso", f);
    std::fclose(f);
    DeviceRecord r;
    r.set_slot(slot);
    r.set_device_type(kCdRom);
    r.set_cd_image_path(folder.Win32Path(name));
    ASSERT_EQ(bus.PlugDevice(r), kOk);
  }
  void AddSnapshot(int slot, uint64_t id, uint64_t parent, const std::string& name, const std::string& description = "") {
    Change([&](sim::MachineState& s) {
      sim::Snapshot snap;
      snap.id = id;
      snap.parent = parent;
      snap.name = name;
      snap.description = description;
      s.slots[slot].snapshots.push_back(snap);
      if (s.slots[slot].next_snapshot_id <= id) s.slots[slot].next_snapshot_id = id + 1;
    });
  }
  void SetCurrent(int slot, uint64_t id) {
    Change([&](sim::MachineState& s) { s.slots[slot].current = id; });
  }
  const sim::Snapshot* Find(const sim::MachineState& s, int slot, uint64_t id) {
    for (const sim::Snapshot& x : s.slots[slot].snapshots)
      if (x.id == id) return &x;
    return nullptr;
  }
  Handle OpenDisk(int slot) {
    Handle h = kInvalidHandle;
    EXPECT_EQ(OpenSlotDisk(platform, slot, &h), kOk);
    return h;
  }

  std::vector<SentCdb> Sent() const {
    std::vector<SentCdb> out;
    for (const auto& r : io->requests) {
      if (r.code != kIoctlScsiPassThroughDirect || r.in.size() < sptd::kBlockSize) continue;
      ConstByteSpan b(r.in);
      out.push_back({r.in[sptd::kCdb], GetU64LE(b, sptd::kCdb + 1), r.in[sptd::kCdb + 9]});
    }
    return out;
  }
  int CountOp(uint8_t op) const {
    int n = 0;
    for (const SentCdb& c : Sent()) n += c.op == op;
    return n;
  }
  int CountCode(uint32_t code) const {
    int n = 0;
    for (const auto& r : io->requests) n += r.code == code;
    return n;
  }
  // Fails the vendor command `op` with `status` from now on.
  void FailOp(uint8_t op, Status status) {
    io->fail = [op, status](const RecordingDeviceIo::Request& r) -> Status {
      if (r.code == kIoctlScsiPassThroughDirect && r.in.size() > sptd::kCdb && r.in[sptd::kCdb] == op) return status;
      return kOk;
    };
  }
  std::vector<std::u16string> Texts() const {
    std::vector<std::u16string> t;
    for (const auto& s : prompter.shown) t.push_back(s.text);
    return t;
  }

  StorageBus bus{platform};
};

}  // namespace tw::testing

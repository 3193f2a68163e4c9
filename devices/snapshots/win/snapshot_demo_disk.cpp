#include "devices/snapshots/win/snapshot_demo_disk.h"

#include "storagebus/testing/image_records.h"

namespace tw::ui {

bool DemoDisk::Plug() {
  bus_.SelectAdapter(0);
  return bus_.PlugDevice(testing::NewImageRecord(kSlot, folder.Win32Path("demo.img"))) == kOk;
}

void DemoDisk::Add(uint64_t id, uint64_t parent, const std::string& name, const std::string& description) {
  Change([&](sim::MachineState& s) {
    sim::Snapshot snap;
    snap.id = id;
    snap.parent = parent;
    snap.name = name;
    snap.description = description;
    s.slots[kSlot].snapshots.push_back(snap);
    if (s.slots[kSlot].next_snapshot_id <= id) s.slots[kSlot].next_snapshot_id = id + 1;
  });
}

void DemoDisk::SetCurrent(uint64_t id) {
  Change([&](sim::MachineState& s) { s.slots[kSlot].current = id; });
}

void DemoDisk::AddBranchyTree() {
  Add(1, 0, "Fresh install", "Windows and drivers only");
  Add(2, 1, "Office", "Office suite and fonts");
  Add(3, 2, "Patched", "All updates of March");
  Add(4, 3, "Build tools");
  Add(5, 2, "Trial software", "Thirty-day trial, to be removed");
  Add(6, 5, "Trial expired");
  Add(7, 1, "Test lab", "Clean state for the test runs");
  Add(8, 7, "Run 1");
  Add(9, 7, "Run 2");
  Add(10, 0, "Old layout");
  SetCurrent(3);
}

}  // namespace tw::ui

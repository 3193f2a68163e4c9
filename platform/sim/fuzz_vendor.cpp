// Vendor SCSI commands with any CDB and data against a disk with snapshots:
// answers stay inside the transfer buffer and the tree stays consistent.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sim/drivers.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/system_services.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tw::SystemServices system = tw::NewSystemServices();
  tw::sim::MachineState state;
  tw::sim::Slot& slot = state.slots[0];
  slot.used = true;
  slot.record.assign(1836, 0);
  slot.record[1] = 1;
  slot.snapshots = {{1, 0, "a", ""}, {2, 1, "b", ""}, {3, 1, "c", "d"}};
  slot.current = 2;
  slot.next_snapshot_id = 4;
  size_t pos = 0;
  while (pos + 18 <= size) {
    uint8_t cdb[16];
    std::memcpy(cdb, data + pos, 16);
    cdb[0] = static_cast<uint8_t>(0xE1 + cdb[0] % 14);
    bool in = data[pos + 16] & 1;
    size_t length = data[pos + 17] * 16u;
    pos += 18;
    // The guard bytes after the buffer must never change.
    std::vector<uint8_t> buffer(length + 64, 0xA5);
    size_t copy = std::min(length, size - pos);
    std::memcpy(buffer.data(), data + pos, copy);
    pos += copy;
    tw::sim::VendorCommand(state, 0, cdb, in, {buffer.data(), length}, *system.code_page);
    for (size_t i = length; i < buffer.size(); ++i)
      if (buffer[i] != 0xA5) std::abort();
    for (const auto& s : slot.snapshots) {
      if (s.id == 0 || s.name.size() > 31 || s.description.size() > 1023) std::abort();
      bool parent_ok = s.parent == 0;
      for (const auto& p : slot.snapshots) parent_ok |= p.id == s.parent;
      if (!parent_ok) std::abort();
    }
  }
  return 0;
}

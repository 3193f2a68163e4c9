// One full device-list read on the simulated machine: the eight slot
// queries plus the letter mapping of each plugged slot. Prints the time per
// read and the heap allocations it makes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "platform/machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/testing/test_support.h"
#include "storagebus/testing/image_records.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"

static size_t g_allocations = 0;
static size_t g_bytes = 0;
void* operator new(size_t n) {
  ++g_allocations;
  g_bytes += n;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

int ReadDeviceList(tw::StorageBus& bus, tw::DiskMapping& map) {
  int plugged = 0;
  for (uint8_t slot = 0; slot < tw::kSlotCount; ++slot) {
    tw::DeviceRecord r;
    if (bus.QueryDevice(slot, &r) != tw::kOk || !r.in_use()) continue;
    ++plugged;
    map.GetSlotLetters(slot);
  }
  return plugged;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
  tw::testing::TempFolder folder;
  auto machine = tw::NewSimulatedMachine(folder.path() / "state", nullptr);
  tw::StorageBus bus(machine->platform());
  tw::DiskMapping map(machine->platform());
  if (bus.SelectAdapter(0) != tw::kOk) return 1;
  for (uint8_t slot = 0; slot < 4; ++slot) {
    if (bus.PlugDevice(tw::testing::NewImageRecord(slot, folder.Win32Path("d" + std::to_string(slot) + ".img"))) !=
        tw::kOk)
      return 1;
  }
  ReadDeviceList(bus, map);  // warm the file cache
  size_t allocations = g_allocations, bytes = g_bytes;
  auto start = std::chrono::steady_clock::now();
  int plugged = 0;
  for (int i = 0; i < rounds; ++i) plugged = ReadDeviceList(bus, map);
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("device list read (8 queries, %d plugged slots mapped): %.3f ms per read over %d reads\n", plugged,
              ms / rounds, rounds);
  std::printf("allocations per read: %zu (%zu bytes)\n", (g_allocations - allocations) / rounds,
              (g_bytes - bytes) / rounds);
  return 0;
}

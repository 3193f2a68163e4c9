// One full device-list read on the simulated machine: the eight slot
// queries plus the drive letters of the plugged slots, as the device list
// reads them. Prints the time per read and the heap allocations it makes,
// each split into the simulated machine's share (answering the requests,
// re-reading its state) and ours (everything above the platform calls).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>

#include "platform/machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/testing/test_support.h"
#include "platform/wmi.h"
#include "storagebus/testing/image_records.h"
#include "storagebus/disk_mapping.h"
#include "storagebus/storage_bus.h"

static size_t g_allocations = 0;
static size_t g_bytes = 0;
static size_t g_machine_allocations = 0;
static size_t g_machine_bytes = 0;
static bool g_in_machine = false;
void* operator new(size_t n) {
  ++(g_in_machine ? g_machine_allocations : g_allocations);
  (g_in_machine ? g_machine_bytes : g_bytes) += n;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;
double g_machine_ms = 0;

// Marks the time and allocations spent inside the simulated machine.
class InMachine {
 public:
  InMachine() : start_(Clock::now()) { g_in_machine = true; }
  ~InMachine() {
    g_in_machine = false;
    g_machine_ms += std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
  }

 private:
  Clock::time_point start_;
};

class CountedDeviceIo final : public tw::DeviceIo {
 public:
  explicit CountedDeviceIo(tw::DeviceIo& inner) : inner_(inner) {}
  tw::Status Open(const std::u16string& path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t flags, tw::Handle* h) override {
    InMachine m;
    return inner_.Open(path, access, share, disposition, flags, h);
  }
  tw::Status Control(tw::Handle h, uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                     uint32_t* returned) override {
    InMachine m;
    return inner_.Control(h, code, in, in_len, out, out_len, returned);
  }
  void Close(tw::Handle h) override {
    InMachine m;
    inner_.Close(h);
  }

 private:
  tw::DeviceIo& inner_;
};

class CountedWmiConnection final : public tw::WmiConnection {
 public:
  explicit CountedWmiConnection(std::unique_ptr<tw::WmiConnection> inner) : inner_(std::move(inner)) {}
  ~CountedWmiConnection() override {
    InMachine m;
    inner_.reset();
  }
  tw::Status ExecQuery(const std::u16string& wql, std::vector<tw::WmiRow>* rows) override {
    InMachine m;
    return inner_->ExecQuery(wql, rows);
  }

 private:
  std::unique_ptr<tw::WmiConnection> inner_;
};

class CountedWmi final : public tw::WmiService {
 public:
  explicit CountedWmi(tw::WmiService& inner) : inner_(inner) {}
  tw::Status Connect(const std::u16string& name_space, std::unique_ptr<tw::WmiConnection>* out) override {
    std::unique_ptr<tw::WmiConnection> connection;
    tw::Status st;
    {
      InMachine m;
      st = inner_.Connect(name_space, &connection);
    }
    if (connection) *out = std::make_unique<CountedWmiConnection>(std::move(connection));
    return st;
  }

 private:
  tw::WmiService& inner_;
};

int ReadDeviceList(tw::StorageBus& bus, tw::DiskMapping& map) {
  int plugged = 0;
  for (uint8_t slot = 0; slot < tw::kSlotCount; ++slot) {
    tw::DeviceRecord r;
    if (bus.QueryDevice(slot, &r) != tw::kOk || !r.in_use()) continue;
    // The device list reads every slot's letters with its first row.
    if (++plugged == 1) map.AllSlotLetters();
  }
  return plugged;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
  tw::testing::TempFolder folder;
  auto machine = tw::NewSimulatedMachine(folder.path() / "state", nullptr);
  tw::Platform platform = machine->platform();
  CountedDeviceIo device_io(*platform.device_io);
  CountedWmi wmi(*platform.wmi);
  platform.device_io = &device_io;
  platform.wmi = &wmi;
  tw::StorageBus bus(platform);
  tw::DiskMapping map(platform);
  if (bus.SelectAdapter(0) != tw::kOk) return 1;
  for (uint8_t slot = 0; slot < 4; ++slot) {
    if (bus.PlugDevice(tw::testing::NewImageRecord(slot, folder.Win32Path("d" + std::to_string(slot) + ".img"))) !=
        tw::kOk)
      return 1;
  }
  ReadDeviceList(bus, map);  // warm the file cache
  size_t allocations = g_allocations, bytes = g_bytes;
  size_t machine_allocations = g_machine_allocations, machine_bytes = g_machine_bytes;
  g_machine_ms = 0;
  auto start = Clock::now();
  int plugged = 0;
  for (int i = 0; i < rounds; ++i) plugged = ReadDeviceList(bus, map);
  double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("device list read (8 queries, letters of %d plugged slots): %.3f ms per read over %d reads\n", plugged,
              ms / rounds, rounds);
  std::printf("  in the simulated machine: %.3f ms, %zu allocations (%zu bytes)\n", g_machine_ms / rounds,
              (g_machine_allocations - machine_allocations) / rounds, (g_machine_bytes - machine_bytes) / rounds);
  std::printf("  ours:                     %.3f ms, %zu allocations (%zu bytes)\n", (ms - g_machine_ms) / rounds,
              (g_allocations - allocations) / rounds, (g_bytes - bytes) / rounds);
  std::printf("allocations per read: %zu (%zu bytes)\n",
              (g_allocations - allocations + g_machine_allocations - machine_allocations) / rounds,
              (g_bytes - bytes + g_machine_bytes - machine_bytes) / rounds);
  return 0;
}

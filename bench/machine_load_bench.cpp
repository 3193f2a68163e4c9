// Several programs working one simulated machine at once: each process
// plugs a new image disk into a slot, reads the whole device list (eight queries) and
// unplugs it again, over and over. Prints the requests per second of all
// processes together and how long a request waited for the machine's lock
// (worst and mean), then checks that nothing was lost on the way.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/state_folder.h"
#include "platform/testing/test_support.h"
#include "storagebus/storage_bus.h"
#include "storagebus/testing/image_records.h"

namespace {

struct Report {
  uint64_t requests = 0, waited_us = 0, worst_us = 0, failures = 0, locked = 0;
};

// One process's share: returns what it did through the pipe.
Report Work(const std::filesystem::path& state, const std::u16string& disc, uint8_t slot, int rounds) {
  Report r;
  auto machine = tw::NewSimulatedMachine(state, nullptr);
  tw::StorageBus bus(machine->platform());
  if (bus.SelectAdapter(0) != tw::kOk) return {0, 0, 0, 1};
  for (int i = 0; i < rounds; ++i) {
    tw::DeviceRecord disk = tw::testing::NewImageRecord(slot, disc, 1 << 20);
    disk.set_create_new(i == 0);
    r.failures += bus.PlugDevice(disk) != tw::kOk;
    for (uint8_t s = 0; s < tw::kSlotCount; ++s) {
      tw::DeviceRecord q;
      r.failures += bus.QueryDevice(s, &q) != tw::kOk;
    }
    r.failures += bus.UnplugDevice(slot) != tw::kOk;
    r.requests += 2 + tw::kSlotCount;
  }
  // Reads of an unchanged machine take no lock; these are the ones that did.
  tw::sim::LockWaits w = tw::sim::LockWaitsSoFar();
  r.locked = w.requests;
  r.waited_us = w.total_us;
  r.worst_us = w.worst_us;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  int processes = argc > 1 ? std::atoi(argv[1]) : 8;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 100;
  tw::testing::TempFolder folder;
  const std::filesystem::path state = folder.path() / "state";
  {
    // The folder exists before the race, as on a machine that ran before.
    auto machine = tw::NewSimulatedMachine(state, nullptr);
    machine->simulated()->Update([](tw::sim::MachineState&) { return true; });
  }
  std::vector<std::u16string> discs;
  for (int p = 0; p < processes; ++p) {
    discs.push_back(folder.Win32Path("disk" + std::to_string(p) + ".img"));
  }

  int pipes[2];
  if (pipe(pipes) != 0) return 1;
  auto start = std::chrono::steady_clock::now();
  std::vector<pid_t> children;
  for (int p = 0; p < processes; ++p) {
    pid_t pid = fork();
    if (pid == 0) {
      Report r = Work(state, discs[static_cast<size_t>(p)], static_cast<uint8_t>(p % tw::kSlotCount), rounds);
      ssize_t n = write(pipes[1], &r, sizeof r);
      _exit(n == static_cast<ssize_t>(sizeof r) ? 0 : 1);
    }
    children.push_back(pid);
  }
  Report total;
  int bad = 0;
  for (pid_t pid : children) {
    Report r;
    if (read(pipes[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) ++bad;
    total.requests += r.requests;
    total.locked += r.locked;
    total.waited_us += r.waited_us;
    total.worst_us = std::max(total.worst_us, r.worst_us);
    total.failures += r.failures;
    (void)pid;
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++bad;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // Each process unplugged what it plugged; slots shared by two processes
  // may refuse a plug (busy) but never lose one.
  tw::sim::MachineState end;
  auto machine = tw::NewSimulatedMachine(state, nullptr);
  bool parsed = machine->simulated()->Load(&end) == tw::kOk;
  int left = static_cast<int>(std::count_if(end.slots.begin(), end.slots.end(), [](const auto& s) { return s.used; }));
  std::printf("machine under load: %d processes x %d rounds, %llu requests in %.2f s: %.0f requests/s\n", processes,
              rounds, static_cast<unsigned long long>(total.requests), seconds, total.requests / seconds);
  std::printf("lock wait: worst %.3f ms, mean %.1f us over the %llu requests that locked\n", total.worst_us / 1000.0,
              total.locked ? static_cast<double>(total.waited_us) / total.locked : 0.0,
              static_cast<unsigned long long>(total.locked));
  bool shared_slots = processes > tw::kSlotCount;
  if (bad || !parsed || left != 0 || (!shared_slots && total.failures)) {
    std::printf("FAILED: %d processes failed, state %s, %d slots left plugged, %llu refused requests\n", bad,
                parsed ? "parses" : "does not parse", left, static_cast<unsigned long long>(total.failures));
    return 1;
  }
  return 0;
}

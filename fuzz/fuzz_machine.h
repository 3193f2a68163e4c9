// The simulated machine the reply fuzzers run against: made once per
// process in a temporary folder with image disks, a CD, an iSCSI disk,
// snapshots, a virtual folder, NFS connections and a protected volume P:
// with a protected file (P:\docs\a.txt); every input starts from
// that state, with the fuzzer's bytes rewriting the replies.
#pragma once

#include <memory>

#include "fuzz/reply_mutator.h"
#include "platform/machine.h"
#include "platform/platform.h"
#include "platform/sim/machine_state.h"
#include "platform/testing/test_support.h"

namespace tw::fuzzing {

class FuzzMachine {
 public:
  static FuzzMachine& Get();
  // The machine back in its first state, and a Platform whose device I/O
  // and WNet replies `in` rewrites.
  Platform Begin(FuzzInput& in);
  const Platform& plain() const { return machine_->platform(); }

 private:
  FuzzMachine();
  testing::TempFolder folder_;
  testing::ScriptedPrompter prompter_;
  testing::FakeClock clock_;
  testing::CapturingDiagnostics diagnostics_;
  std::unique_ptr<Machine> machine_;
  sim::MachineState initial_;
  std::unique_ptr<MutatingDeviceIo> io_;
  std::unique_ptr<MutatingWNet> wnet_;
};

}  // namespace tw::fuzzing

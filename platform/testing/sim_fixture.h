// A fresh simulated machine in a temporary folder, with a recording
// device-I/O layer, a fake clock and a scripted prompter in its Platform.
#pragma once

#include <memory>

#include "platform/machine.h"
#include "platform/platform.h"
#include "platform/sim/sim_machine.h"
#include "platform/testing/test_support.h"

namespace tw::testing {

class SimFixture {
 public:
  SimFixture();
  TempFolder folder;
  ScriptedPrompter prompter;
  FakeClock clock;
  CapturingDiagnostics diagnostics;
  std::unique_ptr<Machine> machine;
  std::unique_ptr<RecordingDeviceIo> io;
  Platform platform;
  sim::SimMachine& sim() { return *machine->simulated(); }
  // Changes the machine's state directly (what the console's "sim" commands do).
  void Change(const std::function<void(sim::MachineState&)>& change);
  sim::MachineState State();
};

}  // namespace tw::testing

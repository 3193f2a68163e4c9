#include "platform/testing/sim_fixture.h"

namespace tw::testing {

SimFixture::SimFixture() {
  machine = NewSimulatedMachine(folder.path() / "state", &prompter);
  platform = machine->platform();
  io = std::make_unique<RecordingDeviceIo>(*platform.device_io);
  platform.device_io = io.get();
  platform.clock = &clock;
  platform.diagnostics = &diagnostics;
}

void SimFixture::Change(const std::function<void(sim::MachineState&)>& change) {
  sim().Update([&](sim::MachineState& s) {
    change(s);
    return true;
  });
}

sim::MachineState SimFixture::State() {
  sim::MachineState s;
  sim().Load(&s);
  return s;
}

}  // namespace tw::testing

// The machine the program runs against, with every port it needs, owned in
// one place. The real drivers on Windows; the simulated machine natively or
// when TARNWICK_MACHINE=sim.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/system.h"

namespace tw {
namespace sim {
class SimMachine;
}

class Machine {
 public:
  virtual ~Machine() = default;
  const Platform& platform() const { return platform_; }
  // The simulated machine, or null on the real one.
  virtual sim::SimMachine* simulated() { return nullptr; }

 protected:
  Platform platform_;
};

// The simulated machine in `folder` (SimStateFolder() by default).
std::unique_ptr<Machine> NewSimulatedMachine(const std::filesystem::path& folder, Prompter* prompter);
// As the environment asks: TARNWICK_MACHINE=sim or a build without the real
// drivers gives the simulated machine.
std::unique_ptr<Machine> NewMachine(Prompter* prompter);
// Whether NewMachine gives the simulated one.
bool UsesSimulatedMachine();

}  // namespace tw

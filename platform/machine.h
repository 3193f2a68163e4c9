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

class DeviceIo;
class SetupApi;
class WmiService;
class Registry;
class WNet;
class FileSystem;
class Internet;
class VolumeMounts;
class Formatter;
class FileItems;
class Prompter;

class Machine {
 public:
  virtual ~Machine();
  const Platform& platform() const { return platform_; }
  // The simulated machine, or null on the real one.
  virtual sim::SimMachine* simulated() { return nullptr; }

 protected:
  // Every port a machine owns besides the system services.
  struct Ports {
    std::unique_ptr<DeviceIo> device_io;
    std::unique_ptr<SetupApi> setup_api;
    std::unique_ptr<WmiService> wmi;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<WNet> wnet;
    std::unique_ptr<FileSystem> file_system;
    std::unique_ptr<VolumeMounts> volume_mounts;
    std::unique_ptr<Formatter> formatter;
    std::unique_ptr<FileItems> file_items;
    std::unique_ptr<Prompter> prompter;  // used when the caller gives none
  };
  Machine();
  // Takes the ports, adds the internet port over the sockets, and points
  // the Platform at all of them; `prompter` wins over ports.prompter.
  void Wire(Ports ports, Prompter* prompter);

  SystemServices system_;
  Ports ports_;
  std::unique_ptr<Internet> internet_;
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

#include <iostream>

#include "platform/device_io.h"
#include "platform/file_items.h"
#include "platform/file_system.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/setup_api.h"
#include "platform/sim/sim_machine.h"
#include "platform/stream_prompter.h"
#include "platform/system_services.h"
#include "platform/volume_mounts.h"
#include "platform/wmi.h"
#include "platform/wnet.h"

namespace tw {
namespace {

class SimulatedMachine final : public Machine {
 public:
  SimulatedMachine(const std::filesystem::path& folder, Prompter* prompter)
      : machine_(std::make_unique<sim::SimMachine>(folder, *system_.code_page)) {
    Ports p;
    p.device_io = sim::NewSimDeviceIo(*machine_);
    p.setup_api = sim::NewSimSetupApi(*machine_);
    p.wmi = sim::NewSimWmi(*machine_);
    p.registry = sim::NewSimRegistry(*machine_);
    p.wnet = sim::NewSimWNet(*machine_);
    p.file_system = sim::NewSimFileSystem(*machine_);
    p.volume_mounts = sim::NewSimVolumeMounts(*machine_);
    p.formatter = sim::NewSimFormatter(*machine_);
    p.file_items = sim::NewSimFileItems(*machine_);
    p.prompter = std::make_unique<StreamPrompter>(std::cerr, false);
    Wire(std::move(p), prompter);
  }
  ~SimulatedMachine() override { ports_ = Ports{}; }  // the ports use the machine: they go first
  sim::SimMachine* simulated() override { return machine_.get(); }

 private:
  std::unique_ptr<sim::SimMachine> machine_;
};

}  // namespace

std::unique_ptr<Machine> NewSimulatedMachine(const std::filesystem::path& folder, Prompter* prompter) {
  return std::make_unique<SimulatedMachine>(folder, prompter);
}

}  // namespace tw

#include <cstdlib>
#include <cstring>

#include "platform/device_io.h"
#include "platform/machine.h"
#include "platform/setup_api.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/state_folder.h"
#include "platform/sockets.h"
#include "platform/stream_prompter.h"
#include <iostream>
#include "platform/system_services.h"
#include "platform/wmi.h"
#include "platform/registry.h"
#include "platform/wnet.h"
#include "platform/file_system.h"
#include "platform/internet.h"
#include "platform/volume_mounts.h"

namespace tw {
namespace {

class SimulatedMachine final : public Machine {
 public:
  SimulatedMachine(const std::filesystem::path& folder, Prompter* prompter) : system_(NewSystemServices()) {
    machine_ = std::make_unique<sim::SimMachine>(folder, *system_.code_page);
    device_io_ = sim::NewSimDeviceIo(*machine_);
    setup_api_ = sim::NewSimSetupApi(*machine_);
    wmi_ = sim::NewSimWmi(*machine_);
    registry_ = sim::NewSimRegistry(*machine_);
    wnet_ = sim::NewSimWNet(*machine_);
    file_system_ = sim::NewSimFileSystem(*machine_);
    platform_.registry = registry_.get();
    platform_.wnet = wnet_.get();
    platform_.file_system = file_system_.get();
    volume_mounts_ = sim::NewSimVolumeMounts(*machine_);
    formatter_ = sim::NewSimFormatter(*machine_);
    platform_.volume_mounts = volume_mounts_.get();
    platform_.formatter = formatter_.get();
    platform_.device_io = device_io_.get();
    platform_.setup_api = setup_api_.get();
    platform_.wmi = wmi_.get();
    platform_.memory = system_.memory.get();
    platform_.clock = system_.clock.get();
    platform_.code_page = system_.code_page.get();
    platform_.diagnostics = system_.diagnostics.get();
    platform_.sockets = system_.sockets.get();
    internet_ = NewSystemInternet(*system_.sockets);
    platform_.internet = internet_.get();
    if (!prompter) {
      own_prompter_ = std::make_unique<StreamPrompter>(std::cerr, false);
      prompter = own_prompter_.get();
    }
    platform_.prompter = prompter;
  }
  sim::SimMachine* simulated() override { return machine_.get(); }

 private:
  SystemServices system_;
  std::unique_ptr<sim::SimMachine> machine_;
  std::unique_ptr<DeviceIo> device_io_;
  std::unique_ptr<SetupApi> setup_api_;
  std::unique_ptr<WmiService> wmi_;
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<WNet> wnet_;
  std::unique_ptr<FileSystem> file_system_;
  std::unique_ptr<Internet> internet_;
  std::unique_ptr<VolumeMounts> volume_mounts_;
  std::unique_ptr<Formatter> formatter_;
  std::unique_ptr<Prompter> own_prompter_;
};

}  // namespace

std::unique_ptr<Machine> NewSimulatedMachine(const std::filesystem::path& folder, Prompter* prompter) {
  return std::make_unique<SimulatedMachine>(folder, prompter);
}

}  // namespace tw

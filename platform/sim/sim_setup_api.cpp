// Device-interface enumeration of the simulated machine: a storage port of
// another maker, then the virtual adapter when it is present.
#include <map>
#include <mutex>
#include <vector>

#include "platform/setup_api.h"
#include "platform/sim/sim_machine.h"

namespace tw::sim {
namespace {

const char16_t kOtherPortPath[] =
    u"\\\\?\\pci#ven_8086&dev_2922&subsys_11001af4&rev_02#3&267a616a&0&fa#{2accfe60-c130-11d2-b082-00a0c91efb8b}";

class SimSetupApi final : public SetupApi {
 public:
  explicit SimSetupApi(SimMachine& machine) : machine_(machine) {}

  Status GetClassDevs(const Guid& interface_class, uint32_t flags, DevInfoSet* set) override {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<std::u16string> paths;
    if (interface_class == kGuidDevInterfaceStoragePort) {
      std::shared_ptr<const MachineState> state_now;
      if (Status st = machine_.Current(&state_now)) return st;
      const MachineState& state = *state_now;
      paths.push_back(kOtherPortPath);
      if (state.adapter_present) paths.push_back(kAdapterInterfacePath);
    }
    DevInfoSet id = next_++;
    sets_[id] = std::move(paths);
    *set = id;
    return kOk;
  }

  Status GetInterfacePath(DevInfoSet set, const Guid& interface_class, uint32_t index, uint32_t detail_bytes,
                          std::u16string* path) override {
    std::lock_guard<std::mutex> hold(mutex_);
    auto it = sets_.find(set);
    if (it == sets_.end()) return kErrInvalidHandle;
    if (index >= it->second.size()) return kErrNoMoreItems;
    const std::u16string& p = it->second[index];
    // SP_DEVICE_INTERFACE_DETAIL_DATA_W: the size field, then the path and its NUL.
    if (detail_bytes < 4 + (p.size() + 1) * 2) return kErrInsufficientBuffer;
    *path = p;
    return kOk;
  }

  void DestroyDeviceInfoList(DevInfoSet set) override {
    std::lock_guard<std::mutex> hold(mutex_);
    sets_.erase(set);
  }

 private:
  SimMachine& machine_;
  std::map<DevInfoSet, std::vector<std::u16string>> sets_;
  std::mutex mutex_;  // guards the tables: Explorer calls from several threads
  DevInfoSet next_ = 0x5000;
};

}  // namespace

std::unique_ptr<SetupApi> NewSimSetupApi(SimMachine& machine) { return std::make_unique<SimSetupApi>(machine); }

}  // namespace tw::sim

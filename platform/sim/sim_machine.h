// The simulated machine: the drivers' side of every request, with its state
// in the state folder. Each request is atomic with respect to every other
// program and thread on the same folder; the parsed state stays in memory
// and is read again only after another program changed it.
#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/sim/drivers.h"
#include "platform/sim/machine_state.h"
#include "platform/sim/state_folder.h"

namespace tw {
class CodePage;
class DeviceIo;
class SetupApi;
class WmiService;
class Registry;
class WNet;
class FileSystem;
class VolumeMounts;
class Formatter;
class FileItems;
}  // namespace tw

namespace tw::sim {

// The adapter's device-interface path.
extern const char16_t kAdapterInterfacePath[];

class SimMachine {
 public:
  SimMachine(std::filesystem::path folder, CodePage& code_page);

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path state_file() const { return folder_ / "machine.state"; }

  // The state; a machine that never ran is empty. kErrFileCorrupt when the
  // file is unreadable (last_error() says why).
  Status Load(MachineState* state);
  // The same without a copy; the object is never changed in place.
  Status Current(std::shared_ptr<const MachineState>* state);
  // Writes the whole state, whatever the file held (a damaged one included).
  Status Save(const MachineState& state);
  // Load, change, save as one request. The change returns false to skip the save.
  Status Update(const std::function<bool(MachineState&)>& change);
  std::string last_error() const;
  // Bumped by every change any program makes; cheap enough to poll.
  uint64_t generation() { return state_.PeekGeneration(); }

  DriverContext context() const;
  CodePage& code_page() { return code_page_; }

 private:
  std::filesystem::path folder_;
  CodePage& code_page_;
  SharedState<MachineState> state_;
  mutable std::mutex error_mutex_;
  std::string last_error_;
  void NoteError(Status st, const std::string& why);
};

// Ports over a machine.
std::unique_ptr<DeviceIo> NewSimDeviceIo(SimMachine& machine);
std::unique_ptr<SetupApi> NewSimSetupApi(SimMachine& machine);
std::unique_ptr<WmiService> NewSimWmi(SimMachine& machine);
std::unique_ptr<Registry> NewSimRegistry(SimMachine& machine);
std::unique_ptr<WNet> NewSimWNet(SimMachine& machine);
std::unique_ptr<FileSystem> NewSimFileSystem(SimMachine& machine);
std::unique_ptr<VolumeMounts> NewSimVolumeMounts(SimMachine& machine);
std::unique_ptr<Formatter> NewSimFormatter(SimMachine& machine);
std::unique_ptr<FileItems> NewSimFileItems(SimMachine& machine);

// The WMI objects of the machine, for the simulated WMI and for tests.
// Own disks are \\.\PHYSICALDRIVE<slot + 1>; drive 0 is the system disk of
// another maker (C:).
std::u16string DiskDeviceId(int slot);
int SlotOfDiskDeviceId(const std::u16string& device_id);  // -1 if none

}  // namespace tw::sim

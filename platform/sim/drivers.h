// The maker's drivers as the simulated machine answers them: the virtual
// SCSI adapter's plug/unplug/query, the vendor SCSI commands of a plugged
// disk, and the virtual volume driver. Pure functions over MachineState,
// so each request is one load-change-save of the state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/status.h"
#include "platform/sim/machine_state.h"

namespace tw {
class CodePage;
}

namespace tw::sim {

// Where a Win32 path's file lives on this host: on Windows the path itself;
// elsewhere "Z:\" is the host root (as under Wine) and other drives are
// folders of the state folder. Empty for paths that are no "X:\" paths.
std::string HostPathFor(const std::u16string& win32_path, const std::string& state_folder);

struct DriverContext {
  std::string state_folder;  // UTF-8
  CodePage* code_page = nullptr;
};

// VSCSI_CTL_PLUG: an NT status (0 on success).
Status PlugDevice(MachineState& state, const DriverContext& ctx, ConstByteSpan record);
// VSCSI_CTL_QUERY: the answer record for slot record[0].
void QueryDevice(const MachineState& state, ByteSpan record);
Status UnplugDevice(MachineState& state, uint8_t slot);

// One vendor SCSI command to the disk of a slot.
struct ScsiResult {
  bool check_condition = false;
  uint32_t sense_information = 0;  // why it was refused
  uint32_t transferred = 0;        // bytes the command has (may exceed what fitted)
};
// Reasons given in the sense information of a refused command.
constexpr uint32_t kSenseUnknownSnapshot = 1;
constexpr uint32_t kSenseHasChildren = 2;
constexpr uint32_t kSenseIsCurrent = 3;
constexpr uint32_t kSenseNotSupported = 4;
constexpr uint32_t kSenseBadData = 5;
constexpr uint32_t kSenseWrongSecret = 6;
constexpr uint32_t kSenseNothingToRevert = 7;
constexpr uint32_t kSenseDuplicateName = 8;
constexpr uint32_t kSenseInvalidOpcode = 0x20;
// `data` is the transfer buffer (length = the request's transfer length);
// data_in tells its direction.
ScsiResult VendorCommand(MachineState& state, int slot, const uint8_t cdb[16], bool data_in, ByteSpan data,
                         CodePage& code_page);
bool SupportsSnapshots(const Slot& slot);

// Volume driver requests; Win32 errors as DeviceIoControl gives them.
Status MountVolume(MachineState& state, ConstByteSpan record);
// Index of the entry whose VolumeName is `name` ("Volume{...}"), or -1.
int FindVolume(const MachineState& state, const std::u16string& name);

}  // namespace tw::sim

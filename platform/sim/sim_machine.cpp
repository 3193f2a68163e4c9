#include "platform/sim/sim_machine.h"

#include "base/text.h"
#include "platform/sim/state_folder.h"

namespace tw::sim {

const char16_t kAdapterInterfacePath[] =
    u"\\\\?\\pci#vscsiprt&ven_5654&dev_0001#3&2b1f7c5&0&00#{2accfe60-c130-11d2-b082-00a0c91efb8b}";

SimMachine::SimMachine(std::filesystem::path folder, CodePage& code_page)
    : folder_(std::move(folder)),
      code_page_(code_page),
      state_(folder_, "machine.state", kMachineStateSlot, ParseState, SerializeState) {}

void SimMachine::NoteError(Status st, const std::string& why) {
  if (st == kOk || why.empty()) return;
  std::lock_guard<std::mutex> hold(error_mutex_);
  last_error_ = why;
}

std::string SimMachine::last_error() const {
  std::lock_guard<std::mutex> hold(error_mutex_);
  return last_error_;
}

Status SimMachine::Current(std::shared_ptr<const MachineState>* state) {
  std::string why;
  Status st = state_.Read(state, &why);
  NoteError(st, why);
  return st;
}

Status SimMachine::Load(MachineState* state) {
  std::shared_ptr<const MachineState> current;
  if (Status st = Current(&current)) return st;
  *state = *current;
  return kOk;
}

Status SimMachine::Save(const MachineState& state) {
  std::string why;
  Status st = state_.Replace(state, &why);
  NoteError(st, why);
  return st;
}

Status SimMachine::Update(const std::function<bool(MachineState&)>& change) {
  std::string why;
  Status st = state_.Update(
      [&](MachineState& s, bool* save) {
        *save = change(s);
        return kOk;
      },
      &why);
  NoteError(st, why);
  return st;
}

DriverContext SimMachine::context() const {
  DriverContext c;
  c.state_folder = folder_.u8string();
  c.code_page = &code_page_;
  return c;
}

std::u16string DiskDeviceId(int slot) { return u"\\\\.\\PHYSICALDRIVE" + U16(std::to_string(slot + 1)); }

int SlotOfDiskDeviceId(const std::u16string& id) {
  std::u16string prefix = u"\\\\.\\PHYSICALDRIVE";
  if (!StartsWithNoCase(id, prefix) || id.size() != prefix.size() + 1) return -1;
  char16_t d = id.back();
  if (d < u'1' || d > u'8') return -1;
  return d - u'1';
}

}  // namespace tw::sim

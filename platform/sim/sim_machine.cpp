#include "platform/sim/sim_machine.h"

#include "base/text.h"
#include "platform/sim/state_folder.h"

namespace tw::sim {

const char16_t kAdapterInterfacePath[] =
    u"\\\\?\\pci#vscsiprt&ven_5654&dev_0001#3&2b1f7c5&0&00#{2accfe60-c130-11d2-b082-00a0c91efb8b}";

SimMachine::SimMachine(std::filesystem::path folder, CodePage& code_page)
    : folder_(std::move(folder)), code_page_(code_page) {}

Status SimMachine::Load(MachineState* state) {
  std::error_code ec;
  if (!std::filesystem::exists(state_file(), ec)) {
    *state = MachineState{};
    return kOk;
  }
  std::string text;
  if (!ReadWholeFile(state_file(), &text)) {
    last_error_ = "cannot read " + state_file().u8string();
    return kErrFileCorrupt;
  }
  // Most requests find the state as the last one left it: parse only changes.
  if (text == cached_text_) {
    *state = cached_state_;
    return kOk;
  }
  std::string why;
  Status st = ParseState(text, state, &why);
  if (st != kOk) {
    last_error_ = state_file().u8string() + ": " + why;
    return st;
  }
  cached_text_ = std::move(text);
  cached_state_ = *state;
  return kOk;
}

Status SimMachine::Save(const MachineState& state) {
  if (!WriteFileAtomically(state_file(), SerializeState(state))) {
    last_error_ = "cannot write " + state_file().u8string();
    return kErrAccessDenied;
  }
  return kOk;
}

Status SimMachine::Update(const std::function<bool(MachineState&)>& change) {
  MachineState state;
  Status st = Load(&state);
  if (st != kOk) return st;
  if (!change(state)) return kOk;
  return Save(state);
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

// Any bytes as the state file: refused or parsed, never a crash; what parses
// serializes to text that parses to the same. Inputs are tried as they are
// and sealed with a valid checksum, so the line parser is reached too.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/machine_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string raw(reinterpret_cast<const char*>(data), size);
  std::string sealed = tw::sim::SealState("tarnwick-sim-machine 1\n" + raw + (raw.empty() ? "" : "\n"));
  for (const std::string& text : {raw, sealed}) {
    tw::sim::MachineState state;
    std::string error;
    if (tw::sim::ParseState(text, &state, &error) != tw::kOk) continue;
    std::string again = tw::sim::SerializeState(state);
    tw::sim::MachineState back;
    if (tw::sim::ParseState(again, &back, &error) != tw::kOk || tw::sim::SerializeState(back) != again) std::abort();
  }
  return 0;
}

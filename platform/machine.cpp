#include "platform/machine.h"

#include <cstdlib>
#include <cstring>

#include "platform/sim/state_folder.h"

namespace tw {

#ifdef _WIN32
std::unique_ptr<Machine> NewWin32Machine(Prompter* prompter);  // platform/win32
#endif

bool UsesSimulatedMachine() {
#ifdef _WIN32
  const char* m = std::getenv("TARNWICK_MACHINE");
  return m && std::strcmp(m, "sim") == 0;
#else
  return true;  // no drivers outside Windows
#endif
}

std::unique_ptr<Machine> NewMachine(Prompter* prompter) {
#ifdef _WIN32
  if (!UsesSimulatedMachine()) return NewWin32Machine(prompter);
#endif
  return NewSimulatedMachine(SimStateFolder(), prompter);
}

}  // namespace tw

// The system services of the build (POSIX natively, kernel32/ws2_32 on
// Windows), and the machine ports: the real drivers on Windows, or the
// simulated machine.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/platform.h"

namespace tw {

class Sockets;
class VirtualMemory;
class Clock;
class CodePage;
class Diagnostics;
class DeviceIo;
class SetupApi;
class WmiService;
class Prompter;
class Registry;

// Services every build has.
struct SystemServices {
  std::unique_ptr<VirtualMemory> memory;
  std::unique_ptr<Clock> clock;
  std::unique_ptr<CodePage> code_page;
  std::unique_ptr<Diagnostics> diagnostics;
  std::unique_ptr<Sockets> sockets;
};
SystemServices NewSystemServices();

}  // namespace tw

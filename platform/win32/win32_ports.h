// Factories of the Win32 port implementations.
#pragma once

#include <memory>

namespace tw {
class DeviceIo;
class SetupApi;
class WmiService;
class Prompter;

std::unique_ptr<DeviceIo> NewWin32DeviceIo();
std::unique_ptr<SetupApi> NewWin32SetupApi();
// WMI over COM; the calling thread must have COM initialised.
std::unique_ptr<WmiService> NewWin32Wmi();
std::unique_ptr<Prompter> NewMessageBoxPrompter();

}  // namespace tw

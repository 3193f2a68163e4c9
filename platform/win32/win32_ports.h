// Factories of the Win32 port implementations.
#pragma once

#include <memory>

namespace tw {
class DeviceIo;
class SetupApi;
class WmiService;
class Prompter;
class Registry;
class WNet;
class FileSystem;
class VolumeMounts;
class Formatter;
class FileItems;

std::unique_ptr<DeviceIo> NewWin32DeviceIo();
std::unique_ptr<SetupApi> NewWin32SetupApi();
// WMI over COM; the calling thread must have COM initialised.
std::unique_ptr<WmiService> NewWin32Wmi();
std::unique_ptr<Prompter> NewMessageBoxPrompter();
std::unique_ptr<Registry> NewWin32Registry();
std::unique_ptr<WNet> NewWin32WNet();
std::unique_ptr<FileSystem> NewWin32FileSystem();
std::unique_ptr<VolumeMounts> NewWin32VolumeMounts();
std::unique_ptr<Formatter> NewWin32Formatter();
std::unique_ptr<FileItems> NewWin32FileItems();

}  // namespace tw

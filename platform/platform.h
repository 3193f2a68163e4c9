// The ports handed down to the portable core. The program builds one
// (Win32 or simulated) and passes it by reference; nothing is global.
// Every pointer is non-null in a Platform given to the core; a test may
// copy one and replace a single port (for fault injection).
#pragma once

namespace tw {

class DeviceIo;
class SetupApi;
class WmiService;
class VirtualMemory;
class Clock;
class CodePage;
class Diagnostics;
class Prompter;
class Sockets;
class Registry;
class WNet;
class FileSystem;
class Internet;
class VolumeMounts;
class Formatter;
class FileItems;

struct Platform {
  DeviceIo* device_io = nullptr;
  SetupApi* setup_api = nullptr;
  WmiService* wmi = nullptr;
  VirtualMemory* memory = nullptr;
  Clock* clock = nullptr;
  CodePage* code_page = nullptr;
  Diagnostics* diagnostics = nullptr;
  Prompter* prompter = nullptr;
  Sockets* sockets = nullptr;
  Registry* registry = nullptr;
  WNet* wnet = nullptr;
  FileSystem* file_system = nullptr;
  Internet* internet = nullptr;
  VolumeMounts* volume_mounts = nullptr;
  Formatter* formatter = nullptr;
  FileItems* file_items = nullptr;
};

}  // namespace tw

// The real machine: the maker's drivers through the Win32 ports.
#include <objbase.h>

#include "platform/device_io.h"
#include "platform/machine.h"
#include "platform/prompter.h"
#include "platform/setup_api.h"
#include "platform/sockets.h"
#include "platform/system_services.h"
#include "platform/win32/win32_ports.h"
#include "platform/wmi.h"
#include "platform/registry.h"
#include "platform/wnet.h"
#include "platform/file_items.h"
#include "platform/file_system.h"
#include "platform/internet.h"
#include "platform/volume_mounts.h"

namespace tw {
namespace {

class Win32Machine final : public Machine {
 public:
  explicit Win32Machine(Prompter* prompter) {
    // WMI needs COM on this thread; a thread that already has it keeps its model.
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    Ports p;
    p.device_io = NewWin32DeviceIo();
    p.setup_api = NewWin32SetupApi();
    p.wmi = NewWin32Wmi();
    p.registry = NewWin32Registry();
    p.wnet = NewWin32WNet();
    p.file_system = NewWin32FileSystem();
    p.volume_mounts = NewWin32VolumeMounts();
    p.formatter = NewWin32Formatter();
    p.file_items = NewWin32FileItems();
    p.prompter = NewMessageBoxPrompter();
    Wire(std::move(p), prompter);
  }
  ~Win32Machine() override {
    ports_ = Ports{};  // COM objects go before COM does
    if (com_) CoUninitialize();
  }

 private:
  bool com_ = false;
};

}  // namespace

std::unique_ptr<Machine> NewWin32Machine(Prompter* prompter) { return std::make_unique<Win32Machine>(prompter); }

}  // namespace tw

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
#include "platform/file_system.h"
#include "platform/internet.h"
#include "platform/volume_mounts.h"

namespace tw {
namespace {

class Win32Machine final : public Machine {
 public:
  explicit Win32Machine(Prompter* prompter) : system_(NewSystemServices()) {
    // WMI needs COM on this thread; a thread that already has it keeps its model.
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    device_io_ = NewWin32DeviceIo();
    setup_api_ = NewWin32SetupApi();
    wmi_ = NewWin32Wmi();
    registry_ = NewWin32Registry();
    wnet_ = NewWin32WNet();
    file_system_ = NewWin32FileSystem();
    platform_.registry = registry_.get();
    platform_.wnet = wnet_.get();
    platform_.file_system = file_system_.get();
    volume_mounts_ = NewWin32VolumeMounts();
    formatter_ = NewWin32Formatter();
    platform_.volume_mounts = volume_mounts_.get();
    platform_.formatter = formatter_.get();
    if (!prompter) {
      own_prompter_ = NewMessageBoxPrompter();
      prompter = own_prompter_.get();
    }
    platform_.device_io = device_io_.get();
    platform_.setup_api = setup_api_.get();
    platform_.wmi = wmi_.get();
    platform_.memory = system_.memory.get();
    platform_.clock = system_.clock.get();
    platform_.code_page = system_.code_page.get();
    platform_.diagnostics = system_.diagnostics.get();
    platform_.sockets = system_.sockets.get();
    internet_ = NewSystemInternet(*system_.sockets);
    platform_.internet = internet_.get();
    platform_.prompter = prompter;
  }
  ~Win32Machine() override {
    wmi_.reset();
    if (com_) CoUninitialize();
  }

 private:
  SystemServices system_;
  bool com_ = false;
  std::unique_ptr<DeviceIo> device_io_;
  std::unique_ptr<SetupApi> setup_api_;
  std::unique_ptr<WmiService> wmi_;
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<WNet> wnet_;
  std::unique_ptr<FileSystem> file_system_;
  std::unique_ptr<Internet> internet_;
  std::unique_ptr<VolumeMounts> volume_mounts_;
  std::unique_ptr<Formatter> formatter_;
  std::unique_ptr<Prompter> own_prompter_;
};

}  // namespace

std::unique_ptr<Machine> NewWin32Machine(Prompter* prompter) { return std::make_unique<Win32Machine>(prompter); }

}  // namespace tw

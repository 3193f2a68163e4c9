#include "platform/device_io.h"
#include "platform/file_items.h"
#include "platform/file_system.h"
#include "platform/internet.h"
#include "platform/machine.h"
#include "platform/prompter.h"
#include "platform/registry.h"
#include "platform/setup_api.h"
#include "platform/sockets.h"
#include "platform/system_services.h"
#include "platform/volume_mounts.h"
#include "platform/wmi.h"
#include "platform/wnet.h"

namespace tw {

Machine::Machine() : system_(NewSystemServices()) {}
Machine::~Machine() = default;

void Machine::Wire(Ports ports, Prompter* prompter) {
  ports_ = std::move(ports);
  internet_ = NewSystemInternet(*system_.sockets);
  platform_.device_io = ports_.device_io.get();
  platform_.setup_api = ports_.setup_api.get();
  platform_.wmi = ports_.wmi.get();
  platform_.registry = ports_.registry.get();
  platform_.wnet = ports_.wnet.get();
  platform_.file_system = ports_.file_system.get();
  platform_.volume_mounts = ports_.volume_mounts.get();
  platform_.formatter = ports_.formatter.get();
  platform_.file_items = ports_.file_items.get();
  platform_.memory = system_.memory.get();
  platform_.clock = system_.clock.get();
  platform_.code_page = system_.code_page.get();
  platform_.diagnostics = system_.diagnostics.get();
  platform_.sockets = system_.sockets.get();
  platform_.internet = internet_.get();
  platform_.prompter = prompter ? prompter : ports_.prompter.get();
}

}  // namespace tw

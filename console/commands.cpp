// The command table. Each area of the product adds its commands here.
#include "console/console.h"
#include "console/device_commands.h"

namespace tw::console {

const std::vector<Command>& Commands() {
  static const std::vector<Command> table = {
      {"list", "", "Lists the plugged devices (slot, type, capacity, access, letters, location) and virtual folders.",
       ListCommand},
      {"unplug", "SLOT", "Removes the device of a slot.", UnplugCommand},
      {"sim", "status | hold VOLUME | release VOLUME | adapter on|off | partitions N [--unlettered M] | reset | "
              "plug-image SLOT PATH [--create MB] | plug-cd SLOT PATH",
       "Sets up the simulated machine (VOLUME is a drive like E: or a Volume{...} name).", SimCommand},
  };
  return table;
}

}  // namespace tw::console

#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

// tarnwick protect ...: the shell extension's commands on protected items.
int ProtectCommand(Context& ctx, const std::vector<std::string>& args);
// tarnwick vvfs ...: sets up and shows the simulated protected volumes.
int VvfsCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

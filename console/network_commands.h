#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

int DiscoverCommand(Context& ctx, const std::vector<std::string>& args);
int PortalsCommand(Context& ctx, const std::vector<std::string>& args);
int SnapshotCommand(Context& ctx, const std::vector<std::string>& args);
int CloudCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

// tarnwick discover / portals: the iSCSI initiator's discovery and the
// portal manager's list, over the same models as the windows.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

int DiscoverCommand(Context& ctx, const std::vector<std::string>& args);
int PortalsCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

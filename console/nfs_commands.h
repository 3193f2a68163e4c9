#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

int NfsCommand(Context& ctx, const std::vector<std::string>& args);
int ServersCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

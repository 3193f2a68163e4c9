// tarnwick cloud verify USER [--password P]   server, port and disk name
// tarnwick cloud mount USER [--password P]    plugs the account's disk
// The verification host is CloudVerifyHost() (TARNWICK_CLOUD_HOST); the
// requests go through the platform's internet port.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

int CloudCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

// "forget-settings": removes what the programs wrote to the registry of
// their own accord, so that an uninstall leaves nothing behind.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

// forget-settings --machine | --user. Says nothing when it worked.
int ForgetSettingsCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

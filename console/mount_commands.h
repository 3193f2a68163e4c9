#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

int DeviceListCommand(Context& ctx, const std::vector<std::string>& args);
int MountCommandLine(Context& ctx, const std::vector<std::string>& args);
int UnmountCommandLine(Context& ctx, const std::vector<std::string>& args);
int FolderCommand(Context& ctx, const std::vector<std::string>& args);
int MountIscsiCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

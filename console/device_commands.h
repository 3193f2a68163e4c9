#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "storagebus/records.h"

namespace tw::console {

int ListCommand(Context& ctx, const std::vector<std::string>& args);
int UnplugCommand(Context& ctx, const std::vector<std::string>& args);
int SimCommand(Context& ctx, const std::vector<std::string>& args);

std::string FormatBytes(uint64_t bytes);
std::string DeviceLocation(const DeviceRecord& record, CodePage& code_page);

}  // namespace tw::console

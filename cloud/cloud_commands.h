// The console's "cloud" commands:
//   tarnwick cloud verify USER [--password P]   server, port and disk name
//   tarnwick cloud mount USER [--password P]    plugs the account's disk
// `args` are the words after "cloud". The verification host is
// CloudVerifyHost() (TARNWICK_CLOUD_HOST). Returns the exit code: 0 done,
// 1 failed, 2 bad usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tw {

struct Platform;
class Internet;

// Over the system internet port (built on platform.sockets).
int RunCloudCommand(const std::vector<std::string>& args, const Platform& platform,
                    std::ostream& out, std::ostream& err);
int RunCloudCommand(const std::vector<std::string>& args, const Platform& platform,
                    Internet& internet, std::ostream& out, std::ostream& err);

}  // namespace tw

// Console front end of the iSCSI initiator (the `tarnwick` program wires
// these in):
//   tarnwick discover HOST[:PORT] [--value All|Shared|Private]
//                     [--chap-user U --chap-secret S [--allow-ntauth]]
//   tarnwick portals [add HOST[:PORT] | remove HOST[:PORT]]
// `args` are the words after the command name (a leading "discover" or
// "portals" is skipped too). Results: 0 success, 1 failure (the message,
// with the error number, on err), 2 bad usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tw {

int RunDiscoverCommand(const std::vector<std::string>& args, const Platform& platform,
                       std::ostream& out, std::ostream& err);
int RunPortalsCommand(const std::vector<std::string>& args, const Platform& platform,
                      std::ostream& out, std::ostream& err);

}  // namespace tw

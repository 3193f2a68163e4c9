// The simulated NFS network provider's checks, shared by the simulated WNet
// and the redirector: reading the options block a connection carries and
// matching paths against a server's exports.
#pragma once

#include <map>
#include <string>

#include "base/bytes.h"
#include "base/status.h"
#include "platform/sim/machine_state.h"

namespace tw::sim {

// The options of a ShareMountOptions block by name (UTF-8), or false when
// the block is malformed: wrong tag, lengths past the block, a missing
// terminator, a bad next-entry offset, a duplicate name.
bool ReadMountOptions(ConstByteSpan block, std::map<std::string, std::string>* options);

// "/export//home\" -> "\export\home": one separator form, no doubles, no trailing one.
std::string NormalizeExportPath(const std::string& path);

// The server a host text names ("127.0.0.1", "localhost"), or null.
const NfsServer* FindNfsServer(const MachineState& state, const std::string& host, uint16_t port);
// 0 when `path` is an export of the server or lies inside one.
bool ServerExports(const NfsServer& server, const std::string& path);

}  // namespace tw::sim

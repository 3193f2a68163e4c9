// The console's "snapshot" command, over the same models the windows use:
//   tarnwick snapshot list SLOT [--layout]
//   tarnwick snapshot take SLOT NAME [--description TEXT] [--from SNAPSHOT]
//   tarnwick snapshot revert SLOT                      back to the current snapshot
//   tarnwick snapshot goto SLOT SNAPSHOT
//   tarnwick snapshot merge SLOT SNAPSHOT
//   tarnwick snapshot delete SLOT SNAPSHOT
//   tarnwick snapshot rename SLOT SNAPSHOT NEW-NAME [--description TEXT]
// SNAPSHOT is a snapshot's name, or its identifier when no snapshot has that
// name. `args` are the words after "snapshot". Questions and messages go to
// the platform's prompter; the command's own lines go to out and err.
// Returns 0 on success, 1 when the operation failed or was declined, 2 on
// bad usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tw {

struct Platform;

int RunSnapshotCommand(const std::vector<std::string>& args, const Platform& platform, bool assume_yes,
                       std::ostream& out, std::ostream& err);

}  // namespace tw

// The console's "snapshot" command, over the same models the windows use:
//   tarnwick snapshot list SLOT [--layout]
//   tarnwick snapshot take SLOT NAME [--description TEXT] [--from SNAPSHOT]
//   tarnwick snapshot revert SLOT                      back to the current snapshot
//   tarnwick snapshot goto SLOT SNAPSHOT
//   tarnwick snapshot merge SLOT SNAPSHOT
//   tarnwick snapshot delete SLOT SNAPSHOT
//   tarnwick snapshot rename SLOT SNAPSHOT NEW-NAME [--description TEXT]
// SNAPSHOT is a snapshot's name, or its identifier when no snapshot has that
// name. Questions and messages go to the platform's prompter; the command's
// own lines go to out and err. Exit 1 also when a question was answered No.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace tw::console {

int SnapshotCommand(Context& ctx, const std::vector<std::string>& args);

}  // namespace tw::console

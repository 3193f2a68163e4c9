// Where the simulated machine keeps its state, so that devices outlive the
// program and several programs (GUI, console, tests) share one machine.
#pragma once

#include <filesystem>

namespace tw {

// TARNWICK_SIM_STATE when set; otherwise a per-user folder:
// $XDG_STATE_HOME/tarnwick-sim or ~/.local/state/tarnwick-sim on Linux,
// %LOCALAPPDATA%\TarnwickSim on Windows. The folder is not created here.
std::filesystem::path SimStateFolder();

// Writes a file so that readers see either the old or the new content,
// never a part: a temporary file beside it, flushed, then renamed over it.
// Returns false (and leaves the old file) on any failure.
bool WriteFileAtomically(const std::filesystem::path& file, const std::string& content);

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& file, std::string* content);

}  // namespace tw

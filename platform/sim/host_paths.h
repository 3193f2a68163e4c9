// Where the simulated machine's files live on the host: the part of it that
// differs between a Windows host and a POSIX one. The build picks
// host_paths_win32.cpp or host_paths_posix.cpp.
#pragma once

#include <filesystem>
#include <string>

namespace tw::sim {

// The host path of a Win32 path already checked to be "X:\..." (`drive`
// is the upper-case letter); empty when the path is refused.
std::string HostPathOfDrivePath(char16_t drive, const std::u16string& win32_path, const std::string& state_folder);

// Makes the host folder behind the path's drive exist, as a real drive's
// root would.
void EnsureDriveRoot(const std::filesystem::path& state_folder, const std::u16string& win32_path);

// The state folder when none is named: a per-user folder of the host.
std::filesystem::path DefaultStateFolder();

// The running program's own file, as a Win32 path.
std::u16string ProgramWin32Path();

}  // namespace tw::sim

// On a POSIX host "Z:\" is the host root (as under Wine) and the other
// drives are folders of the state folder.
#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "base/text.h"
#include "platform/sim/host_paths.h"

namespace tw::sim {

namespace fs = std::filesystem;

std::string HostPathOfDrivePath(char16_t drive, const std::u16string& win32_path, const std::string& state_folder) {
  std::string rest = Utf16ToUtf8(win32_path.substr(3));
  std::replace(rest.begin(), rest.end(), '\\', '/');
  if (rest.find("..") != std::string::npos) {
    // Keep a path inside its drive: ".." components are refused.
    for (size_t p = 0; (p = rest.find("..", p)) != std::string::npos; p += 2) {
      bool start = p == 0 || rest[p - 1] == '/';
      bool end = p + 2 == rest.size() || rest[p + 2] == '/';
      if (start && end) return {};
    }
  }
  if (drive == u'Z') return "/" + rest;
  return state_folder + "/drive_" + static_cast<char>(drive | 0x20) + "/" + rest;
}

void EnsureDriveRoot(const fs::path& state_folder, const std::u16string& win32_path) {
  char16_t drive = win32_path.empty() ? 0 : (win32_path[0] | 0x20);
  std::error_code ec;
  if (drive >= u'a' && drive <= u'y')
    fs::create_directories(state_folder / ("drive_" + std::string(1, static_cast<char>(drive))), ec);
}

fs::path DefaultStateFolder() {
  if (const char* s = std::getenv("XDG_STATE_HOME"); s && *s) return fs::u8path(s) / "tarnwick-sim";
  if (const char* s = std::getenv("HOME"); s && *s) return fs::u8path(s) / ".local" / "state" / "tarnwick-sim";
  return fs::temp_directory_path() / "tarnwick-sim";
}

std::u16string ProgramWin32Path() {
  std::error_code ec;
  std::string self = fs::read_symlink("/proc/self/exe", ec).string();
  for (char& c : self)
    if (c == '/') c = '\\';
  return U16("Z:" + self);
}

}  // namespace tw::sim

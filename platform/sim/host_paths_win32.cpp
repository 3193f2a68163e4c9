// On a Windows host a Win32 path is its own host path, and drives are real.
#include <windows.h>

#include <cstdlib>

#include "base/text.h"
#include "platform/sim/host_paths.h"

namespace tw::sim {

namespace fs = std::filesystem;

std::string HostPathOfDrivePath(char16_t, const std::u16string& win32_path, const std::string&) {
  return Utf16ToUtf8(win32_path);
}

void EnsureDriveRoot(const fs::path&, const std::u16string&) {}

fs::path DefaultStateFolder() {
  if (const char* s = std::getenv("LOCALAPPDATA"); s && *s) return fs::u8path(s) / "TarnwickSim";
  return fs::temp_directory_path() / "TarnwickSim";
}

std::u16string ProgramWin32Path() {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), n);
}

}  // namespace tw::sim

#include "platform/sim/state_folder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tw {

namespace fs = std::filesystem;

fs::path SimStateFolder() {
  if (const char* s = std::getenv("TARNWICK_SIM_STATE"); s && *s) return fs::u8path(s);
#ifdef _WIN32
  if (const char* s = std::getenv("LOCALAPPDATA"); s && *s) return fs::u8path(s) / "TarnwickSim";
  return fs::temp_directory_path() / "TarnwickSim";
#else
  if (const char* s = std::getenv("XDG_STATE_HOME"); s && *s) return fs::u8path(s) / "tarnwick-sim";
  if (const char* s = std::getenv("HOME"); s && *s) return fs::u8path(s) / ".local" / "state" / "tarnwick-sim";
  return fs::temp_directory_path() / "tarnwick-sim";
#endif
}

bool WriteFileAtomically(const fs::path& file, const std::string& content) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  fs::path tmp = file;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) return false;
  }
  fs::rename(tmp, file, ec);
  if (ec) {
    fs::remove(tmp, ec);
    return false;
  }
  return true;
}

bool ReadWholeFile(const fs::path& file, std::string* content) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  *content = ss.str();
  return !in.bad();
}

}  // namespace tw

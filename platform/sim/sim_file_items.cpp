// File attributes and folder listings of the simulated machine: items of
// protected volumes in their backing folders, other drives where the
// machine maps Win32 paths to.
#include <filesystem>

#include "base/text.h"
#include "platform/file_items.h"
#include "platform/sim/drivers.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"

namespace tw::sim {
namespace {
namespace fs = std::filesystem;

class SimFileItems final : public FileItems {
 public:
  explicit SimFileItems(SimMachine& m) : machine_(m), protected_(m.folder()) {}

  uint32_t GetAttributes(const std::u16string& path) override {
    fs::path host;
    if (!HostFor(path, &host)) return kInvalidFileAttributes;
    std::error_code ec;
    fs::file_status st = fs::status(host, ec);
    if (ec || !fs::exists(st)) return kInvalidFileAttributes;
    return fs::is_directory(st) ? kFileAttributeDirectory : kFileAttributeArchive;
  }

  Status ListFolder(const std::u16string& pattern, std::vector<std::u16string>* names) override {
    names->clear();
    // Only the "folder\*" form the callers use.
    if (pattern.size() < 2 || pattern.compare(pattern.size() - 2, 2, u"\\*") != 0) return kErrInvalidName;
    std::u16string folder = pattern.substr(0, pattern.size() - 2);
    fs::path host;
    if (!HostFor(folder, &host)) return kErrPathNotFound;
    std::error_code ec;
    if (!fs::is_directory(host, ec)) return kErrPathNotFound;
    if (folder.size() > 2) {  // "X:" is a root: no "." and ".."
      names->push_back(u".");
      names->push_back(u"..");
    }
    for (fs::directory_iterator it(host, ec), end; !ec && it != end; it.increment(ec))
      names->push_back(Utf8ToUtf16(it->path().filename().u8string()));
    return kOk;
  }

 private:
  bool HostFor(const std::u16string& path, fs::path* host) {
    std::shared_ptr<const ProtectedState> s;
    if (protected_.Current(&s) == kOk && protected_.HostPath(*s, path, host)) return true;
    std::string h = HostPathFor(path, machine_.folder().u8string());
    if (h.empty()) return false;
    *host = fs::u8path(h);
    return true;
  }

  SimMachine& machine_;
  ProtectedVolumes protected_;
};

}  // namespace

std::unique_ptr<FileItems> NewSimFileItems(SimMachine& machine) { return std::make_unique<SimFileItems>(machine); }

}  // namespace tw::sim

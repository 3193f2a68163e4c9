// DOS device names, volume information and files of the simulated machine:
// the system disk C:, the drives of plugged slots, network drives, and
// files under the host paths the machine maps Win32 paths to.
#include <filesystem>

#include "base/text.h"
#include "platform/file_system.h"
#include "platform/sim/drivers.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/protected_volumes.h"
#include "platform/sim/sim_machine.h"
#include "contracts/storage_drivers.h"

namespace tw::sim {
namespace {
namespace fs = std::filesystem;

bool DriveName(const std::u16string& s, size_t length, char* letter) {
  if (s.size() < 2 || s.size() > length || s[1] != u':') return false;
  char16_t c = s[0] & ~0x20;
  if (c < u'A' || c > u'Z') return false;
  *letter = static_cast<char>(c);
  return true;
}

struct DriveView {
  enum Kind { kNone, kSystem, kDisk, kCd, kNetwork, kOther } kind = kNone;
  int slot = -1;
  bool read_only = false;
  std::string remote;
};

DriveView Lookup(const MachineState& s, char letter) {
  DriveView v;
  if (letter == 'C') {
    v.kind = DriveView::kSystem;
    return v;
  }
  for (int i = 0; i < kSlotCount; ++i) {
    const Slot& slot = s.slots[i];
    if (!slot.used) continue;
    for (char c : slot.partitions)
      if (c == letter) {
        uint8_t type = slot.record[devrec::kDeviceType];
        v.kind = type == kCdRom || type == kCdBurner ? DriveView::kCd : DriveView::kDisk;
        v.slot = i;
        v.read_only = slot.record[devrec::kAccess] > kAccessVirtualWrite;
        return v;
      }
  }
  for (const NetConnection& c : s.net_connections)
    if (c.connected && c.local == std::string(1, letter) + ":") {
      v.kind = DriveView::kNetwork;
      v.remote = c.remote;
      return v;
    }
  if (s.claimed_letters.count(letter)) v.kind = DriveView::kOther;
  return v;
}

class SimFileSystem final : public FileSystem {
 public:
  explicit SimFileSystem(SimMachine& m) : machine_(m), protected_(m.folder()) {}

  Status QueryDosName(const std::u16string& name, std::u16string* target) override {
    char letter;
    if (!DriveName(name, 2, &letter)) return kErrFileNotFound;
    std::shared_ptr<const MachineState> s_now;
    if (Status st = machine_.Current(&s_now)) return st;
    const MachineState& s = *s_now;
    DriveView v = Lookup(s, letter);
    switch (v.kind) {
      case DriveView::kNone: return kErrFileNotFound;
      case DriveView::kSystem: *target = u"\\Device\\HarddiskVolume1"; break;
      case DriveView::kDisk: *target = u"\\Device\\HarddiskVolume" + U16(std::to_string(v.slot + 10)); break;
      case DriveView::kCd: *target = u"\\Device\\CdRom" + U16(std::to_string(v.slot)); break;
      case DriveView::kNetwork:
        *target = u"\\Device\\VNfsRedirector\\;" + std::u16string(1, letter) + u":0" + Utf8ToUtf16(v.remote).substr(1);
        break;
      case DriveView::kOther: *target = u"\\Device\\LanmanRedirector\\;" + std::u16string(1, letter) + u":0"; break;
    }
    return kOk;
  }

  Status GetVolumeInfo(const std::u16string& root, std::u16string* label, uint32_t* serial, uint32_t* flags,
                              std::u16string* file_system) override {
    char letter;
    if (!DriveName(root, 3, &letter) || (root.size() == 3 && root[2] != u'\\')) return kErrInvalidName;
    std::shared_ptr<const MachineState> s_now;
    if (Status st = machine_.Current(&s_now)) return st;
    const MachineState& s = *s_now;
    DriveView v = Lookup(s, letter);
    constexpr uint32_t kBasic = 0x0000001F;  // case-preserving, Unicode, ACLs...
    *serial = 0x5A5A0000u | static_cast<uint32_t>(letter);
    std::shared_ptr<const ProtectedState> protected_state;
    if (protected_.Current(&protected_state) == kOk && protected_state->volumes.count(letter)) {
      *label = Utf8ToUtf16(protected_state->volumes.at(letter).label);
      *file_system = u"VVFS";
      *flags = kBasic;
      return kOk;
    }
    switch (v.kind) {
      case DriveView::kNone:
      case DriveView::kOther: return kErrPathNotFound;
      case DriveView::kSystem: *label = u"System"; *file_system = u"NTFS"; *flags = kBasic | kFileSupportsEncryption; break;
      case DriveView::kDisk:
        *label = u"Virtual Disk";
        *file_system = u"NTFS";
        *flags = kBasic | (v.read_only ? kFileReadOnlyVolume : 0);
        break;
      case DriveView::kCd: *label = u"CD-ROM"; *file_system = u"CDFS"; *flags = 0x7 | kFileReadOnlyVolume; break;
      case DriveView::kNetwork: *label = u"NFS"; *file_system = u"NFS"; *flags = 0x3; break;
    }
    return kOk;
  }

  bool PathExists(const std::u16string& path) override {
    std::string host = HostPathFor(path, machine_.folder().u8string());
    std::error_code ec;
    return !host.empty() && fs::exists(fs::u8path(host), ec);
  }

  Status MakeDirectory(const std::u16string& path) override {
    std::string host = HostPathFor(path, machine_.folder().u8string());
    if (host.empty()) return kErrInvalidName;
    fs::path p = fs::u8path(host);
    while (p.has_relative_path() && p.filename().empty()) p = p.parent_path();  // a trailing separator
    std::error_code ec;
    EnsureDriveRoot(machine_.folder(), path);
    if (fs::exists(p, ec)) return kErrAlreadyExists;
    if (!fs::is_directory(p.parent_path(), ec)) return kErrPathNotFound;
    return fs::create_directory(p, ec) ? kOk : kErrAccessDenied;
  }

  Status RemoveFolder(const std::u16string& path) override {
    std::string host = HostPathFor(path, machine_.folder().u8string());
    std::error_code ec;
    fs::path p = fs::u8path(host);
    if (host.empty() || !fs::is_directory(p, ec)) return kErrPathNotFound;
    if (!fs::is_empty(p, ec)) return 145;  // ERROR_DIR_NOT_EMPTY
    return fs::remove(p, ec) ? kOk : kErrAccessDenied;
  }

  std::u16string ProgramPath() override { return ProgramWin32Path(); }

 private:
  SimMachine& machine_;
  ProtectedVolumes protected_;
};

}  // namespace

std::unique_ptr<FileSystem> NewSimFileSystem(SimMachine& machine) { return std::make_unique<SimFileSystem>(machine); }

}  // namespace tw::sim

// Mount points and formatting of the simulated machine's volumes.
#include <filesystem>
#include <random>

#include "base/text.h"
#include "platform/sim/drivers.h"
#include "platform/sim/sim_machine.h"
#include "platform/volume_mounts.h"

namespace tw::sim {
namespace {
namespace fs = std::filesystem;

constexpr Status kErrDirNotEmpty = 145;
constexpr Status kErrNotAReparsePoint = 4390;

// "\\?\Volume{...}\" or "\\.\Volume{...}" -> "Volume{...}"
std::u16string VolumeNameOf(const std::u16string& path) {
  std::u16string p = path;
  if (p.size() > 4 && (p.compare(0, 4, u"\\\\?\\") == 0 || p.compare(0, 4, u"\\\\.\\") == 0)) p = p.substr(4);
  if (!p.empty() && p.back() == u'\\') p.pop_back();
  return p;
}

class SimVolumeMounts final : public VolumeMounts {
 public:
  explicit SimVolumeMounts(SimMachine& m) : m_(m) {}

  Status SetMountPoint(const std::u16string& folder, const std::u16string& volume_name) override {
    if (folder.empty() || folder.back() != u'\\' || volume_name.empty() || volume_name.back() != u'\\')
      return kErrInvalidName;
    std::string host = HostPathFor(folder, m_.folder().u8string());
    std::error_code ec;
    if (host.empty() || !fs::is_directory(fs::u8path(host), ec)) return kErrPathNotFound;
    if (!fs::is_empty(fs::u8path(host), ec)) return kErrDirNotEmpty;
    Status result = kOk;
    Status st = m_.Update([&](MachineState& s) {
      int index = FindVolume(s, VolumeNameOf(volume_name));
      if (index < 0) {
        result = kErrInvalidParameter;
        return false;
      }
      for (const VolumeEntry& v : s.volumes)
        if (!v.detached && EqualsNoCase(Utf8ToUtf16(v.mount_point), folder)) {
          result = kErrDirNotEmpty;  // the folder holds a volume already
          return false;
        }
      s.volumes[index].mount_point = Utf16ToUtf8(folder);
      return true;
    });
    return st != kOk ? st : result;
  }

  Status DeleteMountPoint(const std::u16string& folder) override {
    Status result = kErrNotAReparsePoint;
    Status st = m_.Update([&](MachineState& s) {
      for (VolumeEntry& v : s.volumes)
        if (!v.mount_point.empty() && EqualsNoCase(Utf8ToUtf16(v.mount_point), folder)) {
          v.mount_point.clear();
          result = kOk;
        }
      return result == kOk;
    });
    return st != kOk ? st : result;
  }

  Status NewGuid(Guid* g) override {
    static std::random_device device;
    std::mt19937_64 rng((uint64_t{device()} << 32) ^ device());
    uint64_t a = rng(), b = rng();
    g->data1 = static_cast<uint32_t>(a);
    g->data2 = static_cast<uint16_t>(a >> 32);
    g->data3 = static_cast<uint16_t>((a >> 48 & 0x0FFF) | 0x4000);  // version 4
    for (int i = 0; i < 8; ++i) g->data4[i] = static_cast<uint8_t>(b >> (8 * i));
    g->data4[0] = (g->data4[0] & 0x3F) | 0x80;
    return kOk;
  }

 private:
  SimMachine& m_;
};

class SimFormatter final : public Formatter {
 public:
  explicit SimFormatter(SimMachine& m) : m_(m) {}
  bool Load() override { return true; }
  void FormatEx(const FormatRequest& r,
                const std::function<bool(uint32_t, uint32_t, const void*)>& callback) override {
    last_error_ = kOk;
    bool go_on = true;
    for (uint32_t percent = 0; percent <= 100 && go_on; percent += 50) go_on = callback(kFormatProgress, 0, &percent);
    bool valid = go_on && r.media == kMediaFixedDisk && !r.file_system.empty() && r.cluster_bytes >= 512 &&
                 (r.cluster_bytes & (r.cluster_bytes - 1)) == 0 && r.label.size() <= 32;
    Status st = kOk;
    if (valid) {
      st = m_.Update([&](MachineState& s) {
        int index = FindVolume(s, VolumeNameOf(r.volume));
        if (index < 0) {
          last_error_ = kErrFileNotFound;
          return false;
        }
        VolumeEntry& v = s.volumes[index];
        v.file_system = Utf16ToUtf8(r.file_system);
        v.label = Utf16ToUtf8(r.label);
        v.cluster_bytes = r.cluster_bytes;
        v.quick_format = r.quick;
        return true;
      });
    } else {
      last_error_ = go_on ? kErrInvalidParameter : kErrCancelledByUser;
    }
    if (st != kOk) last_error_ = st;
    unsigned char success = last_error_ == kOk ? 1 : 0;
    callback(kFormatDone, 0, &success);
  }
  Status LastError() override { return last_error_; }

 private:
  static constexpr Status kErrCancelledByUser = 1223;
  SimMachine& m_;
  Status last_error_ = kOk;
};

}  // namespace

std::unique_ptr<VolumeMounts> NewSimVolumeMounts(SimMachine& m) { return std::make_unique<SimVolumeMounts>(m); }
std::unique_ptr<Formatter> NewSimFormatter(SimMachine& m) { return std::make_unique<SimFormatter>(m); }

}  // namespace tw::sim

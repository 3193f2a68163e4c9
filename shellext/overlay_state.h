// Which items carry the lock and unlock overlays: locked protected items
// the lock overlay, unlocked ones the unlock overlay, from a fresh state
// query. Whether a drive is protected is remembered per drive root for a
// short while, so a folder of ordinary files costs no driver request per
// file. Safe to call from several threads at once, as Explorer does.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/system_services.h"
#include "shellext/protected_drive.h"

namespace tw::shellext {

enum class Overlay { kLocked, kUnlocked };

class OverlayState {
 public:
  // How long a drive root's answer is trusted (drives come and go).
  static constexpr uint64_t kRootMemoryMs = 10000;

  OverlayState(ProtectedDrive& drive, Clock& clock) : drive_(drive), clock_(clock) {}

  bool IsMember(Overlay overlay, const std::u16string& path);
  // Driver volume checks made so far (for tests and the benchmark).
  uint64_t volume_checks() const { return volume_checks_.load(); }

 private:
  bool OnProtectedVolume(const std::u16string& path);

  struct RootAnswer {
    bool is_protected = false;
    uint64_t when = 0;
  };
  ProtectedDrive& drive_;
  Clock& clock_;
  std::mutex roots_mutex_;
  std::map<std::u16string, RootAnswer> roots_;  // by lower-case "x:\"
  std::atomic<uint64_t> volume_checks_{0};
};

}  // namespace tw::shellext

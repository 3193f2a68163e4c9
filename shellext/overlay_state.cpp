#include "shellext/overlay_state.h"

#include "base/text.h"

namespace tw::shellext {

bool OverlayState::OnProtectedVolume(const std::u16string& path) {
  if (path.size() < 3 || path[1] != u':' || path[2] != u'\\') return false;  // UNC and relative paths
  std::u16string root = ToLowerAscii(path.substr(0, 3));
  uint64_t now = clock_.TickMs();
  {
    std::lock_guard<std::mutex> hold(roots_mutex_);
    auto it = roots_.find(root);
    if (it != roots_.end() && now - it->second.when < kRootMemoryMs) return it->second.is_protected;
  }
  // Asked without the lock: a slow drive must not hold up the other threads.
  ++volume_checks_;
  RootAnswer answer{drive_.IsProtectedVolume(root), now};
  std::lock_guard<std::mutex> hold(roots_mutex_);
  roots_[root] = answer;
  return answer.is_protected;
}

bool OverlayState::IsMember(Overlay overlay, const std::u16string& path) {
  if (!OnProtectedVolume(path)) return false;
  ItemState state;
  if (!drive_.QueryProtectionState(path, &state)) return false;
  return overlay == Overlay::kUnlocked ? state.unlocked : !state.unlocked;
}

}  // namespace tw::shellext

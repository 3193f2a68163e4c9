// The prompter of the Windows programs: message boxes, owned by the window
// that shows them for the time being (see fw::ScopedPrompterOwner).
#pragma once

#include <windows.h>

#include "platform/prompter.h"

namespace tw {

class MessageBoxPrompter : public Prompter {
 public:
  // Whom a box belongs to while no window owns the prompter.
  enum class Unowned { kNoOwner, kActiveWindow };
  explicit MessageBoxPrompter(HWND owner = nullptr, Unowned unowned = Unowned::kNoOwner)
      : owner_(owner), unowned_(unowned) {}
  HWND owner() const { return owner_; }
  void set_owner(HWND h) { owner_ = h; }

  // An empty caption is the system's default one.
  int ShowMessage(const std::u16string& text, const std::u16string& caption, unsigned style) override;
  void* SetOwnerWindow(void* window) override;

 private:
  HWND owner_;
  Unowned unowned_;
};

}  // namespace tw

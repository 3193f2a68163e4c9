// The hourglass while a window waits for the network or a driver on the UI
// thread; the previous cursor comes back at the end (of the scope, or when
// a model that reports its waits turns it off).
#pragma once

#include "framework/win.h"

namespace tw::ui {

class CWaitCursor {
 public:
  explicit CWaitCursor(bool on = true) { Show(on); }
  ~CWaitCursor() { Show(false); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

  // A second "on" keeps the cursor from before the first; "off" without a
  // cursor from before gives the arrow.
  void Show(bool on) {
    if (on == on_) return;
    on_ = on;
    if (on) previous_ = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    else ::SetCursor(previous_ ? previous_ : ::LoadCursorW(nullptr, IDC_ARROW));
  }

 private:
  bool on_ = false;
  HCURSOR previous_ = nullptr;
};

}  // namespace tw::ui

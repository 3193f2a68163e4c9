// The hourglass while a window waits for the network or a driver on the UI
// thread; the previous cursor comes back at the end of the scope.
#pragma once

#include "framework/win.h"

namespace tw::ui {

class CWaitCursor {
 public:
  CWaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  ~CWaitCursor() { ::SetCursor(previous_); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

}  // namespace tw::ui

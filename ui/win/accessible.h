// What a screen reader hears of an owner-drawn control: its WM_GETOBJECT
// answer is the system's standard object for the window with the control's
// own name, role and state, and a default action that clicks it.
#pragma once

#include <string>

#include "framework/win.h"
// After windows.h.
#include <oleacc.h>

namespace tw::ui {

struct AccessibleFacts {
  std::wstring name;
  long role = ROLE_SYSTEM_CLIENT;
  long state = 0;
  std::wstring default_action;  // empty: none
};

// For WM_GETOBJECT: the answer for OBJID_CLIENT; 0 (let the window's own
// procedure answer) for other objects or when the system has no proxy.
LRESULT AnswerGetObject(HWND w, WPARAM wp, LPARAM lp, const AccessibleFacts& facts);

}  // namespace tw::ui

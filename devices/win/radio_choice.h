// A column of radio buttons with their labels in a bold version of the
// dialog font, as the two choice pages of the mount wizard show them.
#pragma once

#include "framework/gdi.h"
#include "framework/win.h"

namespace tw::ui {

class CRadioChoice {
 public:
  // The radios are the controls first_id .. first_id + count - 1 of `page`.
  void Attach(HWND page, int first_id, int count);
  int Selected() const;  // -1: none
  void Select(int index) const;

 private:
  HWND page_ = nullptr;
  int first_ = 0, count_ = 0;
  fw::CFont bold_;
};

}  // namespace tw::ui

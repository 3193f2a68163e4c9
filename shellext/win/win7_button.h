// The dialogs' push buttons: owner-drawn with GDI+ (rounded gradient body,
// hover and focus tints, a dotted focus cue once the user has pressed Tab).
#pragma once

#include "framework/controls.h"
#include "ui/layout/controls.h"

namespace tw::shellext::win {

class CWin7Button : public fw::CButton {
 public:
  // Turns the button owner-drawn and takes over its messages.
  bool Attach(HWND button);
  void set_focus_cue(bool on) {
    focus_cue_ = on;
    if (m_hWnd) Invalidate(FALSE);
  }
  bool focus_cue() const { return focus_cue_; }
  bool hover() const { return hover_.hover(); }

  TW_BEGIN_MSG_MAP(CWin7Button, fw::CButton)
    TW_MSG(fw::kOcmBase + WM_DRAWITEM, OnDrawItem)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_MOUSEHOVER, OnMouseHover)
    TW_MSG(WM_MOUSELEAVE, OnMouseLeave)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
  TW_END_MSG_MAP()

 private:
  LRESULT OnDrawItem(WPARAM, LPARAM lp);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return TRUE; }

  ui::HoverTracker hover_;
  bool focus_cue_ = false;
};

}  // namespace tw::shellext::win

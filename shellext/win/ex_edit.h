// The password edit of the dialogs: a frame of two pale lines, three blue
// ones while the mouse is over it; black text on white.
#pragma once

#include "framework/controls.h"
#include "framework/gdi.h"
#include "ui/layout/controls.h"

namespace tw::shellext::win {

class CExEdit : public fw::CEdit {
 public:
  CExEdit() : white_(fw::MakeSolidBrush(RGB(255, 255, 255))) {}
  bool hover() const { return hover_.hover(); }

  TW_BEGIN_MSG_MAP(CExEdit, fw::CEdit)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_MOUSEHOVER, OnMouseHover)
    TW_MSG(WM_MOUSELEAVE, OnMouseLeave)
    TW_MSG(fw::kOcmBase + WM_CTLCOLOREDIT, OnCtlColor)
  TW_END_MSG_MAP()

 private:
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnCtlColor(WPARAM wp, LPARAM);
  void DrawFrame();

  fw::CBrush white_;
  ui::HoverTracker hover_;
};

}  // namespace tw::shellext::win

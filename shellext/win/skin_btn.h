// The dialogs' close button: an owner-drawn button that draws a PNG
// picture, red-tinted while hovered and darkened while pressed (style 3).
#pragma once

#include <memory>
#include <string>

#include "framework/controls.h"
#include "ui/layout/controls.h"

namespace tw::shellext::win {

class CSkinBtn : public fw::CButton {
 public:
  // Picture: a resource of type "PNG" of the module.
  bool SetPicture(HINSTANCE instance, UINT png_id);
  void set_style(int style) { style_ = style; }
  bool hover() const { return hover_.hover(); }
  bool pressed() const { return pressed_; }

  TW_BEGIN_MSG_MAP(CSkinBtn, fw::CButton)
    TW_MSG(fw::kOcmBase + WM_DRAWITEM, OnDrawItem)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_MOUSEHOVER, OnMouseHover)
    TW_MSG(WM_MOUSELEAVE, OnMouseLeave)
    TW_MSG(WM_LBUTTONDOWN, OnLButtonDown)
    TW_MSG(WM_LBUTTONUP, OnLButtonUp)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
  TW_END_MSG_MAP()

 private:
  LRESULT OnDrawItem(WPARAM, LPARAM lp);
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnLButtonDown(WPARAM, LPARAM);
  LRESULT OnLButtonUp(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return TRUE; }
  void Leave();

  std::unique_ptr<Gdiplus::Image> picture_;
  int style_ = 3;
  ui::HoverTracker hover_;
  bool pressed_ = false;
};

}  // namespace tw::shellext::win

#include "shellext/win/skin_btn.h"

#include "framework/image.h"
#include "ui/win/memory_dc.h"

namespace tw::shellext::win {

bool CSkinBtn::SetPicture(HINSTANCE instance, UINT png_id) {
  picture_ = fw::LoadImageResource(instance, MAKEINTRESOURCEW(png_id), L"PNG");
  return picture_ != nullptr;
}

LRESULT CSkinBtn::OnDrawItem(WPARAM, LPARAM lp) {
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
  RECT rc = dis->rcItem;
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  ui::CMemoryDC dc(dis->hDC, &rc);
  // The parent's title band shows through where the picture is transparent.
  ui::PaintParentBackground(m_hWnd, dc);
  Gdiplus::Graphics g(dc.m_hDC);
  if (picture_) {
    int pw = static_cast<int>(picture_->GetWidth()), ph = static_cast<int>(picture_->GetHeight());
    g.DrawImage(picture_.get(), (w - pw) / 2, (w - pw) / 4, pw, ph);
  }
  Gdiplus::Rect r(0, 0, w, h);
  if (hover_.hover()) {
    Gdiplus::LinearGradientBrush b(r, Gdiplus::Color(0xB4FF0000), Gdiplus::Color(0x00FF0000),
                                   Gdiplus::LinearGradientModeVertical);
    g.FillRectangle(&b, r);
  }
  if (pressed_) {
    Gdiplus::LinearGradientBrush b(r, Gdiplus::Color(0x960B4470), Gdiplus::Color(0x960F507D),
                                   Gdiplus::LinearGradientModeVertical);
    g.FillRectangle(&b, r);
  }
  return TRUE;
}

LRESULT CSkinBtn::OnMouseMove(WPARAM, LPARAM) {
  if (hover_.OnMouseMove()) TrackMouse(TME_HOVER | TME_LEAVE, 1);
  SetMsgHandled(false);
  return 0;
}

LRESULT CSkinBtn::OnMouseHover(WPARAM, LPARAM) {
  hover_.OnHover();
  Invalidate(FALSE);
  return 0;
}

void CSkinBtn::Leave() {
  hover_.OnLeave();
  pressed_ = false;
  RECT r = GetRectInParent();
  ::InvalidateRect(GetParent(), &r, FALSE);
  Invalidate(FALSE);
}

LRESULT CSkinBtn::OnMouseLeave(WPARAM, LPARAM) {
  Leave();
  SetMsgHandled(false);
  return 0;
}

LRESULT CSkinBtn::OnLButtonDown(WPARAM, LPARAM) {
  pressed_ = true;
  Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

LRESULT CSkinBtn::OnLButtonUp(WPARAM, LPARAM) {
  Leave();
  SetMsgHandled(false);
  return 0;
}

}  // namespace tw::shellext::win

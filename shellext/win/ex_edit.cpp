#include "shellext/win/ex_edit.h"

namespace tw::shellext::win {

LRESULT CExEdit::OnMouseMove(WPARAM, LPARAM) {
  if (hover_.OnMouseMove()) TrackMouse(TME_HOVER | TME_LEAVE, 0);
  SetMsgHandled(false);
  return 0;
}

LRESULT CExEdit::OnMouseHover(WPARAM, LPARAM) {
  hover_.OnHover();
  DrawFrame();
  return 0;
}

LRESULT CExEdit::OnMouseLeave(WPARAM, LPARAM) {
  hover_.OnLeave();
  DrawFrame();
  SetMsgHandled(false);
  return 0;
}

void CExEdit::DrawFrame() {
  // Frames grow outward from the client rectangle; only what falls inside
  // the client area shows.
  fw::CClientDC dc(m_hWnd);
  RECT r = GetClientRect();
  static const COLORREF kHover[] = {RGB(236, 247, 255), RGB(196, 231, 255), RGB(87, 158, 215)};
  static const COLORREF kPlain[] = {RGB(255, 255, 255), RGB(169, 195, 215)};
  const COLORREF* colours = hover_.hover() ? kHover : kPlain;
  int count = hover_.hover() ? 3 : 2;
  if (!hover_.hover()) ::InflateRect(&r, 1, 1);
  for (int i = 0; i < count; ++i) {
    fw::CBrush b(fw::MakeSolidBrush(colours[i]));
    ::FrameRect(dc, &r, b);
    ::InflateRect(&r, 1, 1);
  }
}

LRESULT CExEdit::OnCtlColor(WPARAM wp, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wp);
  DrawFrame();
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(white_));
}

}  // namespace tw::shellext::win

#include "shellext/win/win7_button.h"

#include "framework/gdi.h"
#include "ui/win/memory_dc.h"

namespace tw::shellext::win {
namespace {

void AddRoundRect(Gdiplus::GraphicsPath& path, int x, int y, int w, int h, int radius) {
  int d = radius * 2;
  path.AddArc(x, y, d, d, 180, 90);
  path.AddArc(x + w - d - 1, y, d, d, 270, 90);
  path.AddArc(x + w - d - 1, y + h - d - 1, d, d, 0, 90);
  path.AddArc(x, y + h - d - 1, d, d, 90, 90);
  path.CloseFigure();
}

}  // namespace

bool CWin7Button::Attach(HWND button) {
  if (!SubclassWindow(button)) return false;
  ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
  return true;
}

LRESULT CWin7Button::OnDrawItem(WPARAM, LPARAM lp) {
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
  RECT rc = dis->rcItem;
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  bool focused = (dis->itemState & ODS_FOCUS) != 0;
  ui::CMemoryDC dc(dis->hDC, &rc);
  ui::PaintParentBackground(m_hWnd, dc);

  Gdiplus::Graphics g(dc.m_hDC);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  Gdiplus::GraphicsPath outer, inner;
  AddRoundRect(outer, 0, 0, w, h, 3);
  AddRoundRect(inner, 2, 2, w - 4, h - 4, 3);
  Gdiplus::Rect r(0, 0, w, h);
  auto fill = [&](Gdiplus::ARGB from, Gdiplus::ARGB to) {
    Gdiplus::LinearGradientBrush b(r, Gdiplus::Color(from), Gdiplus::Color(to), 90.0f);
    g.FillPath(&b, &outer);
  };
  fill(0xAEA6DEFF, 0xFAA6DEEB);
  if (hover_.hover()) {
    fill(0x1EB5EAFC, 0xFA6FC8F2);
    if (focused) fill(0x9683EAFC, 0xFA50C8F2);
  }
  if (focused && focus_cue_) {
    Gdiplus::Pen dotted(Gdiplus::Color(0xB40000FF), 1);
    dotted.SetDashStyle(Gdiplus::DashStyleDot);
    g.DrawPath(&dotted, &inner);
  }
  std::wstring shown;
  for (wchar_t c : Text())
    if (c != L'&') shown += c;
  // "Verdana(8)" names no installed font: GDI maps the LOGFONT to the
  // nearest face, which also has the glyphs of the user's language.
  LOGFONTW lf = {};
  lf.lfHeight = 15;
  lf.lfWeight = 5;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, L"Verdana(8)", LF_FACESIZE);
  fw::CFont gdi_font(::CreateFontIndirectW(&lf));
  Gdiplus::Font font(dc.m_hDC, static_cast<HFONT>(gdi_font));
  Gdiplus::LinearGradientBrush text_brush(r, Gdiplus::Color(0xFF3296FC), Gdiplus::Color(0xFF3296F2), 90.0f);
  Gdiplus::StringFormat centred;
  centred.SetAlignment(Gdiplus::StringAlignmentCenter);
  centred.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  g.DrawString(shown.c_str(), -1, &font, Gdiplus::RectF(0, 0, static_cast<float>(w), static_cast<float>(h)),
               &centred, &text_brush);
  Gdiplus::Pen edge(Gdiplus::Color(0xC88EA3BE), 1);
  g.DrawPath(&edge, &outer);
  return TRUE;
}

LRESULT CWin7Button::OnMouseMove(WPARAM, LPARAM) {
  if (hover_.OnMouseMove()) TrackMouse(TME_HOVER | TME_LEAVE, 1);
  SetMsgHandled(false);
  return 0;
}

LRESULT CWin7Button::OnMouseHover(WPARAM, LPARAM) {
  hover_.OnHover();
  Invalidate(FALSE);
  return 0;
}

LRESULT CWin7Button::OnMouseLeave(WPARAM, LPARAM) {
  hover_.OnLeave();
  RECT r = GetRectInParent();
  ::InvalidateRect(GetParent(), &r, FALSE);
  Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

}  // namespace tw::shellext::win

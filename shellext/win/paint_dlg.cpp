#include "shellext/win/paint_dlg.h"

#include "framework/dpi.h"
#include "resources/resource_ids.h"
#include "ui/win/memory_dc.h"

namespace tw::shellext::win {

BOOL CPaintDlg::OnInitDialog() {
  ModifyStyle(WS_CAPTION, 0);
  ModifyStyleEx(WS_EX_DLGMODALFRAME, 0);
  SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  solid_.Attach(fw::MakeSolidBrush(RGB(232, 245, 254)));
  pattern_bitmap_.Attach(fw::LoadBitmapResource(IDB_TITLE_PATTERN, instance()));
  pattern_.Attach(::CreatePatternBrush(pattern_bitmap_));
  RECT c = GetClientRect();
  // The frame's figures are 96-DPI pixels.
  const UINT dpi = fw::DpiOf(m_hWnd);
  auto px = [dpi](int v) { return fw::Scale(v, dpi); };
  RECT r{c.right - px(39), c.top + px(2), c.right - px(39) + px(34), c.top + px(2) + px(19)};
  close_.CreateControl(L"BUTTON", m_hWnd, r, L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, IDC_CLOSE_BUTTON);
  close_.SetPicture(instance(), IDP_CLOSE);
  close_.set_style(3);
  ClipToRoundedRegion();
  return fw::CDialog::OnInitDialog();
}

std::wstring CPaintDlg::Title() const {
  std::wstring t = Text();
  return t.empty() ? L"Pellowen" : t;
}

void CPaintDlg::ClipToRoundedRegion() {
  RECT w = GetWindowRect();
  const int round = fw::Scale(6, fw::DpiOf(m_hWnd));
  ::SetWindowRgn(m_hWnd, ::CreateRoundRectRgn(1, 1, w.right - w.left, w.bottom - w.top, round, round), TRUE);
}

LRESULT CPaintDlg::OnSize(WPARAM, LPARAM) {
  ClipToRoundedRegion();
  SetMsgHandled(false);
  return 0;
}

void CPaintDlg::Draw(HDC target) {
  RECT rc = GetClientRect();
  ui::CMemoryDC dc(target, &rc);
  const UINT dpi = fw::DpiOf(m_hWnd);
  auto px = [dpi](int v) { return fw::Scale(v, dpi); };
  dc.FillSolidRect(rc, RGB(255, 255, 255));
  {
    fw::CPen edge(::CreatePen(PS_SOLID, 1, RGB(120, 160, 200)));
    fw::CSelect pen(dc, edge);
    fw::CSelect brush(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, 1, 1, rc.right - 1, rc.bottom - 1, px(7), px(7));
  }
  RECT band{rc.left + px(2), rc.top + px(2), rc.right - px(2), rc.top + px(28)};
  ::FillRect(dc, &band, pattern_);
  RECT body{rc.left + px(2), rc.top + px(30), rc.right - px(2), rc.bottom - px(10)};
  dc.VerticalGradient3(body, RGB(240, 247, 255), RGB(232, 245, 254), RGB(255, 255, 255));
  fw::CSelect font(dc, GetFont());
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(255, 255, 255));
  std::wstring title = Title();
  ::TextOutW(dc, px(15), px(6), title.c_str(), static_cast<int>(title.size()));
}

LRESULT CPaintDlg::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC dc(m_hWnd);
  Draw(dc);
  return 0;
}

LRESULT CPaintDlg::OnCtlColorStatic(WPARAM wp, LPARAM) {
  ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
  return reinterpret_cast<LRESULT>(static_cast<HBRUSH>(solid_));
}

}  // namespace tw::shellext::win

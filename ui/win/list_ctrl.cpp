#include "ui/win/list_ctrl.h"

#include "framework/dpi.h"
#include "ui/win/memory_dc.h"

namespace tw::ui {
namespace {

constexpr COLORREF kSelectedFill = RGB(204, 225, 252);
constexpr COLORREF kGrid = RGB(225, 225, 245);
constexpr int kIconColumn = 24;
constexpr size_t kCellTipMaxChars = 1023;

// A location keeps its drive and its file name when cut: the middle goes.
bool LooksLikePath(const std::wstring& t) { return t.find(L'\\') != std::wstring::npos; }

}  // namespace

// ---- CMyHeaderCtrl -------------------------------------------------------

CMyHeaderCtrl::CMyHeaderCtrl()
    : background_(fw::LoadBitmapResource(160)),
      edges_(fw::LoadBitmapResource(161)),
      hovered_(fw::LoadBitmapResource(174)),
      pressed_(fw::LoadBitmapResource(156)) {}

bool CMyHeaderCtrl::Attach(HWND header) { return SubclassWindow(header); }

void CMyHeaderCtrl::SetDpi(UINT dpi) {
  dpi_ = dpi;
  font_.SetDpi(dpi);
}

std::vector<Rect> CMyHeaderCtrl::ColumnRects() const {
  std::vector<Rect> out;
  int n = GetItemCount();
  for (int i = 0; i < n; ++i) {
    RECT r{};
    GetItemRect(i, &r);
    out.push_back(Rect{r.left, r.top, r.right, r.bottom});
  }
  return out;
}

LRESULT CMyHeaderCtrl::OnLayout(WPARAM, LPARAM lp) {
  LRESULT r = Default();
  auto* layout = reinterpret_cast<HDLAYOUT*>(lp);
  if (layout && layout->pwpos && layout->prc) {
    layout->pwpos->cy = fw::Scale(kHeaderHeight, dpi_);
    layout->prc->top = fw::Scale(kHeaderHeight, dpi_);
  }
  return r;
}

void CMyHeaderCtrl::Paint(HDC target) {
  RECT rc = GetClientRect();
  CMemoryDC dc(target, &rc);
  SIZE bg = fw::GetBitmapSize(background_), edge = fw::GetBitmapSize(edges_);
  int w = rc.right, h = rc.bottom;
  dc.DrawBitmap(background_, 0, 0, w, h, 0, 0, bg.cx, bg.cy);
  dc.DrawBitmap(edges_, 0, 0, w, 1, 0, 0, edge.cx, 1);
  dc.DrawBitmap(edges_, 0, h - 1, w, 1, 0, edge.cy - 1, edge.cx, 1);
  fw::CSelect sel(dc, font_);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(font_.text_colour());
  std::vector<Rect> cols = ColumnRects();
  for (size_t i = 0; i < cols.size(); ++i) {
    Rect c = cols[i];
    int left = i > 0 ? c.left + 1 : c.left;
    HBITMAP img = background_;
    switch (pointer_.ImageFor(static_cast<int>(i))) {
      case HeaderPointer::Image::kPressed: img = pressed_; break;
      case HeaderPointer::Image::kHovered: img = hovered_; break;
      case HeaderPointer::Image::kBackground: break;
    }
    SIZE s = fw::GetBitmapSize(img);
    dc.DrawBitmap(img, left, 1, c.right - left, h - 2, 0, 0, s.cx, s.cy);
    dc.DrawBitmap(edges_, c.right - 1, 0, 1, h, 0, 0, edge.cx, edge.cy);
    RECT tr{c.left, 0, c.right, h};
    dc.DrawTextW(GetItemText(static_cast<int>(i)), &tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

LRESULT CMyHeaderCtrl::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

LRESULT CMyHeaderCtrl::OnMouseMove(WPARAM, LPARAM lp) {
  if (pointer_.tracker().OnMouseMove()) TrackMouse(TME_HOVER | TME_LEAVE, 1);
  int before = pointer_.hover_index();
  bool pressed_before = pointer_.pressed();
  POINT p = fw::PointFromLParam(lp);
  pointer_.MouseMove(ColumnRects(), Point{p.x, p.y});
  if (before != pointer_.hover_index() || pressed_before != pointer_.pressed()) Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

LRESULT CMyHeaderCtrl::OnMouseHover(WPARAM, LPARAM) {
  pointer_.tracker().OnHover();
  Invalidate(FALSE);
  return 0;
}

LRESULT CMyHeaderCtrl::OnMouseLeave(WPARAM, LPARAM) {
  pointer_.tracker().OnLeave();
  Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

LRESULT CMyHeaderCtrl::OnLButtonDown(WPARAM, LPARAM lp) {
  POINT p = fw::PointFromLParam(lp);
  pointer_.ButtonDown(ColumnRects(), Point{p.x, p.y});
  Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

LRESULT CMyHeaderCtrl::OnLButtonUp(WPARAM, LPARAM) {
  pointer_.ButtonUp();
  Invalidate(FALSE);
  SetMsgHandled(false);
  return 0;
}

// ---- CMyListCtrl ---------------------------------------------------------

CMyListCtrl::CMyListCtrl() = default;

bool CMyListCtrl::Attach(HWND list) {
  if (!SubclassWindow(list)) return false;
  ModifyStyle(0, LVS_OWNERDRAWFIXED);
  dpi_ = fw::DpiOf(m_hWnd);
  font_.SetDpi(dpi_);
  if (HWND h = GetHeader()) {
    header_.Attach(h);
    header_.SetDpi(dpi_);
  }
  if (tooltip_.CreateFor(m_hWnd)) {
    // The list view's own tooltips would fight ours.
    if (HWND own = reinterpret_cast<HWND>(SendMessageW(LVM_GETTOOLTIPS))) ::SendMessageW(own, TTM_ACTIVATE, FALSE, 0);
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = m_hWnd;
    ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    ti.lpszText = LPSTR_TEXTCALLBACKW;
    tooltip_.SendMessageW(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    tooltip_.SendMessageW(TTM_SETMAXTIPWIDTH, 0, 400);
    tooltip_.Activate(true);
  }
  return true;
}

void CMyListCtrl::SetRowHeight() {
  row_height_ = fw::Scale(kListRowHeight, dpi_);
  RECT r = GetWindowRect();
  WINDOWPOS wp{};
  wp.hwnd = m_hWnd;
  wp.cx = r.right - r.left;
  wp.cy = r.bottom - r.top;
  wp.flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER;
  SendMessageW(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
}

LRESULT CMyListCtrl::OnMeasureItem(WPARAM, LPARAM lp) {
  auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
  if (row_height_ > 0) mis->itemHeight = static_cast<UINT>(row_height_);
  return TRUE;
}

LRESULT CMyListCtrl::OnDrawItem(WPARAM, LPARAM lp) {
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
  int item = static_cast<int>(dis->itemID);
  if (item < 0) return TRUE;
  fw::CDCHandle dc(dis->hDC);
  bool highlighted = GetItemState(item, LVIS_SELECTED) || GetItemState(item, LVIS_FOCUSED);
  bool report = (GetStyle() & LVS_TYPEMASK) == LVS_REPORT;
  font_.SetWeight(FW_NORMAL);
  fw::CSelect sel(dc, font_);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(font_.text_colour());
  TEXTMETRICW tm{};
  ::GetTextMetricsW(dc, &tm);
  LVCOLUMNW col{};
  col.mask = LVCF_WIDTH;
  for (int c = 0; SendMessageW(LVM_GETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col)); ++c) {
    RECT cell{};
    GetSubItemRect(item, c, LVIR_LABEL, &cell);
    dc.FillSolidRect(cell, RGB(255, 255, 255));
    if (highlighted) {
      RECT fill = cell;
      if (c == 0) fill.left = 0;
      dc.FillSolidRect(fill, kSelectedFill);
    }
    if (c == 0) {
      RECT icon_area{0, dis->rcItem.top, fw::Scale(kIconColumn, dpi_), dis->rcItem.bottom};
      dc.FillSolidRect(icon_area, RGB(255, 255, 255));
      if (icons_) {
        LVITEMW it{};
        it.mask = LVIF_IMAGE;
        it.iItem = item;
        SendMessageW(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        ImageList_Draw(icons_, it.iImage, dc, dis->rcItem.left, dis->rcItem.top, ILD_TRANSPARENT);
      }
    }
    RECT tr = cell;
    int dy = ((cell.bottom - cell.top) - tm.tmHeight) / 2;
    const int inset = fw::Scale(c == 0 ? 10 : 5, dpi_);
    ::OffsetRect(&tr, inset, dy);
    const std::wstring text = GetItemText(item, c);
    if (dc.GetTextExtent(text).cx <= (cell.right - cell.left) - 2 * inset) {
      dc.DrawTextW(text, &tr, text_format_);
    } else {
      // Cut: from its start, with an ellipsis (a path loses its middle).
      tr.right = cell.right - inset / 2;
      dc.DrawTextW(text, &tr,
                   DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | (LooksLikePath(text) ? DT_PATH_ELLIPSIS : DT_END_ELLIPSIS));
    }
    if (report) {
      if (c > 0) dc.Line(cell.left, cell.top, cell.left, cell.bottom, kGrid);
      dc.Line(cell.left, cell.bottom - 1, cell.right, cell.bottom - 1, kGrid);
    }
  }
  return TRUE;
}

LRESULT CMyListCtrl::OnThumb(bool vertical, WPARAM wp) {
  int code = LOWORD(wp);
  if (code != SB_THUMBPOSITION && code != SB_THUMBTRACK) {
    SetMsgHandled(false);
    return 0;
  }
  SCROLLINFO hs{}, vs{};
  hs.cbSize = vs.cbSize = sizeof(SCROLLINFO);
  hs.fMask = vs.fMask = SIF_ALL;
  ::GetScrollInfo(m_hWnd, SB_HORZ, &hs);
  ::GetScrollInfo(m_hWnd, SB_VERT, &vs);
  RECT rc = GetClientRect();
  ScrollInfo h{hs.nMin, hs.nMax, hs.nPage, hs.nPos, hs.nTrackPos};
  ScrollInfo v{vs.nMin, vs.nMax, vs.nPage, vs.nPos, vs.nTrackPos};
  int row = 0;
  if (vertical && (GetStyle() & LVS_TYPEMASK) == LVS_REPORT && GetItemCount() > 0) {
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (SendMessageW(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item))) row = item.bottom - item.top;
  }
  ScrollDelta d = ListThumbScroll(vertical, static_cast<int>(HIWORD(wp)), h, v, rc.right, rc.bottom, row);
  Scroll(d.dx, d.dy);
  return 0;
}

bool CMyListCtrl::HitLabel(POINT p, int* item, int* column) const {
  LVHITTESTINFO hit{};
  hit.pt = p;
  int i = SubItemHitTest(&hit);
  if (i < 0 || !(hit.flags & LVHT_ONITEMLABEL)) return false;
  *item = i;
  *column = hit.iSubItem;
  return true;
}

bool CMyListCtrl::CellTextFits(int item, int column) const {
  RECT cell{};
  if (!GetSubItemRect(item, column, LVIR_LABEL, &cell)) return true;
  HDC screen = ::GetDC(m_hWnd);
  HGDIOBJ old = ::SelectObject(screen, static_cast<HFONT>(font_));
  const std::wstring text = GetItemText(item, column);
  SIZE ext{};
  ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &ext);
  ::SelectObject(screen, old);
  ::ReleaseDC(m_hWnd, screen);
  const int inset = fw::Scale(column == 0 ? 10 : 5, dpi_);
  return ext.cx <= (cell.right - cell.left) - 2 * inset;
}

LRESULT CMyListCtrl::OnDpiChanged(WPARAM wp, LPARAM) {
  dpi_ = wp ? static_cast<UINT>(wp) : fw::DpiOf(m_hWnd);
  font_.SetDpi(dpi_);
  header_.SetDpi(dpi_);
  SetRowHeight();
  Invalidate();
  SetMsgHandled(false);
  return 0;
}

std::wstring CMyListCtrl::TooltipTextAt(POINT p) const {
  int item = -1, column = -1;
  if (!HitLabel(p, &item, &column)) return {};
  if (!CellTextFits(item, column)) return GetItemText(item, column);
  std::u16string t = ListTooltipText(true, column, static_cast<uintptr_t>(GetItemData(item)));
  return std::wstring(t.begin(), t.end());
}

LRESULT CMyListCtrl::OnMouseMove(WPARAM, LPARAM lp) {
  if (tooltip_.IsWindow()) {
    int item = -1, column = -1;
    POINT p = fw::PointFromLParam(lp);
    last_pointer_ = p;
    if (!HitLabel(p, &item, &column)) item = column = -1;
    if (item != tip_item_ || column != tip_column_) {
      // A new cell: the tooltip must ask for its text again.
      tip_item_ = item;
      tip_column_ = column;
      tooltip_.SendMessageW(TTM_POP);
    }
    MSG m{m_hWnd, WM_MOUSEMOVE, 0, lp, 0, {}};
    tooltip_.SendMessageW(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  }
  SetMsgHandled(false);
  return 0;
}

LRESULT CMyListCtrl::OnLButtonDown(WPARAM, LPARAM lp) {
  LVHITTESTINFO hit{};
  hit.pt = fw::PointFromLParam(lp);
  last_click_item_ = SubItemHitTest(&hit);
  last_click_column_ = last_click_item_ >= 0 ? hit.iSubItem : -1;
  SetMsgHandled(false);
  return 0;
}

LRESULT CMyListCtrl::OnNotify(WPARAM, LPARAM lp) {
  auto* nm = reinterpret_cast<NMHDR*>(lp);
  if (nm->hwndFrom != tooltip_.m_hWnd || (nm->code != TTN_GETDISPINFOW && nm->code != TTN_GETDISPINFOA)) {
    SetMsgHandled(false);
    return 0;
  }
  // Where the pointer was last seen over the list: the tooltip asks right
  // after a relayed move.
  std::wstring text = TooltipTextAt(last_pointer_);
  if (text.size() > kCellTipMaxChars) text.resize(kCellTipMaxChars);
  if (nm->code == TTN_GETDISPINFOW) {
    auto* di = reinterpret_cast<NMTTDISPINFOW*>(lp);
    lstrcpynW(tip_buffer_, text.c_str(), static_cast<int>(kCellTipMaxChars + 1));
    di->lpszText = tip_buffer_;
  } else {
    auto* di = reinterpret_cast<NMTTDISPINFOA*>(lp);
    int n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, tip_buffer_ansi_,
                                  static_cast<int>(sizeof tip_buffer_ansi_), nullptr, nullptr);
    if (n <= 0) tip_buffer_ansi_[0] = 0;
    di->lpszText = tip_buffer_ansi_;
  }
  return 0;
}

}  // namespace tw::ui

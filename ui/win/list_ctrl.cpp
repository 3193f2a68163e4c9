#include "ui/win/list_ctrl.h"

#include <algorithm>
#include <cstdint>

#include "framework/dpi.h"
#include "ui/win/accessible.h"
#include "ui/win/memory_dc.h"

namespace tw::ui {
namespace {

constexpr COLORREF kSelectedFill = RGB(204, 225, 252);
constexpr COLORREF kGrid = RGB(225, 225, 245);
constexpr int kIconColumn = 24;
constexpr size_t kCellTipMaxChars = 1023;

// A location keeps its drive and its file name when cut: the middle goes.
bool LooksLikePath(const std::wstring& t) { return t.find(L'\\') != std::wstring::npos; }

// Image `i` of the list as premultiplied BGRA, `size` pixels square,
// stretched bilinearly; null when the list gives no picture.
HBITMAP ScaledIcon(HIMAGELIST list, int i, int size) {
  IMAGEINFO info{};
  if (!ImageList_GetImageInfo(list, i, &info)) return nullptr;
  const int w = info.rcImage.right - info.rcImage.left, h = info.rcImage.bottom - info.rcImage.top;
  if (w <= 0 || h <= 0) return nullptr;
  HDC screen = ::GetDC(nullptr);
  auto read = [&](HBITMAP bitmap, int top, std::vector<uint32_t>* out) {
    // The whole strip, then the image's rows.
    SIZE all = fw::GetBitmapSize(bitmap);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), all.cx, -all.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> px(static_cast<size_t>(all.cx) * static_cast<size_t>(all.cy));
    if (!::GetDIBits(screen, bitmap, 0, static_cast<UINT>(all.cy), px.data(), &bi, DIB_RGB_COLORS)) return false;
    out->resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        (*out)[static_cast<size_t>(y * w + x)] =
            px[static_cast<size_t>((top + y) * all.cx + info.rcImage.left + x)];
    return true;
  };
  std::vector<uint32_t> colour, mask;
  bool ok = read(info.hbmImage, info.rcImage.top, &colour);
  bool has_alpha = false;
  for (uint32_t c : colour) has_alpha |= (c >> 24) != 0;
  // Without an alpha channel the mask says what is transparent.
  if (ok && !has_alpha && info.hbmMask && read(info.hbmMask, info.rcImage.top, &mask))
    for (size_t k = 0; k < colour.size(); ++k) colour[k] = (colour[k] & 0xFFFFFF) | ((mask[k] & 0xFFFFFF) ? 0 : 0xFF000000u);
  ::ReleaseDC(nullptr, screen);
  if (!ok) return nullptr;
  // Premultiplied channels: b, g, r, a.
  std::vector<float> pre(colour.size() * 4);
  for (size_t k = 0; k < colour.size(); ++k) {
    float a = static_cast<float>(colour[k] >> 24) / 255.0f;
    for (int c = 0; c < 3; ++c) pre[k * 4 + c] = static_cast<float>((colour[k] >> (8 * c)) & 0xFF) * a;
    pre[k * 4 + 3] = a * 255.0f;
  }
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP out = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!out) return nullptr;
  auto* dst = static_cast<uint32_t*>(bits);
  auto sample = [&](float v, int n, int* lo, float* t) {
    float f = std::clamp(v, 0.0f, static_cast<float>(n - 1));
    *lo = std::min(static_cast<int>(f), n - 2 < 0 ? 0 : n - 2);
    *t = n > 1 ? f - static_cast<float>(*lo) : 0.0f;
  };
  for (int y = 0; y < size; ++y) {
    int y0;
    float ty;
    sample((static_cast<float>(y) + 0.5f) * static_cast<float>(h) / static_cast<float>(size) - 0.5f, h, &y0, &ty);
    int y1 = std::min(y0 + 1, h - 1);
    for (int x = 0; x < size; ++x) {
      int x0;
      float tx;
      sample((static_cast<float>(x) + 0.5f) * static_cast<float>(w) / static_cast<float>(size) - 0.5f, w, &x0, &tx);
      int x1 = std::min(x0 + 1, w - 1);
      uint32_t v = 0;
      for (int c = 0; c < 4; ++c) {
        auto at = [&](int xx, int yy) { return pre[static_cast<size_t>(yy * w + xx) * 4 + static_cast<size_t>(c)]; };
        float top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * tx;
        float bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * tx;
        float f = top + (bottom - top) * ty;
        v |= static_cast<uint32_t>(std::clamp(static_cast<int>(f + 0.5f), 0, 255)) << (8 * c);
      }
      dst[y * size + x] = v;
    }
  }
  return out;
}

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

LRESULT CMyHeaderCtrl::OnGetObject(WPARAM wp, LPARAM lp) {
  AccessibleFacts facts;
  for (int i = 0, n = GetItemCount(); i < n; ++i) facts.name += (i ? L", " : L"") + GetItemText(i);
  facts.role = ROLE_SYSTEM_LIST;
  LRESULT r = AnswerGetObject(m_hWnd, wp, lp, facts);
  if (!r) SetMsgHandled(false);
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
  // The list view's own tooltips would fight ours.
  if (HWND own = reinterpret_cast<HWND>(SendMessageW(LVM_GETTOOLTIPS))) ::SendMessageW(own, TTM_ACTIVATE, FALSE, 0);
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
        DrawIcon(dc, it.iImage, dis->rcItem);
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

void CMyListCtrl::DrawIcon(HDC dc, int image, const RECT& row) {
  const int size = fw::Scale(kIconColumn, dpi_);
  // Centred in the row: at 96 DPI the 24-pixel icon sits at the 25-pixel row's top.
  const int top = row.top + (row.bottom - row.top - size) / 2;
  if (dpi_ == fw::kBaseDpi) {
    ImageList_Draw(icons_, image, dc, row.left, top, ILD_TRANSPARENT);
    return;
  }
  if (size != scaled_icon_size_) {
    scaled_icons_.clear();
    scaled_icon_size_ = size;
  }
  if (image < 0 || image >= ImageList_GetImageCount(icons_)) return;
  if (scaled_icons_.size() <= static_cast<size_t>(image)) scaled_icons_.resize(static_cast<size_t>(image) + 1);
  fw::CBitmap& picture = scaled_icons_[static_cast<size_t>(image)];
  if (picture.IsNull()) picture.Attach(ScaledIcon(icons_, image, size));
  if (picture.IsNull()) return;
  HDC mem = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(mem, picture);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::GdiAlphaBlend(dc, row.left, top, size, size, mem, 0, 0, size, size, blend);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
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

fw::CToolTipCtrl& CMyListCtrl::tooltip() {
  // Made when first needed: a window of its own, which the list's first
  // frame does not need.
  if (!tooltip_.IsWindow() && IsWindow() && tooltip_.CreateFor(m_hWnd)) {
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
  return tooltip_;
}

LRESULT CMyListCtrl::OnMouseMove(WPARAM, LPARAM lp) {
  if (tooltip().IsWindow()) {
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

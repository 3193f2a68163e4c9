// The owner-drawn report list with its image header.
#pragma once

#include <vector>

#include "framework/controls.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "ui/layout/controls.h"
#include "ui/win/auto_font.h"

namespace tw::ui {

class CMyHeaderCtrl : public fw::CHeaderCtrl {
 public:
  CMyHeaderCtrl();
  bool Attach(HWND header);
  const HeaderPointer& pointer() const { return pointer_; }
  // The header's height is 34 pixels at 96 DPI.
  void SetDpi(UINT dpi);
  std::vector<Rect> ColumnRects() const;
  void Paint(HDC dc);

  TW_BEGIN_MSG_MAP(CMyHeaderCtrl, fw::CHeaderCtrl)
    TW_MSG(HDM_LAYOUT, OnLayout)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_MOUSEHOVER, OnMouseHover)
    TW_MSG(WM_MOUSELEAVE, OnMouseLeave)
    TW_MSG(WM_LBUTTONDOWN, OnLButtonDown)
    TW_MSG(WM_LBUTTONUP, OnLButtonUp)
    TW_MSG(WM_GETOBJECT, OnGetObject)
  TW_END_MSG_MAP()

 private:
  LRESULT OnLayout(WPARAM, LPARAM lp);
  // The column titles as the header's name, since it paints them itself.
  LRESULT OnGetObject(WPARAM wp, LPARAM lp);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
  LRESULT OnMouseMove(WPARAM, LPARAM lp);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnLButtonDown(WPARAM, LPARAM lp);
  LRESULT OnLButtonUp(WPARAM, LPARAM);

  HeaderPointer pointer_;
  UINT dpi_ = 96;
  fw::CBitmap background_, edges_, hovered_, pressed_;
  CAutoFont font_;
};

class CMyListCtrl : public fw::CListViewCtrl {
 public:
  CMyListCtrl();
  // Subclasses a report list view: owner-drawn rows, the image header and
  // tooltips of its own.
  bool Attach(HWND list);
  void SetRowHeight();
  int row_height() const { return row_height_; }
  UINT dpi() const { return dpi_; }
  // The rows' icons, drawn at 24 pixels at 96 DPI; at other scales they are
  // stretched (filtered) to the scaled icon column once and centred in the row.
  void SetIconList(HIMAGELIST icons) {
    icons_ = icons;
    scaled_icons_.clear();
  }
  CMyHeaderCtrl& header() { return header_; }
  CAutoFont& font() { return font_; }
  // The cells' tooltip, made the first time it is asked for (or the
  // pointer first moves over the list).
  fw::CToolTipCtrl& tooltip();
  // What the tooltip shows for a point in client coordinates.
  // A cell too narrow for its text names the whole text.
  std::wstring TooltipTextAt(POINT p) const;
  // True when the cell's text is drawn whole (no ellipsis).
  bool CellTextFits(int item, int column) const;
  int last_click_item() const { return last_click_item_; }
  int last_click_column() const { return last_click_column_; }

  TW_BEGIN_MSG_MAP(CMyListCtrl, fw::CListViewCtrl)
    TW_MSG(fw::kOcmBase + WM_MEASUREITEM, OnMeasureItem)
    TW_MSG(fw::kOcmBase + WM_DRAWITEM, OnDrawItem)
    TW_MSG(WM_HSCROLL, OnHScroll)
    TW_MSG(WM_VSCROLL, OnVScroll)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_LBUTTONDOWN, OnLButtonDown)
    TW_MSG(WM_NOTIFY, OnNotify)
    TW_MSG(WM_DPICHANGED_AFTERPARENT, OnDpiChanged)
  TW_END_MSG_MAP()

 private:
  LRESULT OnMeasureItem(WPARAM, LPARAM lp);
  LRESULT OnDrawItem(WPARAM, LPARAM lp);
  LRESULT OnHScroll(WPARAM wp, LPARAM) { return OnThumb(false, wp); }
  LRESULT OnVScroll(WPARAM wp, LPARAM) { return OnThumb(true, wp); }
  LRESULT OnThumb(bool vertical, WPARAM wp);
  LRESULT OnMouseMove(WPARAM, LPARAM lp);
  LRESULT OnLButtonDown(WPARAM, LPARAM lp);
  LRESULT OnNotify(WPARAM, LPARAM lp);
  // wParam: the new DPI (0: the window's).
  LRESULT OnDpiChanged(WPARAM wp, LPARAM);
  // Where a cell's text goes: the cell less its inset.
  RECT TextRect(int item, int column) const;
  bool HitLabel(POINT p, int* item, int* column) const;

  CMyHeaderCtrl header_;
  int row_height_ = 0;
  UINT dpi_ = 96;
  void DrawIcon(HDC dc, int image, const RECT& row);
  HIMAGELIST icons_ = nullptr;
  // Premultiplied 32-bit pictures of icons_ at scaled_icon_size_.
  std::vector<fw::CBitmap> scaled_icons_;
  int scaled_icon_size_ = 0;
  CAutoFont font_;
  UINT text_format_ = DT_CENTER;
  fw::CToolTipCtrl tooltip_;
  int tip_item_ = -1, tip_column_ = -1;
  POINT last_pointer_{-1, -1};
  wchar_t tip_buffer_[1024] = {};
  char tip_buffer_ansi_[2048] = {};
  int last_click_item_ = -1, last_click_column_ = -1;
};

}  // namespace tw::ui

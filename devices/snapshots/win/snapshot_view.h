// CSnapshotView: the Snapshot Manager's tree, drawn on its grid from the
// tree model, with its own 18-pixel scroll bars; the grid, the pictures,
// the bars and the font are scaled by the window's DPI/96. It paints only the part
// of the drawing the window shows, so a tree of thousands of snapshots
// costs no more to paint than a small one.
#pragma once

#include <functional>

#include "devices/snapshots/snapshot_tree.h"
#include "devices/snapshots/win/keyed_picture.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "framework/window.h"

namespace tw::ui {

class CSnapshotView : public fw::CWindow {
 public:
  CSnapshotView();
  // A child window in `rc` of `parent`; the tree is borrowed and must
  // outlive the window.
  bool Create(HWND parent, const RECT& rc, UINT id, const SnapshotTree* tree);

  // The tree changed (nodes, texts or selection): lays out the scroll
  // bars again and repaints.
  void TreeChanged();
  // Scrolls so that the node's box is in view.
  void EnsureVisible(int node);

  // A click on a node, or an arrow key (false: Left, true: Right).
  std::function<void(int node)> on_click;
  std::function<void(bool right)> on_arrow;

  const SnapshotScroller& scroller() const { return scroller_; }
  ViewScale scale() const { return scale_; }
  HWND horizontal_bar() const { return hbar_.m_hWnd; }
  HWND vertical_bar() const { return vbar_.m_hWnd; }
  // True while the view or one of its bars has the keyboard focus.
  bool HasFocus() const;
  // The pointer over a client point: the hand over a node, else the arrow.
  HCURSOR CursorAt(POINT client) const;
  // Paints the visible part of the drawing at the client's origin.
  void Paint(HDC dc);

  TW_BEGIN_MSG_MAP(CSnapshotView, fw::CWindow)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_SIZE, OnSize)
    TW_MSG(WM_HSCROLL, OnHScroll)
    TW_MSG(WM_VSCROLL, OnVScroll)
    TW_MSG(WM_MOUSEWHEEL, OnMouseWheel)
    TW_MSG(WM_LBUTTONDOWN, OnLButtonDown)
    TW_MSG(WM_SETCURSOR, OnSetCursor)
    TW_MSG(WM_GETDLGCODE, OnGetDlgCode)
    TW_MSG(WM_KEYDOWN, OnKeyDown)
    TW_MSG(WM_SETFOCUS, OnFocusChange)
    TW_MSG(WM_KILLFOCUS, OnFocusChange)
    TW_MSG(WM_DPICHANGED_AFTERPARENT, OnDpiChanged)
  TW_END_MSG_MAP()

 private:
  // A scroll bar that tells the view when it gains or loses the focus,
  // since the selected box's colour depends on it.
  class CBar : public fw::CWindow {
   public:
    TW_BEGIN_MSG_MAP(CBar, fw::CWindow)
      TW_MSG(WM_SETFOCUS, OnFocusChange)
      TW_MSG(WM_KILLFOCUS, OnFocusChange)
    TW_END_MSG_MAP()
    LRESULT OnFocusChange(WPARAM, LPARAM);
  };

  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
  LRESULT OnSize(WPARAM, LPARAM);
  LRESULT OnHScroll(WPARAM wp, LPARAM lp);
  LRESULT OnVScroll(WPARAM wp, LPARAM lp);
  LRESULT OnMouseWheel(WPARAM wp, LPARAM);
  LRESULT OnLButtonDown(WPARAM, LPARAM lp);
  LRESULT OnSetCursor(WPARAM wp, LPARAM lp);
  LRESULT OnGetDlgCode(WPARAM, LPARAM) { return DLGC_WANTARROWS; }
  LRESULT OnKeyDown(WPARAM wp, LPARAM);
  LRESULT OnFocusChange(WPARAM, LPARAM);

  // wParam: the new DPI (0: the window's).
  LRESULT OnDpiChanged(WPARAM wp, LPARAM);
  // Loads the pictures and the font for `dpi`.
  void SetDpi(UINT dpi);
  void Layout();
  void SyncBars();
  // SB_* code of a bar message to a scroller step; false for codes that
  // are no step.
  static bool StepOf(int code, SnapshotScroller::Step* step);
  int TrackPosition(HWND bar) const;
  void Scrolled();

  const SnapshotTree* tree_ = nullptr;
  SnapshotScroller scroller_;
  ViewScale scale_;
  CBar hbar_, vbar_;
  CKeyedPicture pictures_[4];  // by node kind
  CKeyedPicture stub_, branch_;
  fw::CFont font_;
};

}  // namespace tw::ui

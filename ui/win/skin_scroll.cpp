#include "ui/win/skin_scroll.h"

#include <algorithm>

#include "framework/dpi.h"
#include "framework/gdi.h"
#include "ui/win/memory_dc.h"

namespace tw::ui {

// ---- CSkinScrollBar ------------------------------------------------------

CSkinScrollBar::CSkinScrollBar() : logic_(*this, false) {}

bool CSkinScrollBar::Create(HWND parent, const RECT& rc, DWORD style, UINT id) {
  logic_.set_vertical((style & SBS_VERT) != 0);
  if (!fw::CWindow::Create(parent, rc, L"", style | WS_CHILD, 0, id)) return false;
  RECT c = GetClientRect();
  logic_.SetLength(logic_.vertical() ? c.bottom : c.right);
  return true;
}

void CSkinScrollBar::SetSkin(HBITMAP skin) {
  skin_ = skin;
  SIZE s = fw::GetBitmapSize(skin);
  if (s.cx / 9 > 0) {
    src_cell_ = s.cx / 9;
    logic_.SetCell(fw::Scale(src_cell_, m_hWnd ? fw::DpiOf(m_hWnd) : fw::ScreenDpi()));
  }
  if (!m_hWnd) return;
  RECT r = GetRectInParent();
  int c = logic_.cell();
  if (logic_.vertical()) SetWindowPos(nullptr, r.left, r.top, c, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  else SetWindowPos(nullptr, r.left, r.top, r.right - r.left, c, SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate(FALSE);
}

int CSkinScrollBar::Along(LPARAM lp) const {
  POINT p = fw::PointFromLParam(lp);
  RECT c = GetClientRect();
  int along = logic_.vertical() ? p.y : p.x;
  int across = logic_.vertical() ? p.x : p.y;
  int thickness = logic_.vertical() ? c.right : c.bottom;
  if (logic_.dragging()) return along;
  return (across < 0 || across >= thickness) ? -1 : along;
}

LRESULT CSkinScrollBar::OnSize(WPARAM, LPARAM lp) {
  logic_.SetLength(logic_.vertical() ? HIWORD(lp) : LOWORD(lp));
  Invalidate(FALSE);
  return 0;
}

LRESULT CSkinScrollBar::OnLButtonDown(WPARAM, LPARAM lp) {
  logic_.ButtonDown(Along(lp));
  return 0;
}

LRESULT CSkinScrollBar::OnMouseMove(WPARAM, LPARAM lp) {
  logic_.MouseMove(Along(lp));
  return 0;
}

LRESULT CSkinScrollBar::OnLButtonUp(WPARAM, LPARAM lp) {
  logic_.ButtonUp(Along(lp));
  return 0;
}

LRESULT CSkinScrollBar::OnMouseLeave(WPARAM, LPARAM) {
  logic_.Leave();
  return 0;
}

LRESULT CSkinScrollBar::OnTimer(WPARAM wp, LPARAM) {
  logic_.Timer(static_cast<unsigned>(wp));
  return 0;
}

LRESULT CSkinScrollBar::OnSetScrollInfo(WPARAM wp, LPARAM lp) {
  auto* si = reinterpret_cast<const SCROLLINFO*>(lp);
  if (!si) return logic_.info().nPos;
  ScrollInfo in{si->nMin, si->nMax, si->nPage, si->nPos, 0};
  logic_.SetInfo(si->fMask & (SIF_RANGE | SIF_PAGE | SIF_POS), in, wp != 0);
  return logic_.info().nPos;
}

LRESULT CSkinScrollBar::OnGetScrollInfo(WPARAM, LPARAM lp) {
  auto* si = reinterpret_cast<SCROLLINFO*>(lp);
  if (!si) return FALSE;
  const ScrollInfo& i = logic_.info();
  if (si->fMask & SIF_RANGE) {
    si->nMin = i.nMin;
    si->nMax = i.nMax;
  }
  if (si->fMask & SIF_PAGE) si->nPage = i.nPage;
  if (si->fMask & SIF_POS) si->nPos = i.nPos;
  if (si->fMask & SIF_TRACKPOS) si->nTrackPos = logic_.dragging() ? i.nTrackPos : i.nPos;
  return TRUE;
}

void CSkinScrollBar::SendScroll(int code, int pos) {
  UINT msg = logic_.vertical() ? WM_VSCROLL : WM_HSCROLL;
  ::SendMessageW(GetParent(), msg, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinScrollBar::Capture(bool on) {
  if (on) ::SetCapture(m_hWnd);
  else if (::GetCapture() == m_hWnd) ::ReleaseCapture();
}

RECT CSkinScrollBar::SpanRect(int begin, int end) const {
  RECT c = GetClientRect();
  return logic_.vertical() ? RECT{0, begin, c.right, end} : RECT{begin, 0, end, c.bottom};
}

void CSkinScrollBar::DrawPartOn(HDC hdc, const BarGeometry& g, ScrollPart part, SkinRow row) {
  if (!skin_) return;
  int b = 0, e = 0;
  PartSpan(g, part, &b, &e);
  if (e <= b) return;
  RECT r = SpanRect(b, e);
  fw::CDCHandle dc(hdc);
  // Source figures in the skin's pixels, drawn at the bar's (scaled) size.
  const int cell = logic_.cell(), src = src_cell_;
  auto to_src = [&](int n) { return std::max(::MulDiv(n, src, cell), 1); };
  int col = SkinColumn(logic_.vertical(), part);
  int sx = col * src, sy = row * src;
  int w = r.right - r.left, h = r.bottom - r.top;
  if (part != kPartThumb) {
    dc.DrawBitmap(skin_, r.left, r.top, w, h, sx, sy, src, src);
    return;
  }
  // The thumb: 3-pixel caps from the cell's ends, the middle tiled.
  int len = e - b;
  int cap = std::min(::MulDiv(kThumbCap, cell, src), len / 2);
  int cap_src = std::min(to_src(cap), kThumbCap);
  int mid_src = std::max(src - 2 * kThumbCap, 1);
  int mid = std::max(::MulDiv(mid_src, cell, src), 1);
  if (logic_.vertical()) {
    dc.DrawBitmap(skin_, r.left, r.top, w, cap, sx, sy, src, cap_src);
    for (int y = r.top + cap; y < r.bottom - cap; y += mid) {
      int n = std::min<int>(mid, r.bottom - cap - y);
      dc.DrawBitmap(skin_, r.left, y, w, n, sx, sy + kThumbCap, src, to_src(n));
    }
    dc.DrawBitmap(skin_, r.left, r.bottom - cap, w, cap, sx, sy + src - cap_src, src, cap_src);
  } else {
    dc.DrawBitmap(skin_, r.left, r.top, cap, h, sx, sy, cap_src, src);
    for (int x = r.left + cap; x < r.right - cap; x += mid) {
      int n = std::min<int>(mid, r.right - cap - x);
      dc.DrawBitmap(skin_, x, r.top, n, h, sx + kThumbCap, sy, to_src(n), src);
    }
    dc.DrawBitmap(skin_, r.right - cap, r.top, cap, h, sx + src - cap_src, sy, cap_src, src);
  }
}

void CSkinScrollBar::DrawTrackOn(HDC hdc, const BarGeometry& g, SkinRow thumb_row) {
  if (!skin_) return;
  fw::CDCHandle dc(hdc);
  const int cell = logic_.cell(), src = src_cell_;
  int sx = (logic_.vertical() ? kSkinTrackColumnV : kSkinTrackColumnH) * src;
  int tb = g.arrow, te = g.length - g.arrow;
  for (int p = tb; p < te; p += cell) {
    int n = std::min(cell, te - p);
    int n_src = std::max(::MulDiv(n, src, cell), 1);
    RECT r = SpanRect(p, p + n);
    if (logic_.vertical()) dc.DrawBitmap(skin_, r.left, r.top, r.right - r.left, n, sx, 0, src, n_src);
    else dc.DrawBitmap(skin_, r.left, r.top, n, r.bottom - r.top, sx, 0, n_src, src);
  }
  if (g.thumb > 0) DrawPartOn(hdc, g, kPartThumb, thumb_row);
}

void CSkinScrollBar::DrawPart(ScrollPart part, SkinRow row) {
  if (!m_hWnd) return;
  fw::CClientDC dc(m_hWnd);
  DrawPartOn(dc, logic_.Geometry(), part, row);
}

void CSkinScrollBar::DrawTrackAndThumb(SkinRow thumb_row) {
  if (!m_hWnd) return;
  BarGeometry g = logic_.Geometry();
  RECT r = SpanRect(g.arrow, g.length - g.arrow);
  fw::CClientDC target(m_hWnd);
  CMemoryDC dc(target, &r);
  DrawTrackOn(dc, g, thumb_row);
}

void CSkinScrollBar::Paint(HDC target) {
  RECT c = GetClientRect();
  CMemoryDC dc(target, &c);
  BarGeometry g = logic_.Geometry();
  DrawPartOn(dc, g, kPartUpArrow, logic_.RowFor(kPartUpArrow));
  DrawPartOn(dc, g, kPartDownArrow, logic_.RowFor(kPartDownArrow));
  DrawTrackOn(dc, g, logic_.RowFor(kPartThumb));
}

LRESULT CSkinScrollBar::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC pdc(m_hWnd);
  Paint(pdc);
  return 0;
}

// ---- CSkinScrollWnd ------------------------------------------------------

bool CSkinScrollWnd::CClipWnd::ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_NOTIFY && msg != WM_COMMAND && msg != WM_CONTEXTMENU) return false;
  if (msg == WM_NOTIFY) {
    // Reflected first, so the wrapped control still handles its own.
    HWND from = reinterpret_cast<NMHDR*>(lp)->hwndFrom;
    if (CWindow* obj = FromHandle(from))
      if (obj->ProcessWindowMessage(fw::kOcmBase + msg, wp, lp, result)) return true;
  }
  if (!forward_to) return false;
  result = ::SendMessageW(forward_to, msg, wp, lp);
  return true;
}

CSkinScrollWnd* WrapWithSkinScrollBars(HWND window, HBITMAP skin) {
  if (!window || !::IsWindow(window) || ::GetWindowLongPtrW(window, GWLP_USERDATA) != 0) return nullptr;
  auto* frame = new CSkinScrollWnd();
  SIZE ss = fw::GetBitmapSize(skin);
  frame->skin_ = skin;
  if (ss.cx / 9 > 0) frame->cell_ = fw::Scale(ss.cx / 9, fw::DpiOf(window));
  HWND parent = ::GetParent(window);
  RECT rc{};
  ::GetWindowRect(window, &rc);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
  frame->old_rect_ = rc;
  frame->old_parent_ = parent;
  LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
  LONG_PTR ex = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  DWORD frame_style = WS_CHILD | WS_CLIPCHILDREN;
  // The dialog's Tab goes on through the frame and its clip to the window.
  DWORD frame_ex = WS_EX_CONTROLPARENT;
  RECT inner{0, 0, rc.right - rc.left, rc.bottom - rc.top};
  if (style & WS_BORDER) {
    frame_style |= WS_BORDER;
    style &= ~static_cast<LONG_PTR>(WS_BORDER);
    int b = ::GetSystemMetrics(SM_CXBORDER);
    inner.right -= 2 * b;
    inner.bottom -= 2 * b;
  }
  if (ex & WS_EX_CLIENTEDGE) {
    frame_ex |= WS_EX_CLIENTEDGE;
    ex &= ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE);
    int e = ::GetSystemMetrics(SM_CXEDGE);
    inner.right -= 2 * e;
    inner.bottom -= 2 * e;
  }
  if (style & WS_VISIBLE) frame_style |= WS_VISIBLE;
  UINT id = static_cast<UINT>(::GetDlgCtrlID(window));
  if (!frame->Create(parent, rc, L"SkinScrollBarFrame", frame_style, frame_ex, id)) {
    delete frame;
    return nullptr;
  }
  // The frame takes the window's place in the tab order.
  ::SetWindowPos(frame->m_hWnd, window, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  frame->clip_.forward_to = parent;
  frame->clip_.Create(frame->m_hWnd, inner, L"LIMIT", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                      kClipWindowId);
  int c = frame->cell_;
  frame->hbar_.Create(frame->m_hWnd, RECT{0, inner.bottom - c, inner.right, inner.bottom}, 0, kHorzBarId);
  frame->vbar_.Create(frame->m_hWnd, RECT{inner.right - c, 0, inner.right, inner.bottom}, SBS_VERT, kVertBarId);
  frame->hbar_.SetSkin(skin);
  frame->vbar_.SetSkin(skin);

  ::SetWindowLongPtrW(window, GWL_STYLE, style);
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, ex);
  ::SetParent(window, frame->clip_.m_hWnd);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  frame->wrapped_ = window;
  frame->old_proc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSkinScrollWnd::HookProc)));
  ::SetWindowPos(window, nullptr, 0, 0, inner.right, inner.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  frame->PostMessageW(kWmSkinScrollLayoutMsg, (style & WS_VSCROLL) != 0, (ex & WS_EX_LEFTSCROLLBAR) != 0);
  frame->MoveWindow(rc, TRUE);
  frame->SetTimer(100, 500);
  return frame;
}

LRESULT CALLBACK CSkinScrollWnd::HookProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* frame = reinterpret_cast<CSkinScrollWnd*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!frame || frame->wrapped_ != h) return ::DefWindowProcW(h, msg, wp, lp);
  return frame->Hook(msg, wp, lp);
}

void CSkinScrollWnd::Unwrap(bool restore_place) {
  HWND w = wrapped_;
  if (!w) return;
  wrapped_ = nullptr;
  ::SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old_proc_));
  ::SetWindowLongPtrW(w, GWLP_USERDATA, 0);
  if (restore_place) {
    ::SetParent(w, old_parent_);
    ::MoveWindow(w, old_rect_.left, old_rect_.top, old_rect_.right - old_rect_.left,
                 old_rect_.bottom - old_rect_.top, TRUE);
  }
}

void CSkinScrollWnd::SyncBar(CSkinScrollBar& bar, int which, bool only_when_changed) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  if (!::GetScrollInfo(wrapped_, which, &si)) return;
  const ScrollInfo& cur = bar.logic().info();
  bool changed = si.nMin != cur.nMin || si.nMax != cur.nMax || si.nPage != cur.nPage || si.nPos != cur.nPos;
  if (only_when_changed && !changed) return;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  bar.SendMessageW(SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  bar.EnableWindow(si.nMax >= static_cast<int>(si.nPage));
}

LRESULT CSkinScrollWnd::Hook(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    HWND w = wrapped_;
    WNDPROC proc = old_proc_;
    Unwrap(true);
    DestroyWindow();
    return ::CallWindowProcW(proc, w, msg, wp, lp);
  }
  HWND w = wrapped_;
  LRESULT r = ::CallWindowProcW(old_proc_, w, msg, wp, lp);
  if (busy_ || !wrapped_) return r;
  LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE);
  LONG_PTR ex = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
  switch (msg) {
    case WM_ERASEBKGND:
      if (style & WS_VSCROLL) SyncBar(vbar_, SB_VERT, true);
      if (style & WS_HSCROLL) SyncBar(hbar_, SB_HORZ, true);
      break;
    case WM_NCCALCSIZE:
      if (wp) {
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp);
        bool has_v = (style & WS_VSCROLL) != 0, has_h = (style & WS_HSCROLL) != 0;
        bool left = (ex & WS_EX_LEFTSCROLLBAR) != 0;
        if (has_v) {
          int give = ::GetSystemMetrics(SM_CXVSCROLL) - cell_;
          if (left) p->rgrc[0].left -= give;
          else p->rgrc[0].right += give;
        }
        if (has_h) p->rgrc[0].bottom += ::GetSystemMetrics(SM_CYHSCROLL) - cell_;
        RECT fc = GetClientRect();
        int vh = fc.bottom - (has_h ? cell_ : 0);
        int hw = fc.right - (has_v ? cell_ : 0);
        busy_ = true;
        vbar_.SetWindowPos(nullptr, left ? 0 : fc.right - cell_, 0, cell_, vh,
                           SWP_NOZORDER | SWP_NOACTIVATE | (has_v ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        hbar_.SetWindowPos(nullptr, left && has_v ? cell_ : 0, fc.bottom - cell_, hw, cell_,
                           SWP_NOZORDER | SWP_NOACTIVATE | (has_h ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        busy_ = false;
        size_box_ = (has_v && has_h) ? (left ? 1 : 2) : 0;
        PostMessageW(kWmSkinScrollLayoutMsg, has_v, left);
      }
      break;
  }
  return r;
}

LRESULT CSkinScrollWnd::OnLayout(WPARAM, LPARAM) {
  if (!wrapped_) return 0;
  busy_ = true;
  RECT fc = GetClientRect();
  bool hv = hbar_.IsWindowVisible() != FALSE, vv = vbar_.IsWindowVisible() != FALSE;
  bool left = (::GetWindowLongPtrW(wrapped_, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
  int w = fc.right - (vv ? cell_ : 0), h = fc.bottom - (hv ? cell_ : 0);
  int x = (vv && left) ? cell_ : 0;
  clip_.SetWindowPos(nullptr, x, 0, std::max(w, 0), std::max(h, 0), SWP_NOZORDER | SWP_NOACTIVATE);
  // Same size, at the clip window's origin: the native bars fall outside.
  int wx = (vv && left) ? -cell_ : 0;
  ::SetWindowPos(wrapped_, nullptr, wx, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  busy_ = false;
  Invalidate(FALSE);
  return 0;
}

LRESULT CSkinScrollWnd::Forward(UINT msg, WPARAM wp, LPARAM lp) {
  if (!wrapped_) return 0;
  busy_ = true;
  ::SendMessageW(wrapped_, msg, wp, 0);
  busy_ = false;
  if (LOWORD(wp) != SB_THUMBTRACK) {
    bool vertical = msg == WM_VSCROLL;
    SyncBar(vertical ? vbar_ : hbar_, vertical ? SB_VERT : SB_HORZ, false);
  }
  (void)lp;
  return 0;
}

LRESULT CSkinScrollWnd::OnTimer(WPARAM wp, LPARAM) {
  if (wp != 100 || !wrapped_) return 0;
  if (vbar_.IsWindowVisible() && !vbar_.logic().dragging()) SyncBar(vbar_, SB_VERT, true);
  if (hbar_.IsWindowVisible() && !hbar_.logic().dragging()) SyncBar(hbar_, SB_HORZ, true);
  return 0;
}

LRESULT CSkinScrollWnd::OnSize(WPARAM, LPARAM lp) {
  if (wrapped_)
    ::SetWindowPos(wrapped_, nullptr, 0, 0, LOWORD(lp), HIWORD(lp), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

LRESULT CSkinScrollWnd::OnPaint(WPARAM, LPARAM) {
  fw::CPaintDC dc(m_hWnd);
  if (size_box_ == 0 || !skin_) return 0;
  RECT fc = GetClientRect();
  int x = size_box_ == 2 ? fc.right - cell_ : 0;
  int row = size_box_ == 2 ? 0 : 1;
  dc.DrawBitmap(skin_, x, fc.bottom - cell_, cell_, cell_, kSkinSizeBoxColumn * cell_, row * cell_, cell_, cell_);
  return 0;
}

LRESULT CSkinScrollWnd::OnDestroy(WPARAM, LPARAM) {
  KillTimer(100);
  // Destroyed with its parent: the wrapped window goes down with it, so
  // only the hook comes off (no move into a parent being destroyed).
  if (wrapped_) Unwrap(false);
  SetMsgHandled(false);
  return 0;
}

}  // namespace tw::ui

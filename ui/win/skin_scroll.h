// Bitmap-skinned scroll bars and the frame that puts them in place of a
// window's native ones.
#pragma once

#include "framework/window.h"
#include "ui/layout/scroll_bar.h"

namespace tw::ui {

constexpr UINT kWmSkinScrollLayoutMsg = kWmSkinScrollLayout;
constexpr UINT kHorzBarId = 100, kVertBarId = 101, kClipWindowId = 200;

class CSkinScrollBar : public fw::CWindow, private ScrollBarHost {
 public:
  CSkinScrollBar();
  // Creates the bar; SBS_VERT in `style` makes it vertical.
  bool Create(HWND parent, const RECT& rc, DWORD style, UINT id);
  void SetSkin(HBITMAP skin);
  HBITMAP skin() const { return skin_; }
  int cell() const { return logic_.cell(); }
  bool vertical() const { return logic_.vertical(); }
  const ScrollBarLogic& logic() const { return logic_; }
  void Paint(HDC dc);

  TW_BEGIN_MSG_MAP(CSkinScrollBar, fw::CWindow)
    TW_MSG(WM_SIZE, OnSize)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_LBUTTONDOWN, OnLButtonDown)
    TW_MSG(WM_LBUTTONDBLCLK, OnSwallow)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_LBUTTONUP, OnLButtonUp)
    TW_MSG(WM_MOUSELEAVE, OnMouseLeave)
    TW_MSG(WM_TIMER, OnTimer)
    TW_MSG(SBM_SETSCROLLINFO, OnSetScrollInfo)
    TW_MSG(SBM_GETSCROLLINFO, OnGetScrollInfo)
  TW_END_MSG_MAP()

 private:
  LRESULT OnSize(WPARAM, LPARAM lp);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
  LRESULT OnLButtonDown(WPARAM, LPARAM lp);
  LRESULT OnSwallow(WPARAM, LPARAM) { return 0; }
  LRESULT OnMouseMove(WPARAM, LPARAM lp);
  LRESULT OnLButtonUp(WPARAM, LPARAM lp);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnTimer(WPARAM wp, LPARAM);
  LRESULT OnSetScrollInfo(WPARAM wp, LPARAM lp);
  LRESULT OnGetScrollInfo(WPARAM, LPARAM lp);
  // The pointer along the bar; off the bar across it, -1 unless a drag runs.
  int Along(LPARAM lp) const;

  // ScrollBarHost
  void SendScroll(int code, int pos) override;
  void SetTimer(unsigned id, unsigned ms) override { CWindow::SetTimer(id, ms); }
  void KillTimer(unsigned id) override { CWindow::KillTimer(id); }
  void Capture(bool on) override;
  void RequestLeave() override { TrackMouse(TME_LEAVE, 0); }
  void DrawPart(ScrollPart part, SkinRow row) override;
  void DrawTrackAndThumb(SkinRow thumb_row) override;

  void DrawPartOn(HDC dc, const BarGeometry& g, ScrollPart part, SkinRow row);
  void DrawTrackOn(HDC dc, const BarGeometry& g, SkinRow thumb_row);
  RECT SpanRect(int begin, int end) const;

  ScrollBarLogic logic_;
  HBITMAP skin_ = nullptr;
  int src_cell_ = 16;  // the skin's cell; the bar's is scaled to its DPI
};

class CSkinScrollWnd : public fw::CWindow {
 public:
  CSkinScrollWnd() = default;
  HWND wrapped() const { return wrapped_; }
  CSkinScrollBar& horizontal() { return hbar_; }
  CSkinScrollBar& vertical() { return vbar_; }
  HWND clip_window() const { return clip_.m_hWnd; }
  int size_box_mode() const { return size_box_; }
  int cell() const { return cell_; }

  TW_BEGIN_MSG_MAP(CSkinScrollWnd, fw::CWindow)
    TW_MSG(kWmSkinScrollLayoutMsg, OnLayout)
    TW_MSG(WM_VSCROLL, OnVScroll)
    TW_MSG(WM_HSCROLL, OnHScroll)
    TW_MSG(WM_TIMER, OnTimer)
    TW_MSG(WM_SIZE, OnSize)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_DESTROY, OnDestroy)
  TW_END_MSG_MAP()

 protected:
  void OnFinalMessage(HWND) override { delete this; }

 private:
  friend CSkinScrollWnd* WrapWithSkinScrollBars(HWND window, HBITMAP skin);
  static LRESULT CALLBACK HookProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Hook(UINT msg, WPARAM wp, LPARAM lp);
  void Unwrap(bool restore_place);
  void SyncBar(CSkinScrollBar& bar, int which, bool only_when_changed);
  LRESULT OnLayout(WPARAM wp, LPARAM lp);
  LRESULT OnVScroll(WPARAM wp, LPARAM lp) { return Forward(WM_VSCROLL, wp, lp); }
  LRESULT OnHScroll(WPARAM wp, LPARAM lp) { return Forward(WM_HSCROLL, wp, lp); }
  LRESULT Forward(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnTimer(WPARAM wp, LPARAM);
  LRESULT OnSize(WPARAM, LPARAM lp);
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);

  // The clip window passes notifications from the wrapped window on to the
  // frame's parent, which expects them from its control.
  class CClipWnd : public fw::CWindow {
   public:
    HWND forward_to = nullptr;
    bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  };

  HWND wrapped_ = nullptr;
  HWND old_parent_ = nullptr;
  RECT old_rect_{};
  WNDPROC old_proc_ = nullptr;
  HBITMAP skin_ = nullptr;
  int cell_ = 16;
  CSkinScrollBar hbar_, vbar_;
  CClipWnd clip_;
  bool busy_ = false;
  int size_box_ = 0;
};

// Puts skinned bars in place of `window`'s native scroll bars; the frame
// lives until the window is destroyed. Null on failure.
CSkinScrollWnd* WrapWithSkinScrollBars(HWND window, HBITMAP skin);

}  // namespace tw::ui

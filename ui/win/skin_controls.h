// The skinned push button, statics and title band of the pages.
#pragma once

#include <string>

#include "framework/controls.h"
#include "framework/dpi.h"
#include "ui/layout/controls.h"
#include "ui/win/auto_font.h"

namespace tw::ui {

class CButtonEx : public fw::CButton {
 public:
  CButtonEx() = default;
  // Subclasses a button and makes it owner-drawn.
  bool Attach(HWND button);
  // The strip of the four state images, each cut at the button's size when
  // first drawn; false when the bitmap is missing (the button then draws
  // without images).
  bool LoadStateImages(UINT bitmap_id, HINSTANCE inst = nullptr);

  ButtonLook CurrentLook(bool selected) const;
  bool hover() const { return hover_.hover(); }
  bool tracking() const { return hover_.tracking(); }
  HBITMAP state_image(ButtonLook look);
  CAutoFont& font() { return font_; }
  // Draws the button as it looks in `look` into dc over rc.
  void Draw(HDC dc, const RECT& rc, ButtonLook look);

  TW_BEGIN_MSG_MAP(CButtonEx, fw::CButton)
    TW_MSG(fw::kOcmBase + WM_DRAWITEM, OnDrawItem)
    TW_MSG(WM_MOUSEMOVE, OnMouseMove)
    TW_MSG(WM_MOUSEHOVER, OnMouseHover)
    TW_MSG(WM_MOUSELEAVE, OnMouseLeave)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
    TW_MSG(WM_GETDLGCODE, OnGetDlgCode)
    TW_MSG(WM_KEYDOWN, OnKeyDown)
    TW_MSG(WM_DPICHANGED_AFTERPARENT, OnDpiChanged)
    TW_MSG(WM_GETOBJECT, OnGetObject)
  TW_END_MSG_MAP()

 private:
  LRESULT OnDrawItem(WPARAM, LPARAM lp);
  // Owner-drawn, the button would be a plain client to a screen reader.
  LRESULT OnGetObject(WPARAM wp, LPARAM lp);
  LRESULT OnGetDlgCode(WPARAM, LPARAM lp);
  LRESULT OnKeyDown(WPARAM wp, LPARAM);
  LRESULT OnDpiChanged(WPARAM wp, LPARAM);  // wParam: the new DPI (0: the window's)
  LRESULT OnMouseMove(WPARAM, LPARAM);
  LRESULT OnMouseHover(WPARAM, LPARAM);
  LRESULT OnMouseLeave(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }

  fw::CBitmap strip_;
  fw::CBitmap images_[4];  // indexed by ButtonLook
  bool have_images_ = false;
  bool focused_ = false;  // while drawing
  UINT strip_id_ = 0;
  HINSTANCE strip_inst_ = nullptr;
  ButtonMargins margins_;
  CAutoFont font_;
  HoverTracker hover_;
};

class CMyStatic : public fw::CStatic {
 public:
  CMyStatic() = default;
  bool Attach(HWND s);
  // Background by number (the default is 159) or borrowed bitmap.
  bool SetImage(UINT bitmap_id, HINSTANCE inst = nullptr);
  void SetImage(HBITMAP borrowed);
  CAutoFont& font() { return font_; }
  void Paint(HDC dc);

  TW_BEGIN_MSG_MAP(CMyStatic, fw::CStatic)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
  TW_END_MSG_MAP()

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
  fw::CBitmap owned_;
  HBITMAP image_ = nullptr;
  CAutoFont font_;
};

class CHeaderTitle : public fw::CStatic {
 public:
  bool Attach(HWND s) { return SubclassWindow(s); }
  void SetTitle(const std::wstring& t);
  void SetSubtitle(const std::wstring& t);
  void SetIcon(HICON icon);
  const std::wstring& title() const { return title_; }
  const std::wstring& subtitle() const { return subtitle_; }
  HICON icon() const { return icon_; }
  void Paint(HDC dc);

  TW_BEGIN_MSG_MAP(CHeaderTitle, fw::CStatic)
    TW_MSG(WM_PAINT, OnPaint)
    TW_MSG(WM_ERASEBKGND, OnEraseBkgnd)
  TW_END_MSG_MAP()

 private:
  LRESULT OnPaint(WPARAM, LPARAM);
  LRESULT OnEraseBkgnd(WPARAM, LPARAM) { return 1; }
  std::wstring title_, subtitle_;
  HICON icon_ = nullptr;
  fw::CBrush white_{::CreateSolidBrush(RGB(255, 255, 255))};
};

}  // namespace tw::ui

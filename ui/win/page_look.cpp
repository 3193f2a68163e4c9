#include "ui/win/page_look.h"

#include <algorithm>

namespace tw::ui {

bool CPageLook::Load(UINT background_id, UINT border_id, HINSTANCE inst) {
  background_.Attach(fw::LoadBitmapResource(background_id, inst));
  border_.Attach(fw::LoadBitmapResource(border_id, inst));
  return !background_.IsNull() && !border_.IsNull();
}

void CPageLook::Paint(HDC hdc, const RECT& rc) const {
  fw::CDCHandle dc(hdc);
  if (background_.IsNull()) {
    ::FillRect(hdc, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    return;
  }
  SIZE bs = fw::GetBitmapSize(background_);
  ::SetStretchBltMode(hdc, COLORONCOLOR);
  dc.DrawBitmap(background_, rc.left + 1, rc.top + 1, rc.right - rc.left - 2, rc.bottom - rc.top - 2, 0, 0, bs.cx,
                bs.cy);
  if (border_.IsNull()) return;
  SIZE es = fw::GetBitmapSize(border_);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  dc.DrawBitmap(border_, rc.left, rc.top, w, 1, 0, 0, es.cx, es.cy);
  dc.DrawBitmap(border_, rc.left, rc.bottom - 1, w, 1, 0, 0, es.cx, es.cy);
  dc.DrawBitmap(border_, rc.left, rc.top, 1, h, 0, 0, es.cx, es.cy);
  dc.DrawBitmap(border_, rc.right - 1, rc.top, 1, h, 0, 0, es.cx, es.cy);
}

COLORREF CPageLook::ColourAt(int y) const {
  if (background_.IsNull()) return RGB(255, 255, 255);
  SIZE bs = fw::GetBitmapSize(background_);
  y = std::clamp(y, 0, static_cast<int>(bs.cy) - 1);
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(mem, background_);
  COLORREF c = ::GetPixel(mem, 0, y);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return c;
}

HBRUSH CPageLook::BrushAt(int y) {
  COLORREF c = ColourAt(y);
  auto it = brushes_.find(c);
  if (it == brushes_.end()) it = brushes_.emplace(c, fw::CBrush(::CreateSolidBrush(c))).first;
  return it->second;
}

HBRUSH CPageLook::BackgroundFor(HDC dc, const RECT& client, POINT origin) {
  SIZE size{client.right - client.left, client.bottom - client.top};
  if (pattern_.IsNull() || size.cx != pattern_size_.cx || size.cy != pattern_size_.cy) {
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HBITMAP picture = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
    HGDIOBJ old = ::SelectObject(mem, picture);
    Paint(mem, RECT{0, 0, size.cx, size.cy});
    ::SelectObject(mem, old);
    pattern_.Attach(::CreatePatternBrush(picture));
    ::DeleteObject(picture);  // the brush keeps its own copy
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    pattern_size_ = size;
  }
  ::SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
  return pattern_;
}

}  // namespace tw::ui

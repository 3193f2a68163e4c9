#include "framework/gdi.h"

namespace tw::fw {

HBITMAP LoadBitmapResource(UINT id, HINSTANCE inst) {
  return static_cast<HBITMAP>(::LoadImageW(inst ? inst : ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

SIZE GetBitmapSize(HBITMAP b) {
  BITMAP bm{};
  if (!b || !::GetObjectW(b, sizeof bm, &bm)) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

void CDCHandle::FillSolidRect(const RECT& r, COLORREF c) const {
  COLORREF old = ::SetBkColor(m_hDC, c);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  ::SetBkColor(m_hDC, old);
}

void CDCHandle::FrameRect(const RECT& r, COLORREF c) const {
  HBRUSH b = ::CreateSolidBrush(c);
  ::FrameRect(m_hDC, &r, b);
  ::DeleteObject(b);
}

SIZE CDCHandle::GetTextExtent(const std::wstring& t) const {
  SIZE s{0, 0};
  ::GetTextExtentPoint32W(m_hDC, t.c_str(), static_cast<int>(t.size()), &s);
  return s;
}

BOOL CDCHandle::TransparentBlt(int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                               COLORREF key) const {
  return ::TransparentBlt(m_hDC, x, y, w, h, src, sx, sy, sw, sh, key);
}

void CDCHandle::VerticalGradient(const RECT& r, COLORREF top, COLORREF bottom) const {
  if (r.bottom <= r.top || r.right <= r.left) return;
  TRIVERTEX v[2] = {};
  v[0].x = r.left;
  v[0].y = r.top;
  v[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
  v[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
  v[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
  v[1].x = r.right;
  v[1].y = r.bottom;
  v[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
  v[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
  v[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
  GRADIENT_RECT g{0, 1};
  ::GradientFill(m_hDC, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
}

void CDCHandle::VerticalGradient3(const RECT& r, COLORREF top, COLORREF middle, COLORREF bottom) const {
  int mid = r.top + (r.bottom - r.top) / 2;
  VerticalGradient(RECT{r.left, r.top, r.right, mid}, top, middle);
  VerticalGradient(RECT{r.left, mid, r.right, r.bottom}, middle, bottom);
}

void CDCHandle::Line(int x1, int y1, int x2, int y2, COLORREF c) const {
  HPEN pen = ::CreatePen(PS_SOLID, 1, c);
  HGDIOBJ old = ::SelectObject(m_hDC, pen);
  ::MoveToEx(m_hDC, x1, y1, nullptr);
  ::LineTo(m_hDC, x2, y2);
  ::SelectObject(m_hDC, old);
  ::DeleteObject(pen);
}

void CDCHandle::DrawBitmap(HBITMAP b, int x, int y, int w, int h, int sx, int sy, int sw, int sh) const {
  if (!b || w <= 0 || h <= 0) return;
  HDC mem = ::CreateCompatibleDC(m_hDC);
  HGDIOBJ old = ::SelectObject(mem, b);
  ::SetStretchBltMode(m_hDC, COLORONCOLOR);
  if (w == sw && h == sh) ::BitBlt(m_hDC, x, y, w, h, mem, sx, sy, SRCCOPY);
  else ::StretchBlt(m_hDC, x, y, w, h, mem, sx, sy, sw, sh, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}

void CDCHandle::DrawBitmapKeyed(HBITMAP b, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                                COLORREF key) const {
  if (!b || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  HDC mem = ::CreateCompatibleDC(m_hDC);
  HGDIOBJ old = ::SelectObject(mem, b);
  ::TransparentBlt(m_hDC, x, y, w, h, mem, sx, sy, sw, sh, key);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}

bool CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  Destroy();
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr;
}

int CImageList::AddIconResource(UINT id, HINSTANCE inst) const {
  SIZE s = GetIconSize();
  HICON icon = static_cast<HICON>(::LoadImageW(inst ? inst : ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                               IMAGE_ICON, s.cx, s.cy, 0));
  if (!icon) return -1;
  // The icon's own bitmaps, as they are: what ImageList_AddIcon would store,
  // at a fifth of its cost under Wine. A monochrome icon goes the long way.
  int i = -1;
  ICONINFO ii{};
  if (::GetIconInfo(icon, &ii)) {
    SIZE c = GetBitmapSize(ii.hbmColor);
    if (ii.hbmColor && c.cx == s.cx && c.cy == s.cy) i = ImageList_Add(m_hImageList, ii.hbmColor, ii.hbmMask);
    if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
    if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
  }
  if (i < 0) i = ImageList_AddIcon(m_hImageList, icon);
  ::DestroyIcon(icon);
  return i;
}

SIZE CImageList::GetIconSize() const {
  int cx = 0, cy = 0;
  ImageList_GetIconSize(m_hImageList, &cx, &cy);
  return SIZE{cx, cy};
}

}  // namespace tw::fw

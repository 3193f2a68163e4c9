#include "devices/snapshots/win/keyed_picture.h"

namespace tw::ui {

void CKeyedPicture::Load(HBITMAP bitmap, COLORREF key) {
  sprite_.Attach(bitmap);
  mask_.DeleteObject();
  if (!bitmap) return;
  size_ = fw::GetBitmapSize(bitmap);
  mask_.Attach(::CreateBitmap(size_.cx, size_.cy, 1, 1, nullptr));
  HDC screen = ::GetDC(nullptr);
  HDC picture = ::CreateCompatibleDC(screen);
  HDC mask = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old_picture = ::SelectObject(picture, sprite_);
  HGDIOBJ old_mask = ::SelectObject(mask, mask_);
  // Colour to monochrome: pixels of the background colour become 1.
  ::SetBkColor(picture, key);
  ::BitBlt(mask, 0, 0, size_.cx, size_.cy, picture, 0, 0, SRCCOPY);
  // Monochrome to colour: 1 becomes the background colour (black here),
  // 0 the text colour (white); AND blackens the transparent pixels.
  ::SetBkColor(picture, RGB(0, 0, 0));
  ::SetTextColor(picture, RGB(255, 255, 255));
  ::BitBlt(picture, 0, 0, size_.cx, size_.cy, mask, 0, 0, SRCAND);
  ::SelectObject(mask, old_mask);
  ::SelectObject(picture, old_picture);
  ::DeleteDC(mask);
  ::DeleteDC(picture);
}

void CKeyedPicture::Draw(HDC dc, HDC scratch, int x, int y, int from_x, int w, int h) const {
  if (!ok()) return;
  COLORREF bk = ::SetBkColor(dc, RGB(255, 255, 255));
  COLORREF fg = ::SetTextColor(dc, RGB(0, 0, 0));
  // Keep what lies under the transparent pixels, clear the rest, paint in.
  HGDIOBJ old = ::SelectObject(scratch, mask_);
  ::BitBlt(dc, x, y, w, h, scratch, from_x, 0, SRCAND);
  ::SelectObject(scratch, sprite_);
  ::BitBlt(dc, x, y, w, h, scratch, from_x, 0, SRCPAINT);
  ::SelectObject(scratch, old);
  ::SetTextColor(dc, fg);
  ::SetBkColor(dc, bk);
}

}  // namespace tw::ui

#include "devices/snapshots/win/keyed_picture.h"

#include "framework/dpi.h"

namespace tw::ui {
namespace {

// A filtered copy at `to`; the key colour's pixels away from the edges stay
// exactly the key, so the mask below still finds them.
HBITMAP Stretched(HBITMAP src, SIZE from, SIZE to, bool smooth) {
  HDC screen = ::GetDC(nullptr);
  HDC in = ::CreateCompatibleDC(screen);
  HDC out = ::CreateCompatibleDC(screen);
  HBITMAP result = ::CreateCompatibleBitmap(screen, to.cx, to.cy);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old_in = ::SelectObject(in, src);
  HGDIOBJ old_out = ::SelectObject(out, result);
  ::SetStretchBltMode(out, smooth ? HALFTONE : COLORONCOLOR);
  ::SetBrushOrgEx(out, 0, 0, nullptr);
  ::StretchBlt(out, 0, 0, to.cx, to.cy, in, 0, 0, from.cx, from.cy, SRCCOPY);
  ::SelectObject(out, old_out);
  ::SelectObject(in, old_in);
  ::DeleteDC(out);
  ::DeleteDC(in);
  return result;
}

}  // namespace

void CKeyedPicture::Load(HBITMAP bitmap, COLORREF key, int dpi, bool smooth) {
  mask_.DeleteObject();
  size_ = source_size_ = bitmap ? fw::GetBitmapSize(bitmap) : SIZE{};
  if (bitmap && dpi != static_cast<int>(fw::kBaseDpi)) {
    size_ = {fw::Scale(size_.cx, dpi), fw::Scale(size_.cy, dpi)};
    HBITMAP scaled = Stretched(bitmap, source_size_, size_, smooth);
    ::DeleteObject(bitmap);
    bitmap = scaled;
  }
  sprite_.Attach(bitmap);
  if (!bitmap) return;
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

void CKeyedPicture::Draw(HDC dc, HDC scratch, int x, int y, int from_x, int w, int h, int to_h) const {
  if (!ok()) return;
  COLORREF bk = ::SetBkColor(dc, RGB(255, 255, 255));
  COLORREF fg = ::SetTextColor(dc, RGB(0, 0, 0));
  // Keep what lies under the transparent pixels, clear the rest, paint in.
  auto blit = [&](DWORD rop) {
    if (to_h < 0 || to_h == h) {
      ::BitBlt(dc, x, y, w, h, scratch, from_x, 0, rop);
    } else {
      int mode = ::SetStretchBltMode(dc, COLORONCOLOR);
      ::StretchBlt(dc, x, y, w, to_h, scratch, from_x, 0, w, h, rop);
      ::SetStretchBltMode(dc, mode);
    }
  };
  HGDIOBJ old = ::SelectObject(scratch, mask_);
  blit(SRCAND);
  ::SelectObject(scratch, sprite_);
  blit(SRCPAINT);
  ::SelectObject(scratch, old);
  ::SetTextColor(dc, fg);
  ::SetBkColor(dc, bk);
}

}  // namespace tw::ui

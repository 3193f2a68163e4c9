// A picture drawn with one colour transparent, through a mask made once:
// two plain blits per drawing, where TransparentBlt under Wine costs about
// as much as the rest of a frame.
#pragma once

#include "framework/gdi.h"

namespace tw::ui {

class CKeyedPicture {
 public:
  // Takes the bitmap; `key` is the transparent colour. At another DPI than
  // 96 the picture is stretched by DPI/96 once, here: filtered when
  // `smooth`, else pixel for pixel (a strip of pieces must not blend them).
  void Load(HBITMAP bitmap, COLORREF key, int dpi = 96, bool smooth = true);
  bool ok() const { return !sprite_.IsNull(); }
  // As drawn, and as in the resource (96-DPI pixels).
  SIZE size() const { return size_; }
  SIZE source_size() const { return source_size_; }
  // Draws the part (from_x, 0, w, h) at (x, y); `scratch` is a memory DC
  // the caller keeps for the frame. A `to_h` other than h stretches it to
  // that height (a scaled grid's rows differ by a pixel).
  void Draw(HDC dc, HDC scratch, int x, int y, int from_x, int w, int h, int to_h = -1) const;

 private:
  fw::CBitmap sprite_;  // the picture, black where it is transparent
  fw::CBitmap mask_;    // monochrome: 1 where it is transparent
  SIZE size_{};
  SIZE source_size_{};
};

}  // namespace tw::ui

// A picture drawn with one colour transparent, through a mask made once:
// two plain blits per drawing, where TransparentBlt under Wine costs about
// as much as the rest of a frame.
#pragma once

#include "framework/gdi.h"

namespace tw::ui {

class CKeyedPicture {
 public:
  // Takes the bitmap; `key` is the transparent colour. At another DPI than
  // 96 the picture is stretched by DPI/96 (filtered) once, here.
  void Load(HBITMAP bitmap, COLORREF key, int dpi = 96);
  bool ok() const { return !sprite_.IsNull(); }
  // As drawn, and as in the resource (96-DPI pixels).
  SIZE size() const { return size_; }
  SIZE source_size() const { return source_size_; }
  // Draws the part (from_x, 0, w, h) at (x, y); `scratch` is a memory DC
  // the caller keeps for the frame.
  void Draw(HDC dc, HDC scratch, int x, int y, int from_x, int w, int h) const;

 private:
  fw::CBitmap sprite_;  // the picture, black where it is transparent
  fw::CBitmap mask_;    // monochrome: 1 where it is transparent
  SIZE size_{};
  SIZE source_size_{};
};

}  // namespace tw::ui

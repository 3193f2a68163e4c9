// A picture drawn with one colour transparent, through a mask made once:
// two plain blits per drawing, where TransparentBlt under Wine costs about
// as much as the rest of a frame.
#pragma once

#include "framework/gdi.h"

namespace tw::ui {

class CKeyedPicture {
 public:
  // Takes the bitmap; `key` is the transparent colour.
  void Load(HBITMAP bitmap, COLORREF key);
  bool ok() const { return !sprite_.IsNull(); }
  SIZE size() const { return size_; }
  // Draws the part (from_x, 0, w, h) at (x, y); `scratch` is a memory DC
  // the caller keeps for the frame.
  void Draw(HDC dc, HDC scratch, int x, int y, int from_x, int w, int h) const;

 private:
  fw::CBitmap sprite_;  // the picture, black where it is transparent
  fw::CBitmap mask_;    // monochrome: 1 where it is transparent
  SIZE size_{};
};

}  // namespace tw::ui

// Off-screen drawing surface: draw into it, and its destruction copies the
// rectangle to the target. A printing target is drawn on directly.
#pragma once

#include "framework/gdi.h"

namespace tw::ui {

class CMemoryDC : public fw::CDCHandle {
 public:
  // rect: the part of the target to draw, in the target's logical units;
  // null for the target's clip box.
  explicit CMemoryDC(HDC target, const RECT* rect = nullptr);
  ~CMemoryDC();
  CMemoryDC(const CMemoryDC&) = delete;
  CMemoryDC& operator=(const CMemoryDC&) = delete;

  const RECT& rect() const { return rect_; }
  bool off_screen() const { return off_screen_; }

 private:
  HDC target_;
  RECT rect_{};
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  bool off_screen_ = false;
};

// Paints the parent's client area under `child` into `dc` (whose origin is
// the child's top-left), so that the child's transparent parts show it.
void PaintParentBackground(HWND child, HDC dc);

}  // namespace tw::ui

// The look of the main window's pages: a background bitmap stretched over
// the client area inside a one-pixel border drawn from bitmap 161, and the
// brushes that put labels on that background.
#pragma once

#include <map>

#include "framework/gdi.h"

namespace tw::ui {

class CPageLook {
 public:
  // False when a bitmap is missing (the page then paints white).
  bool Load(UINT background_id, UINT border_id = 161, HINSTANCE inst = nullptr);
  void Paint(HDC dc, const RECT& client) const;
  // The colour of the unstretched background at x 0 and row `y` (clamped).
  COLORREF ColourAt(int y) const;
  // One solid brush per colour, kept for the page's life.
  HBRUSH BrushAt(int y);
  // A brush that paints exactly what Paint painted over `client`, for a
  // control at `origin` in the page (the brush origin is set on `dc`).
  // Controls that fill their whole rectangle then blend into the page.
  HBRUSH BackgroundFor(HDC dc, const RECT& client, POINT origin);
  HBRUSH hollow() const { return static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH)); }

 private:
  fw::CBitmap background_, border_;
  std::map<COLORREF, fw::CBrush> brushes_;
  fw::CBrush pattern_;
  SIZE pattern_size_{};
};

}  // namespace tw::ui

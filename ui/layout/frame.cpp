#include "ui/layout/frame.h"

#include <algorithm>

namespace tw::ui {

CaptionRects ComputeCaptionRects(int window_width, int frame_cx, int button_top) {
  int w = window_width - frame_cx;
  CaptionRects r;
  r.close = Rect{w - 34, button_top, w + 1, button_top + 26};
  r.minimize = Rect{w - 68, button_top, w - 34, button_top + 26};
  r.menu = Rect{w - 144, 3, w - 78, 34};
  r.icon = Rect{2, 2, 22, 22};
  return r;
}

CaptionButton CaptionButtonAt(const CaptionRects& r, Point p) {
  if (r.icon.Contains(p)) return CaptionButton::kIcon;
  if (r.menu.Contains(p)) return CaptionButton::kMenu;
  if (r.close.Contains(p)) return CaptionButton::kClose;
  if (r.minimize.Contains(p)) return CaptionButton::kMinimize;
  return CaptionButton::kNone;
}

CaptionImage ChooseCaptionImage(bool inside, bool left_button_down) {
  if (!inside) return CaptionImage::kNormal;
  return left_button_down ? CaptionImage::kPressed : CaptionImage::kHover;
}

int CaptionBitmap(CaptionButton b, CaptionImage img) {
  static const int close[] = {132, 135, 134};
  static const int minimize[] = {133, 137, 136};
  static const int menu[] = {176, 177, 178};
  int i = static_cast<int>(img);
  switch (b) {
    case CaptionButton::kClose: return close[i];
    case CaptionButton::kMinimize: return minimize[i];
    case CaptionButton::kMenu: return menu[i];
    default: return 0;
  }
}

bool IsDragPoint(const CaptionRects& r, Point wp, Point cp, int client_width, int client_height) {
  if (cp.y >= kDragAreaHeight) return false;
  if (r.close.Contains(wp) || r.minimize.Contains(wp) || r.menu.Contains(wp)) return false;
  return cp.x >= 0 && cp.y >= 0 && cp.x < client_width && cp.y < client_height;
}

bool IsIgnoredSysCommand(unsigned id) { return (id & ~0xFu) == 0x10; }

std::vector<Point> CornerPixelsToCut(int width, int height,
                                     const std::function<bool(int, int)>& is_white) {
  std::vector<Point> cut;
  if (width <= 0 || height <= 0) return cut;
  int cw = std::min(kCornerSize, width), ch = std::min(kCornerSize, height);
  const int xs[2] = {0, width - cw}, ys[2] = {0, height - ch};
  // On a window narrower than two corners the squares overlap; visit each
  // pixel once.
  std::vector<bool> seen(static_cast<size_t>(width) * height, false);
  for (int yi = 0; yi < 2; ++yi)
    for (int xi = 0; xi < 2; ++xi)
      for (int y = ys[yi]; y < ys[yi] + ch; ++y)
        for (int x = xs[xi]; x < xs[xi] + cw; ++x) {
          size_t k = static_cast<size_t>(y) * width + x;
          if (seen[k]) continue;
          seen[k] = true;
          if (is_white(x, y)) cut.push_back(Point{x, y});
        }
  return cut;
}

}  // namespace tw::ui

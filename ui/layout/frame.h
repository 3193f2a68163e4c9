// Rules of the skinned caption-less frame: caption button rectangles and
// images, the drag area, the cut corners of the window region.
#pragma once

#include <functional>
#include <vector>

#include "ui/layout/geometry.h"

namespace tw::ui {

enum class CaptionButton { kNone, kIcon, kMenu, kClose, kMinimize };
enum class CaptionImage { kNormal, kHover, kPressed };

struct CaptionRects {
  Rect close, minimize, menu, icon;  // window coordinates
};

// window_width: the window rectangle's width; frame_cx: SM_CXFRAME;
// button_top: SM_CYFRAME when the frame was built.
CaptionRects ComputeCaptionRects(int window_width, int frame_cx, int button_top);

// Which button a click lands on, in the order the frame checks them: the
// icon area swallows clicks first.
CaptionButton CaptionButtonAt(const CaptionRects& r, Point window_point);

CaptionImage ChooseCaptionImage(bool inside, bool left_button_down);

// Bitmap ids per button and image.
int CaptionBitmap(CaptionButton b, CaptionImage img);

constexpr int kDragAreaHeight = 50;
// True when a point should drag the window (HTCAPTION).
bool IsDragPoint(const CaptionRects& r, Point window_point, Point client_point, int client_width,
                 int client_height);

// System commands the frame drops: those whose id with the low four bits
// cleared is 0x10.
bool IsIgnoredSysCommand(unsigned id);

// Pixels of the four 6 x 6 corner squares whose colour is pure white; the
// window region leaves them out.
constexpr int kCornerSize = 6;
std::vector<Point> CornerPixelsToCut(int width, int height,
                                     const std::function<bool(int x, int y)>& is_white);

}  // namespace tw::ui

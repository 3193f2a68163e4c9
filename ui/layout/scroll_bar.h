// Geometry and mouse rules of the skinned scroll bar. The window class
// feeds it mouse, timer and size events and carries out what it asks
// through ScrollBarHost; everything that decides lives here.
#pragma once

#include "ui/layout/controls.h"

namespace tw::ui {

constexpr unsigned kWmSkinScrollLayout = 0x464;

enum ScrollPart : int {
  kPartNone = -1,
  kPartUpArrow = 0,    // SB_LINEUP
  kPartDownArrow = 1,  // SB_LINEDOWN
  kPartTrackBefore = 2,  // SB_PAGEUP
  kPartTrackAfter = 3,   // SB_PAGEDOWN
  kPartThumb = 5,
};

constexpr int kSbLineUp = 0, kSbLineDown = 1, kSbPageUp = 2, kSbPageDown = 3;
constexpr int kSbThumbPosition = 4, kSbThumbTrack = 5;

constexpr unsigned kTimerFirstDelay = 200;  // id
constexpr unsigned kTimerRepeat = 100;      // id
constexpr unsigned kFirstDelayMs = 500;
constexpr unsigned kRepeatMs = 100;

constexpr int kMinThumb = 6;
constexpr int kThumbCap = 3;

// Skin cells: 9 columns x 3 rows (rows: normal, hover, pressed).
enum SkinRow : int { kRowNormal = 0, kRowHover = 1, kRowPressed = 2 };
int SkinColumn(bool vertical, ScrollPart part);  // -1 for the parts without a cell
constexpr int kSkinTrackColumnV = 3, kSkinTrackColumnH = 7, kSkinSizeBoxColumn = 8;

struct BarGeometry {
  int arrow = 0, track = 0, thumb = 0, offset = 0;
  int length = 0;
  int free = 0;  // positions the thumb can take
  // Spans along the bar: [begin, end).
  int ThumbBegin() const { return arrow + offset; }
  int ThumbEnd() const { return arrow + offset + thumb; }
};

BarGeometry ComputeBarGeometry(int length, int cell, const ScrollInfo& si, bool dragging);
ScrollPart HitTestBar(const BarGeometry& g, int along);
// Begin and end of a part along the bar.
void PartSpan(const BarGeometry& g, ScrollPart part, int* begin, int* end);

class ScrollBarHost {
 public:
  virtual ~ScrollBarHost() = default;
  virtual void SendScroll(int code, int pos) = 0;  // WM_VSCROLL / WM_HSCROLL to the parent
  virtual void SetTimer(unsigned id, unsigned ms) = 0;
  virtual void KillTimer(unsigned id) = 0;
  virtual void Capture(bool on) = 0;
  virtual void RequestLeave() = 0;
  virtual void DrawPart(ScrollPart part, SkinRow row) = 0;  // arrows and thumb
  virtual void DrawTrackAndThumb(SkinRow thumb_row) = 0;
};

class ScrollBarLogic {
 public:
  ScrollBarLogic(ScrollBarHost& host, bool vertical) : host_(host), vertical_(vertical) {}

  bool vertical() const { return vertical_; }
  void set_vertical(bool v) { vertical_ = v; }
  void SetLength(int length) { length_ = length; }
  void SetCell(int cell) { cell_ = cell; }
  int cell() const { return cell_; }
  int length() const { return length_; }

  // SBM_SETSCROLLINFO: mask bits as SIF_RANGE 1, SIF_PAGE 2, SIF_POS 4.
  void SetInfo(unsigned mask, const ScrollInfo& in, bool redraw);
  const ScrollInfo& info() const { return info_; }
  BarGeometry Geometry() const { return ComputeBarGeometry(length_, cell_, info_, dragging_); }

  // `along`: the pointer's coordinate along the bar, in client pixels.
  void ButtonDown(int along);
  void MouseMove(int along);
  void ButtonUp(int along);
  void Timer(unsigned id);
  void Leave();

  bool dragging() const { return dragging_; }
  int pressed_part() const { return pressed_part_; }
  int hot_part() const { return hot_part_; }
  bool repeating() const { return repeating_; }
  bool pointer_outside() const { return pointer_outside_; }
  // The row a part is drawn with now.
  SkinRow RowFor(ScrollPart part) const;

 private:
  void StopRepeat();
  int MaxPos() const;

  ScrollBarHost& host_;
  bool vertical_;
  int length_ = 0, cell_ = 16;
  ScrollInfo info_{0, 0, 0, 0, -1};
  bool dragging_ = false;
  int drag_start_point_ = 0, drag_start_pos_ = 0;
  int pressed_part_ = kPartNone;
  int hot_part_ = kPartNone;
  int last_along_ = 0;
  bool pointer_outside_ = false;
  bool repeating_ = false;
  bool timer_running_ = false;
  bool tracking_ = false;
};

}  // namespace tw::ui

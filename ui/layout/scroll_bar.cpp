#include "ui/layout/scroll_bar.h"

#include <algorithm>
#include <climits>

namespace tw::ui {
namespace {

bool IsArrow(int part) { return part == kPartUpArrow || part == kPartDownArrow; }
bool IsDrawnPart(int part) { return IsArrow(part) || part == kPartThumb; }

}  // namespace

int SkinColumn(bool vertical, ScrollPart part) {
  int base = vertical ? 0 : 4;
  switch (part) {
    case kPartUpArrow: return base;
    case kPartDownArrow: return base + 1;
    case kPartThumb: return base + 2;
    case kPartTrackBefore:
    case kPartTrackAfter: return base + 3;
    default: return -1;
  }
}

BarGeometry ComputeBarGeometry(int length, int cell, const ScrollInfo& si, bool dragging) {
  BarGeometry g;
  g.length = std::max(length, 0);
  g.arrow = g.length - 2 * cell > 0 ? cell : g.length / 2;
  g.track = std::max(g.length - 2 * cell, 0);
  long long range = static_cast<long long>(si.nMax) - si.nMin;
  // A page larger than the range leaves nothing to scroll, as does an
  // empty range; neither may give a negative or divide-by-zero geometry.
  long long free = range - static_cast<long long>(si.nPage) + 1;
  if (free < 0 || range < 0) free = 0;
  g.free = static_cast<int>(std::min<long long>(free, INT_MAX));
  long long thumb = 0;
  if (g.free > 0 && g.track > 5) {
    thumb = static_cast<long long>(si.nPage) * g.track / (range + 1);
    thumb = std::clamp<long long>(thumb, kMinThumb, g.track);
  }
  g.thumb = static_cast<int>(thumb);
  int span = g.track - g.thumb;
  if (g.free == 0) {
    g.offset = span / 2;
  } else {
    // Positions count from nMin so a range that does not start at 0 still
    // puts the thumb at the top for its first position.
    long long pos = (dragging ? si.nTrackPos : si.nPos) - static_cast<long long>(si.nMin);
    long long off = pos * span / g.free;
    g.offset = static_cast<int>(std::clamp<long long>(off, 0, span));
  }
  return g;
}

ScrollPart HitTestBar(const BarGeometry& g, int along) {
  if (along < 0 || along >= g.length) return kPartNone;
  if (along < g.arrow) return kPartUpArrow;
  if (along >= g.length - g.arrow) return kPartDownArrow;
  if (along < g.ThumbBegin()) return kPartTrackBefore;
  if (along < g.ThumbEnd()) return kPartThumb;
  return kPartTrackAfter;
}

void PartSpan(const BarGeometry& g, ScrollPart part, int* begin, int* end) {
  switch (part) {
    case kPartUpArrow: *begin = 0; *end = g.arrow; break;
    case kPartDownArrow: *begin = g.length - g.arrow; *end = g.length; break;
    case kPartTrackBefore: *begin = g.arrow; *end = g.ThumbBegin(); break;
    case kPartThumb: *begin = g.ThumbBegin(); *end = g.ThumbEnd(); break;
    case kPartTrackAfter: *begin = g.ThumbEnd(); *end = g.length - g.arrow; break;
    default: *begin = *end = 0; break;
  }
}

void ScrollBarLogic::SetInfo(unsigned mask, const ScrollInfo& in, bool redraw) {
  if (mask & 1) {
    info_.nMin = in.nMin;
    info_.nMax = in.nMax;
  }
  if (mask & 2) info_.nPage = in.nPage;
  if (mask & 4) info_.nPos = in.nPos;
  if (redraw) host_.DrawTrackAndThumb(RowFor(kPartThumb));
}

int ScrollBarLogic::MaxPos() const {
  int top = info_.nPage > 0 ? info_.nMax - static_cast<int>(info_.nPage) + 1 : info_.nMax;
  return std::max(info_.nMin, top);
}

SkinRow ScrollBarLogic::RowFor(ScrollPart part) const {
  if (part == kPartThumb && dragging_) return kRowPressed;
  if (part == pressed_part_ && IsArrow(part) && !pointer_outside_) return kRowPressed;
  if (part == hot_part_ && pressed_part_ == kPartNone && !dragging_) return kRowHover;
  return kRowNormal;
}

void ScrollBarLogic::ButtonDown(int along) {
  host_.Capture(true);
  last_along_ = along;
  ScrollPart part = HitTestBar(Geometry(), along);
  if (part == kPartThumb) {
    dragging_ = true;
    drag_start_point_ = along;
    drag_start_pos_ = info_.nPos;
    info_.nTrackPos = info_.nPos;
    host_.DrawPart(kPartThumb, kRowPressed);
    return;
  }
  if (part == kPartNone) return;
  pressed_part_ = part;
  pointer_outside_ = false;
  repeating_ = false;
  host_.SendScroll(part, 0);
  host_.SetTimer(kTimerFirstDelay, kFirstDelayMs);
  timer_running_ = true;
  if (IsArrow(part)) host_.DrawPart(part, kRowPressed);
}

void ScrollBarLogic::StopRepeat() {
  if (!timer_running_) return;
  host_.KillTimer(repeating_ ? kTimerRepeat : kTimerFirstDelay);
  timer_running_ = false;
}

void ScrollBarLogic::Timer(unsigned id) {
  if (id != kTimerFirstDelay && id != kTimerRepeat) return;
  if (!timer_running_ || pressed_part_ == kPartNone) {
    host_.KillTimer(id);
    return;
  }
  if (id == kTimerFirstDelay) {
    host_.KillTimer(kTimerFirstDelay);
    host_.SetTimer(kTimerRepeat, kRepeatMs);
    repeating_ = true;
  }
  if (pointer_outside_) return;
  switch (pressed_part_) {
    case kPartUpArrow:
      if (info_.nPos <= info_.nMin) StopRepeat();
      else host_.SendScroll(kSbLineUp, 0);
      break;
    case kPartDownArrow:
      if (info_.nPos >= info_.nMax) StopRepeat();
      else host_.SendScroll(kSbLineDown, 0);
      break;
    default: {
      // Paging ends once the thumb has reached the pointer; it also ends if
      // the thumb has jumped past it, or it would page on to the end.
      ScrollPart under = HitTestBar(Geometry(), last_along_);
      if (under != pressed_part_) StopRepeat();
      else host_.SendScroll(pressed_part_, 0);
      break;
    }
  }
}

void ScrollBarLogic::MouseMove(int along) {
  if (!tracking_) {
    host_.RequestLeave();
    tracking_ = true;
  }
  last_along_ = along;
  if (dragging_) {
    BarGeometry g = Geometry();
    int span = g.track - g.thumb;
    if (span <= 0) return;
    long long pos = drag_start_pos_ + static_cast<long long>(along - drag_start_point_) * g.free / span;
    int np = static_cast<int>(std::clamp<long long>(pos, info_.nMin, MaxPos()));
    if (np != info_.nTrackPos) {
      info_.nTrackPos = np;
      host_.DrawTrackAndThumb(kRowPressed);
      host_.SendScroll(kSbThumbTrack, np);
    }
    return;
  }
  if (pressed_part_ != kPartNone) {
    bool outside = HitTestBar(Geometry(), along) != pressed_part_;
    if (outside != pointer_outside_) {
      pointer_outside_ = outside;
      if (IsArrow(pressed_part_))
        host_.DrawPart(static_cast<ScrollPart>(pressed_part_), outside ? kRowNormal : kRowPressed);
    }
    return;
  }
  int part = HitTestBar(Geometry(), along);
  if (part == hot_part_) return;
  int old = hot_part_;
  hot_part_ = part;
  if (IsDrawnPart(old)) host_.DrawPart(static_cast<ScrollPart>(old), kRowNormal);
  if (IsDrawnPart(part)) host_.DrawPart(static_cast<ScrollPart>(part), kRowHover);
}

void ScrollBarLogic::ButtonUp(int along) {
  host_.Capture(false);
  last_along_ = along;
  if (dragging_) {
    host_.SendScroll(kSbThumbPosition, info_.nTrackPos);
    dragging_ = false;
    info_.nTrackPos = -1;
    hot_part_ = HitTestBar(Geometry(), along);
    host_.DrawTrackAndThumb(hot_part_ == kPartThumb ? kRowHover : kRowNormal);
    return;
  }
  if (pressed_part_ != kPartNone) {
    StopRepeat();
    int part = pressed_part_;
    pressed_part_ = kPartNone;
    repeating_ = false;
    pointer_outside_ = false;
    if (IsArrow(part)) host_.DrawPart(static_cast<ScrollPart>(part), kRowNormal);
  }
}

void ScrollBarLogic::Leave() {
  tracking_ = false;
  if (dragging_ || pressed_part_ != kPartNone) return;
  if (IsDrawnPart(hot_part_)) host_.DrawPart(static_cast<ScrollPart>(hot_part_), kRowNormal);
  hot_part_ = kPartNone;
}

}  // namespace tw::ui

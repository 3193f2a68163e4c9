#include "ui/layout/scroll_bar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tw::ui {
namespace {

// Records what the bar asks of its window, and lets the test play the
// owner that answers a scroll message by moving the position.
class RecordingHost : public ScrollBarHost {
 public:
  struct Sent {
    int code, pos;
  };
  std::vector<Sent> sent;
  std::vector<std::string> timers;
  ScrollBarLogic* bar = nullptr;
  bool owner_moves = false;
  bool captured = false;
  int leave_requests = 0;
  std::vector<std::pair<int, int>> drawn;  // part, row

  void SendScroll(int code, int pos) override {
    sent.push_back({code, pos});
    if (!owner_moves || !bar) return;
    ScrollInfo si = bar->info();
    int max = si.nMax - static_cast<int>(si.nPage) + 1;
    if (code == kSbLineDown) si.nPos = std::min(si.nPos + 1, max);
    if (code == kSbLineUp) si.nPos = std::max(si.nPos - 1, si.nMin);
    if (code == kSbPageDown) si.nPos = std::min(si.nPos + static_cast<int>(si.nPage), max);
    if (code == kSbThumbPosition) si.nPos = pos;
    bar->SetInfo(4, si, false);
  }
  void SetTimer(unsigned id, unsigned ms) override { timers.push_back("set " + std::to_string(id) + " " + std::to_string(ms)); }
  void KillTimer(unsigned id) override { timers.push_back("kill " + std::to_string(id)); }
  void Capture(bool on) override { captured = on; }
  void RequestLeave() override { ++leave_requests; }
  void DrawPart(ScrollPart part, SkinRow row) override { drawn.push_back({part, row}); }
  void DrawTrackAndThumb(SkinRow) override {}
  int Count(int code) const {
    int n = 0;
    for (auto& s : sent) n += s.code == code;
    return n;
  }
};

ScrollInfo Info(int min, int max, unsigned page, int pos) { return ScrollInfo{min, max, page, pos, -1}; }

TEST(BarGeometry, ThumbOffsetAndParts) {
  // 200 pixels, 15-pixel cells, 100 positions, 10 per page.
  BarGeometry g = ComputeBarGeometry(200, 15, Info(0, 99, 10, 0), false);
  EXPECT_EQ(g.arrow, 15);
  EXPECT_EQ(g.track, 170);
  EXPECT_EQ(g.free, 90);
  EXPECT_EQ(g.thumb, 17);
  EXPECT_EQ(g.offset, 0);
  g = ComputeBarGeometry(200, 15, Info(0, 99, 10, 90), false);
  EXPECT_EQ(g.offset, 153);
  EXPECT_EQ(HitTestBar(g, 0), kPartUpArrow);
  EXPECT_EQ(HitTestBar(g, 14), kPartUpArrow);
  EXPECT_EQ(HitTestBar(g, 15), kPartTrackBefore);
  EXPECT_EQ(HitTestBar(g, 15 + 153), kPartThumb);
  EXPECT_EQ(HitTestBar(g, 185), kPartDownArrow);
  EXPECT_EQ(HitTestBar(g, 200), kPartNone);
  EXPECT_EQ(HitTestBar(g, -1), kPartNone);

  // Minimum thumb of 6 pixels.
  EXPECT_EQ(ComputeBarGeometry(200, 15, Info(0, 9999, 1, 0), false).thumb, 6);
  // Nothing to scroll: no thumb, the track split in the middle.
  g = ComputeBarGeometry(200, 15, Info(0, 99, 100, 0), false);
  EXPECT_EQ(g.thumb, 0);
  EXPECT_EQ(g.offset, 85);
  EXPECT_EQ(HitTestBar(g, 99), kPartTrackBefore);
  EXPECT_EQ(HitTestBar(g, 100), kPartTrackAfter);
  // A page larger than the range is the same, not a negative thumb.
  g = ComputeBarGeometry(200, 15, Info(0, 9, 50, 0), false);
  EXPECT_EQ(g.thumb, 0);
  EXPECT_GE(g.offset, 0);
  // Too short for two arrows: half each, no track.
  g = ComputeBarGeometry(24, 15, Info(0, 99, 10, 0), false);
  EXPECT_EQ(g.arrow, 12);
  EXPECT_EQ(g.track, 0);
  EXPECT_EQ(g.thumb, 0);
  EXPECT_EQ(HitTestBar(g, 11), kPartUpArrow);
  EXPECT_EQ(HitTestBar(g, 12), kPartDownArrow);
  // A track of 5 pixels or less shows no thumb.
  EXPECT_EQ(ComputeBarGeometry(35, 15, Info(0, 99, 10, 0), false).thumb, 0);
  // Dragging draws the thumb at the track position.
  ScrollInfo si = Info(0, 99, 10, 0);
  si.nTrackPos = 90;
  EXPECT_EQ(ComputeBarGeometry(200, 15, si, true).offset, 153);
  EXPECT_EQ(ComputeBarGeometry(200, 15, si, false).offset, 0);
  // An empty range (nMax below nMin) does not divide by zero.
  EXPECT_EQ(ComputeBarGeometry(200, 15, Info(0, -1, 0, 0), false).thumb, 0);
  // Skin columns.
  EXPECT_EQ(SkinColumn(true, kPartThumb), 2);
  EXPECT_EQ(SkinColumn(false, kPartDownArrow), 5);
  EXPECT_EQ(SkinColumn(false, kPartTrackAfter), 7);
}

class BarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.bar = &bar;
    bar.SetLength(200);
    bar.SetCell(15);
    bar.SetInfo(7, Info(0, 99, 10, 0), false);
  }
  RecordingHost host;
  ScrollBarLogic bar{host, true};
};

TEST_F(BarTest, ArrowAutoRepeatPausesOutsideAndStopsAtTheEnd) {
  host.owner_moves = true;
  bar.SetInfo(1, Info(0, 12, 0, 0), false);  // a plain bar: positions 0..12
  bar.SetInfo(2, Info(0, 12, 0, 0), false);
  bar.ButtonDown(190);
  EXPECT_TRUE(host.captured);
  ASSERT_EQ(host.sent.size(), 1u);
  EXPECT_EQ(host.sent[0].code, kSbLineDown);
  EXPECT_EQ(host.timers, (std::vector<std::string>{"set 200 500"}));
  EXPECT_EQ(bar.RowFor(kPartDownArrow), kRowPressed);
  bar.Timer(200);  // after 500 ms: switch to 100 ms and send again
  EXPECT_EQ(host.timers.back(), "set 100 100");
  EXPECT_TRUE(bar.repeating());
  EXPECT_EQ(host.Count(kSbLineDown), 2);
  bar.Timer(100);
  EXPECT_EQ(host.Count(kSbLineDown), 3);
  // Off the arrow: ticks send nothing and the arrow looks normal.
  bar.MouseMove(100);
  EXPECT_TRUE(bar.pointer_outside());
  EXPECT_EQ(host.drawn.back(), (std::pair<int, int>{kPartDownArrow, kRowNormal}));
  bar.Timer(100);
  bar.Timer(100);
  EXPECT_EQ(host.Count(kSbLineDown), 3);
  bar.MouseMove(195);
  EXPECT_EQ(host.drawn.back(), (std::pair<int, int>{kPartDownArrow, kRowPressed}));
  for (int i = 0; i < 30; ++i) bar.Timer(100);
  EXPECT_EQ(bar.info().nPos, 12);
  EXPECT_EQ(host.Count(kSbLineDown), 12);  // one per position, then it stops
  EXPECT_EQ(host.timers.back(), "kill 100");
  bar.ButtonUp(195);
  EXPECT_FALSE(host.captured);
  EXPECT_EQ(bar.pressed_part(), kPartNone);
  EXPECT_EQ(host.drawn.back(), (std::pair<int, int>{kPartDownArrow, kRowNormal}));
}

TEST_F(BarTest, ReleaseBeforeTheFirstDelayKillsTheFirstTimer) {
  bar.ButtonDown(5);
  EXPECT_EQ(host.sent[0].code, kSbLineUp);
  bar.ButtonUp(5);
  EXPECT_EQ(host.timers.back(), "kill 200");
  size_t before = host.sent.size();
  bar.Timer(200);  // a tick already queued does nothing
  EXPECT_EQ(host.sent.size(), before);
}

TEST_F(BarTest, TrackPagesUntilTheThumbReachesThePointer) {
  host.owner_moves = true;
  bar.ButtonDown(120);  // below the thumb
  EXPECT_EQ(host.sent[0].code, kSbPageDown);
  for (int i = 0; i < 20; ++i) bar.Timer(i == 0 ? 200 : 100);
  BarGeometry g = bar.Geometry();
  EXPECT_LE(g.ThumbBegin(), 120 + g.thumb);
  EXPECT_LT(host.Count(kSbPageDown), 9);  // never paged on to the end
  EXPECT_LT(bar.info().nPos, 90);
}

TEST_F(BarTest, ThumbDragCoversZeroToNinetyAndEndsWithThumbPosition) {
  BarGeometry g = bar.Geometry();
  int start = g.ThumbBegin() + 2;
  bar.ButtonDown(start);
  EXPECT_TRUE(bar.dragging());
  EXPECT_TRUE(host.sent.empty());
  std::vector<int> positions;
  for (int y = start - 30; y <= start + g.track + 40; ++y) {
    bar.MouseMove(y);
    if (!host.sent.empty() && host.sent.back().code == kSbThumbTrack) positions.push_back(host.sent.back().pos);
  }
  ASSERT_FALSE(host.sent.empty());
  for (auto& s : host.sent) {
    EXPECT_EQ(s.code, kSbThumbTrack);
    EXPECT_GE(s.pos, 0);
    EXPECT_LE(s.pos, 90);
  }
  EXPECT_EQ(host.sent.back().pos, 90);
  EXPECT_EQ(bar.info().nTrackPos, 90);
  bar.ButtonUp(start + g.track + 40);
  EXPECT_EQ(host.sent.back().code, kSbThumbPosition);
  EXPECT_EQ(host.sent.back().pos, 90);
  EXPECT_EQ(bar.info().nTrackPos, -1);
  EXPECT_FALSE(bar.dragging());
}

TEST_F(BarTest, HotTrackingRedrawsOnlyOnChangeAndLeaveClearsIt) {
  bar.MouseMove(5);
  EXPECT_EQ(host.leave_requests, 1);
  EXPECT_EQ(host.drawn, (std::vector<std::pair<int, int>>{{kPartUpArrow, kRowHover}}));
  bar.MouseMove(6);
  EXPECT_EQ(host.drawn.size(), 1u);
  bar.MouseMove(17);  // thumb at the top
  EXPECT_EQ(host.drawn.back(), (std::pair<int, int>{kPartThumb, kRowHover}));
  EXPECT_EQ(host.drawn[1], (std::pair<int, int>{kPartUpArrow, kRowNormal}));
  bar.Leave();
  EXPECT_EQ(host.drawn.back(), (std::pair<int, int>{kPartThumb, kRowNormal}));
  EXPECT_EQ(bar.hot_part(), kPartNone);
  bar.MouseMove(17);
  EXPECT_EQ(host.leave_requests, 2);
}

}  // namespace
}  // namespace tw::ui

#include "ui/layout/frame.h"

#include <gtest/gtest.h>

#include <set>

namespace tw::ui {
namespace {

TEST(Caption, RectanglesImagesAndClicks) {
  // An 800-pixel window with a 4-pixel frame.
  CaptionRects r = ComputeCaptionRects(800, 4, 4);
  EXPECT_EQ(r.close, (Rect{762, 4, 797, 30}));
  EXPECT_EQ(r.minimize, (Rect{728, 4, 762, 30}));
  EXPECT_EQ(r.menu, (Rect{652, 3, 718, 34}));
  EXPECT_EQ(r.icon, (Rect{2, 2, 22, 22}));

  EXPECT_EQ(CaptionButtonAt(r, Point{770, 10}), CaptionButton::kClose);
  EXPECT_EQ(CaptionButtonAt(r, Point{761, 10}), CaptionButton::kMinimize);
  EXPECT_EQ(CaptionButtonAt(r, Point{700, 33}), CaptionButton::kMenu);
  EXPECT_EQ(CaptionButtonAt(r, Point{10, 10}), CaptionButton::kIcon);
  EXPECT_EQ(CaptionButtonAt(r, Point{400, 10}), CaptionButton::kNone);

  // Held inside: pressed; inside: hover; a button held but left: normal.
  // (Which picture each of those is, and that it loads at its button's
  // size, the resources' own test checks.)
  EXPECT_EQ(ChooseCaptionImage(true, false), CaptionImage::kHover);
  EXPECT_EQ(ChooseCaptionImage(true, true), CaptionImage::kPressed);
  EXPECT_EQ(ChooseCaptionImage(false, true), CaptionImage::kNormal);
}

TEST(Caption, DragAreaIsTheTopFiftyPixelsOffTheButtons) {
  CaptionRects r = ComputeCaptionRects(800, 4, 4);
  auto drag = [&](int x, int y) { return IsDragPoint(r, Point{x, y}, Point{x, y}, 800, 480); };
  EXPECT_TRUE(drag(300, 10));
  EXPECT_TRUE(drag(300, 49));
  EXPECT_FALSE(drag(300, 50));
  EXPECT_FALSE(drag(770, 10));  // close
  EXPECT_FALSE(drag(700, 20));  // menu
  EXPECT_FALSE(drag(-1, 10));
  EXPECT_TRUE(drag(10, 10));  // the icon area still drags
}

TEST(Caption, SystemCommandFilter) {
  EXPECT_TRUE(IsIgnoredSysCommand(0x10));
  EXPECT_TRUE(IsIgnoredSysCommand(0x1F));
  EXPECT_FALSE(IsIgnoredSysCommand(0x20));
  EXPECT_FALSE(IsIgnoredSysCommand(0xF020));
  EXPECT_FALSE(IsIgnoredSysCommand(0xF060));
}

TEST(WindowRegion, OnlyWhitePixelsOfTheCornerSquaresAreCut) {
  // White everywhere: each corner loses its 36 pixels, the middle nothing.
  auto all = CornerPixelsToCut(100, 50, [](int, int) { return true; });
  EXPECT_EQ(all.size(), 4u * 36u);
  std::set<std::pair<int, int>> cut;
  for (Point p : all) cut.insert({p.x, p.y});
  EXPECT_TRUE(cut.count({0, 0}));
  EXPECT_TRUE(cut.count({99, 49}));
  EXPECT_TRUE(cut.count({94, 0}));
  EXPECT_FALSE(cut.count({93, 0}));
  EXPECT_FALSE(cut.count({6, 6}));
  // No white corners: a rectangular window.
  EXPECT_TRUE(CornerPixelsToCut(100, 50, [](int, int) { return false; }).empty());
  // A rounded corner drawn as white outside a quarter circle.
  auto rounded = CornerPixelsToCut(100, 50, [](int x, int y) { return x < 6 && y < 6 && x + y < 4; });
  EXPECT_EQ(rounded.size(), 10u);
  // A window smaller than two corners does not cut a pixel twice.
  EXPECT_EQ(CornerPixelsToCut(8, 4, [](int, int) { return true; }).size(), 32u);
  EXPECT_TRUE(CornerPixelsToCut(0, 10, [](int, int) { return true; }).empty());
}

}  // namespace
}  // namespace tw::ui

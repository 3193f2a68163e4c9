#include "ui/layout/controls.h"

#include <gtest/gtest.h>

#include "ui/layout/colour.h"

namespace tw::ui {
namespace {

bool Same(Rgb a, Rgb b) { return a == b; }

TEST(MenuColours, LightenedBaseColoursGiveThePublishedPalette) {
  MenuPalette p = MakeMenuPalette();
  EXPECT_TRUE(Same(p.band, Rgb{93, 98, 106}));
  EXPECT_TRUE(Same(p.item, Rgb{251, 252, 255}));
  EXPECT_TRUE(Same(p.selectedBorder, Rgb{119, 127, 134}));
  EXPECT_TRUE(Same(p.selectedFill, Rgb{212, 215, 217}));
  EXPECT_TRUE(Same(p.disabledFill, Rgb{119, 127, 134}));
  // Lightening white or by nothing changes nothing.
  EXPECT_TRUE(Same(Lighten(Rgb{255, 255, 255}, 0.5), Rgb{255, 255, 255}));
  EXPECT_TRUE(Same(Lighten(Rgb{0, 0, 0}, 1.0), Rgb{255, 255, 255}));
}

TEST(MenuItems, MeasureSplitAndLook) {
  EXPECT_EQ(MeasureMenuItem(MenuItemKind::kSeparator, 100).cy, 6);
  Size cmd = MeasureMenuItem(MenuItemKind::kCommand, 50);
  EXPECT_EQ(cmd.cx, 66);
  EXPECT_EQ(cmd.cy, 19);
  EXPECT_EQ(MeasureMenuItem(MenuItemKind::kPopup, 50).cx, 81);

  MenuText t = SplitMenuText(u"&Open\tCtrl+O\tmore");
  EXPECT_EQ(t.label, u"&Open");
  EXPECT_EQ(t.accelerator, u"Ctrl+O\tmore");
  EXPECT_TRUE(SplitMenuText(u"Plain").accelerator.empty());

  Rect item{0, 10, 120, 29};
  MenuItemLook disabled_hover = ChooseMenuItemLook(item, MenuItemKind::kCommand, true, true, false);
  EXPECT_TRUE(disabled_hover.framed);
  EXPECT_TRUE(Same(disabled_hover.fill, Rgb{119, 127, 134}));
  EXPECT_TRUE(Same(disabled_hover.text_colour, Rgb{192, 192, 192}));

  MenuItemLook plain = ChooseMenuItemLook(item, MenuItemKind::kCommand, false, false, false);
  EXPECT_TRUE(plain.band);
  EXPECT_FALSE(plain.framed);
  EXPECT_TRUE(Same(plain.text_colour, Rgb{30, 56, 110}));
  EXPECT_EQ(plain.text, (Rect{30, 10, 105, 29}));

  MenuItemLook grayed = ChooseMenuItemLook(item, MenuItemKind::kCommand, false, false, true);
  EXPECT_TRUE(Same(grayed.text_colour, Rgb{192, 192, 192}));

  // A selected separator is still drawn as an unselected item with its line.
  MenuItemLook sep = ChooseMenuItemLook(Rect{0, 0, 120, 6}, MenuItemKind::kSeparator, true, false, false);
  EXPECT_TRUE(sep.band);
  EXPECT_TRUE(sep.separator_line);
  EXPECT_EQ(sep.separator, (Rect{30, 3, 120, 4}));
}

TEST(ButtonRules, StateChoiceStripFramesAndGradients) {
  EXPECT_EQ(ChooseButtonLook(true, true, true), ButtonLook::kDisabled);
  EXPECT_EQ(ChooseButtonLook(false, true, true), ButtonLook::kPressed);
  EXPECT_EQ(ChooseButtonLook(false, false, true), ButtonLook::kHover);
  EXPECT_EQ(ChooseButtonLook(false, false, false), ButtonLook::kNormal);

  EXPECT_EQ(StripFrameFor(ButtonLook::kPressed), 0);
  EXPECT_EQ(StripFrameFor(ButtonLook::kHover), 1);
  EXPECT_EQ(StripFrameFor(ButtonLook::kNormal), 2);
  EXPECT_EQ(StripFrameFor(ButtonLook::kDisabled), 3);
  // A 424 x 40 strip has four 106 x 40 frames.
  EXPECT_EQ(StripFrameRect(424, 40, 0), (Rect{0, 0, 106, 40}));
  EXPECT_EQ(StripFrameRect(424, 40, 3), (Rect{318, 0, 424, 40}));

  EXPECT_EQ(ButtonInnerRect(Rect{0, 0, 80, 25}), (Rect{5, 4, 75, 21}));
  Rect tiny = ButtonInnerRect(Rect{0, 0, 6, 5});
  EXPECT_GE(tiny.Width(), 0);
  EXPECT_GE(tiny.Height(), 0);

  EXPECT_TRUE(Same(ButtonGradient(ButtonLook::kPressed).top, Rgb{201, 201, 201}));
  EXPECT_TRUE(Same(ButtonGradient(ButtonLook::kPressed).bottom, Rgb{244, 244, 244}));
  EXPECT_TRUE(Same(ButtonGradient(ButtonLook::kDisabled).middle, Rgb{236, 236, 236}));
  EXPECT_TRUE(Same(ButtonGradient(ButtonLook::kHover).middle, Rgb{234, 234, 234}));
}

TEST(HoverTracking, EveryEntryAsksForNoticesAgain) {
  HoverTracker t;
  for (int round = 0; round < 3; ++round) {
    EXPECT_TRUE(t.OnMouseMove()) << round;
    EXPECT_FALSE(t.OnMouseMove());
    t.OnHover();
    EXPECT_TRUE(t.hover());
    t.OnLeave();
    EXPECT_FALSE(t.hover());
  }
}

TEST(ListScroll, ThumbDistanceOnItsOwnAxisOnly) {
  // 100 rows of which 10 fit a 250-pixel client: 2500 pixels of content.
  ScrollInfo v{0, 99, 10, 0, 0};
  // Scrolled far to the right horizontally; a vertical drag must not move it.
  ScrollInfo h{0, 999, 400, 600, 0};
  ScrollDelta d = ListThumbScroll(true, 30, h, v, 400, 250);
  EXPECT_EQ(d.dx, 0);
  EXPECT_EQ(d.dy, 30 * 2500 / 100);
  // Horizontal info in pixels: content = 1000 * 400 / 400.
  d = ListThumbScroll(false, 100, h, v, 400, 250);
  EXPECT_EQ(d.dy, 0);
  EXPECT_EQ(d.dx, (100 - 600) * 1000 / 1000);
  // Order of operations matters with integer division: 7 * 2500 / 100, not 7 * 25.
  v.nMax = 299;
  d = ListThumbScroll(true, 7, h, v, 400, 250);
  EXPECT_EQ(d.dy, 7 * (300 * 250 / 10) / 300);
  // nPage 0 uses the client size; nMax of -1 gives nothing rather than a fault.
  ScrollInfo zero{0, 49, 0, 0, 0};
  EXPECT_EQ(ListThumbScroll(true, 10, h, zero, 400, 250).dy, 10 * 250 / 50);
  ScrollInfo empty{0, -1, 0, 0, 0};
  EXPECT_EQ(ListThumbScroll(true, 10, h, empty, 400, 250).dy, 0);
  // With the row height known: whole rows, either way.
  ScrollInfo rows{0, 99, 6, 12, 0};
  EXPECT_EQ(ListThumbScroll(true, 30, h, rows, 400, 196, 25).dy, 18 * 25);
  EXPECT_EQ(ListThumbScroll(true, 2, h, rows, 400, 196, 25).dy, -10 * 25);
  EXPECT_EQ(ListThumbScroll(true, 30, h, rows, 400, 196, 25).dx, 0);
}

TEST(ListTooltips, ChosenByItemDataInTheFirstColumn) {
  EXPECT_EQ(ListTooltipText(true, 0, 2), u"Protect the current disk partition");
  EXPECT_EQ(ListTooltipText(true, 0, 3), u"Protect the current disk partition");
  EXPECT_EQ(ListTooltipText(true, 0, 1), u"Protect the current disk partition table");
  EXPECT_EQ(ListTooltipText(false, 0, 77), u"Protect the current disk partition table");
  EXPECT_TRUE(ListTooltipText(true, 0, 4).empty());
  EXPECT_TRUE(ListTooltipText(true, 1, 2).empty());
  EXPECT_LE(ListTooltipText(true, 0, 0).size(), kTooltipMaxChars);
}

TEST(HeaderPointerRules, HoverAndPressFollowTheShiftedColumns) {
  std::vector<Rect> cols{{0, 0, 100, 34}, {100, 0, 200, 34}};
  HeaderPointer h;
  EXPECT_EQ(h.ImageFor(0), HeaderPointer::Image::kBackground);
  // Shifted 5 to the right: x = 102 still belongs to column 0.
  h.MouseMove(cols, Point{102, 10});
  EXPECT_EQ(h.hover_index(), 0);
  h.tracker().OnHover();
  EXPECT_EQ(h.ImageFor(0), HeaderPointer::Image::kHovered);
  EXPECT_EQ(h.ImageFor(1), HeaderPointer::Image::kBackground);
  h.ButtonDown(cols, Point{102, 10});  // shifted 2: column 1
  EXPECT_TRUE(h.pressed());
  EXPECT_EQ(h.hover_index(), 1);
  EXPECT_EQ(h.ImageFor(1), HeaderPointer::Image::kPressed);
  // Moving within the column pressed last keeps the press.
  h.MouseMove(cols, Point{50, 10});
  EXPECT_TRUE(h.pressed());
  h.MouseMove(cols, Point{150, 10});
  EXPECT_FALSE(h.pressed());
  h.ButtonDown(cols, Point{150, 10});
  h.ButtonUp();
  EXPECT_FALSE(h.pressed());
  h.MouseMove(cols, Point{500, 10});
  EXPECT_EQ(h.hover_index(), -1);
}

}  // namespace
}  // namespace tw::ui

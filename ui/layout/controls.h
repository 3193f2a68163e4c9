// State and geometry rules of the owner-drawn controls (menu items, the
// push button, the list and its header), kept free of Win32 so they are
// tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/layout/colour.h"
#include "ui/layout/geometry.h"

namespace tw::ui {

// ---- Menu items -------------------------------------------------------

constexpr int kMenuSeparatorHeight = 6;
constexpr int kMenuTextHeight = 15;
constexpr int kMenuWidthMargin = 16;
constexpr int kMenuPopupArrowWidth = 15;
constexpr int kMenuBandWidth = 22;
constexpr int kMenuTextLeftInset = 30;
constexpr int kMenuTextRightInset = 15;

enum class MenuItemKind { kCommand, kSeparator, kPopup };

struct Size {
  int cx = 0, cy = 0;
};

// text_width: the full text (label and accelerator) measured in the
// owner's device context.
Size MeasureMenuItem(MenuItemKind kind, int text_width);

struct MenuText {
  std::u16string label, accelerator;
};
MenuText SplitMenuText(std::u16string_view text);

// What an item is drawn with; colours as COLORREF-ordered Rgb.
struct MenuItemLook {
  bool band = false;         // unselected: left band + item background
  Rgb band_colour, background;
  bool framed = false;       // selected: bordered rectangle
  Rgb border, fill;
  bool separator_line = false;
  Rect separator;            // 1-pixel line rectangle, when separator_line
  Rect text;                 // where label and accelerator go
  Rgb text_colour;
};
MenuItemLook ChooseMenuItemLook(const Rect& item, MenuItemKind kind, bool selected, bool disabled,
                                bool grayed);

// ---- Push button ------------------------------------------------------

enum class ButtonLook { kNormal = 0, kPressed = 1, kHover = 2, kDisabled = 3 };

ButtonLook ChooseButtonLook(bool disabled, bool selected, bool hover);

// The strip holds four frames side by side: 0 pressed, 1 hover, 2 normal,
// 3 disabled.
int StripFrameFor(ButtonLook look);
Rect StripFrameRect(int strip_width, int strip_height, int frame);

struct ButtonMargins {
  int left = 5, top = 4, right = 5, bottom = 4;
};
Rect ButtonInnerRect(const Rect& client, const ButtonMargins& m = {});

struct Gradient3 {
  Rgb top, middle, bottom;
};
Gradient3 ButtonGradient(ButtonLook look);

// Hover/leave bookkeeping shared by the controls that ask for
// TrackMouseEvent: a move without tracking must request it again, which is
// what keeps the hover look working on every entry.
class HoverTracker {
 public:
  // Returns true when the caller must request hover and leave notices now.
  bool OnMouseMove() {
    if (tracking_) return false;
    tracking_ = true;
    return true;
  }
  void OnHover() { hover_ = true; }
  void OnLeave() {
    hover_ = false;
    tracking_ = false;
  }
  bool hover() const { return hover_; }
  bool tracking() const { return tracking_; }

 private:
  bool hover_ = false;
  bool tracking_ = false;
};

// ---- Report list ------------------------------------------------------

constexpr int kListRowHeight = 25;

struct ScrollInfo {
  int nMin = 0, nMax = 0;
  unsigned nPage = 0;
  int nPos = 0, nTrackPos = 0;
};

struct ScrollDelta {
  int dx = 0, dy = 0;
};

// Pixel distance for a thumb message on one axis: the list scrolls by
// pixels while its scroll information counts rows (vertical) or pixels.
// Content size = (nMax + 1) * client / nPage; distance = (requested - nPos)
// * content / (nMax + 1). A report list's client height includes its
// header, so for rows that estimate overshoots (30 rows asked, 43
// scrolled); given the row height (> 0), rows scroll by exactly that.
ScrollDelta ListThumbScroll(bool vertical, int requested, const ScrollInfo& h, const ScrollInfo& v,
                            int client_width, int client_height, int row_height = 0);

// Tooltip of a first-column cell by the row's item data; empty for none.
std::u16string ListTooltipText(bool has_row, int column, uintptr_t item_data);
constexpr size_t kTooltipMaxChars = 79;

// ---- Header -----------------------------------------------------------

constexpr int kHeaderHeight = 34;

// Column whose rectangle, shifted right by `shift`, holds x; -1 for none.
int HeaderColumnAt(const std::vector<Rect>& columns, Point p, int shift);

class HeaderPointer {
 public:
  enum class Image { kBackground = 160, kHovered = 174, kPressed = 156 };

  void MouseMove(const std::vector<Rect>& columns, Point p);
  void ButtonDown(const std::vector<Rect>& columns, Point p);
  void ButtonUp() { pressed_ = false; }
  Image ImageFor(int column) const;

  HoverTracker& tracker() { return tracker_; }
  int hover_index() const { return hover_index_; }
  bool pressed() const { return pressed_; }

 private:
  HoverTracker tracker_;
  int hover_index_ = -1;
  int last_pressed_ = -1;
  bool pressed_ = false;
};

}  // namespace tw::ui

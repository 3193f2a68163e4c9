#include "ui/layout/controls.h"

#include <algorithm>

namespace tw::ui {

Size MeasureMenuItem(MenuItemKind kind, int text_width) {
  if (kind == MenuItemKind::kSeparator) return Size{0, kMenuSeparatorHeight};
  int width = text_width + kMenuWidthMargin;
  if (kind == MenuItemKind::kPopup) width += kMenuPopupArrowWidth;
  return Size{width, kMenuTextHeight + 4};
}

MenuText SplitMenuText(std::u16string_view text) {
  size_t tab = text.find(u'\t');
  if (tab == std::u16string_view::npos) return MenuText{std::u16string(text), {}};
  return MenuText{std::u16string(text.substr(0, tab)), std::u16string(text.substr(tab + 1))};
}

MenuItemLook ChooseMenuItemLook(const Rect& item, MenuItemKind kind, bool selected, bool disabled,
                                bool grayed) {
  static const MenuPalette palette = MakeMenuPalette();
  MenuItemLook look;
  if (!selected || kind == MenuItemKind::kSeparator) {
    look.band = true;
    look.band_colour = palette.band;
    look.background = palette.item;
  } else {
    look.framed = true;
    look.border = palette.selectedBorder;
    look.fill = disabled ? palette.disabledFill : palette.selectedFill;
  }
  if (kind == MenuItemKind::kSeparator) {
    look.separator_line = true;
    int mid = item.top + item.Height() / 2;
    look.separator = Rect{item.left + kMenuTextLeftInset, mid, item.right, mid + 1};
  }
  look.text = Rect{item.left + kMenuTextLeftInset, item.top, item.right - kMenuTextRightInset,
                   item.bottom};
  look.text_colour = (disabled || grayed) ? palette.grayText : palette.text;
  return look;
}

ButtonLook ChooseButtonLook(bool disabled, bool selected, bool hover) {
  if (disabled) return ButtonLook::kDisabled;
  if (selected) return ButtonLook::kPressed;
  if (hover) return ButtonLook::kHover;
  return ButtonLook::kNormal;
}

int StripFrameFor(ButtonLook look) {
  switch (look) {
    case ButtonLook::kPressed: return 0;
    case ButtonLook::kHover: return 1;
    case ButtonLook::kNormal: return 2;
    case ButtonLook::kDisabled: return 3;
  }
  return 2;
}

Rect StripFrameRect(int strip_width, int strip_height, int frame) {
  int w = strip_width / 4;
  return Rect{frame * w, 0, frame * w + w, strip_height};
}

Rect ButtonInnerRect(const Rect& client, const ButtonMargins& m) {
  Rect r{client.left + m.left, client.top + m.top, client.right - m.right, client.bottom - m.bottom};
  // A button smaller than its margins has no inner part, never a negative one.
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

Gradient3 ButtonGradient(ButtonLook look) {
  switch (look) {
    case ButtonLook::kPressed: return {{201, 201, 201}, {221, 221, 221}, {244, 244, 244}};
    case ButtonLook::kDisabled: return {{245, 245, 245}, {236, 236, 236}, {224, 224, 224}};
    case ButtonLook::kNormal:
    case ButtonLook::kHover: break;
  }
  return {{255, 255, 255}, {234, 234, 234}, {224, 224, 224}};
}

namespace {

// (nMax + 1) * client / nPage, or the client size when nPage is 0.
long long ContentSize(const ScrollInfo& si, int client) {
  if (si.nPage == 0) return client;
  return (static_cast<long long>(si.nMax) + 1) * client / si.nPage;
}

int AxisDistance(int requested, const ScrollInfo& si, int client) {
  long long units = static_cast<long long>(si.nMax) + 1;
  if (units <= 0) return 0;
  long long d = (static_cast<long long>(requested) - si.nPos) * ContentSize(si, client) / units;
  return static_cast<int>(std::clamp<long long>(d, INT32_MIN, INT32_MAX));
}

}  // namespace

ScrollDelta ListThumbScroll(bool vertical, int requested, const ScrollInfo& h, const ScrollInfo& v,
                            int client_width, int client_height, int row_height) {
  ScrollDelta d;
  if (vertical && row_height > 0) {
    long long dy = (static_cast<long long>(requested) - v.nPos) * row_height;
    d.dy = static_cast<int>(std::clamp<long long>(dy, INT32_MIN, INT32_MAX));
  } else if (vertical)
    d.dy = AxisDistance(requested, v, client_height);
  else
    d.dx = AxisDistance(requested, h, client_width);
  return d;
}

std::u16string ListTooltipText(bool has_row, int column, uintptr_t item_data) {
  if (column != 0) return {};
  if (!has_row || item_data == 0 || item_data == 1) return u"Protect the current disk partition table";
  if (item_data == 2 || item_data == 3) return u"Protect the current disk partition";
  return {};
}

int HeaderColumnAt(const std::vector<Rect>& columns, Point p, int shift) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].Offset(shift, 0).Contains(p)) return static_cast<int>(i);
  return -1;
}

void HeaderPointer::MouseMove(const std::vector<Rect>& columns, Point p) {
  hover_index_ = HeaderColumnAt(columns, p, 5);
  if (hover_index_ != last_pressed_) pressed_ = false;
}

void HeaderPointer::ButtonDown(const std::vector<Rect>& columns, Point p) {
  last_pressed_ = hover_index_;
  pressed_ = true;
  hover_index_ = HeaderColumnAt(columns, p, 2);
}

HeaderPointer::Image HeaderPointer::ImageFor(int column) const {
  if (column == hover_index_ && pressed_) return Image::kPressed;
  if (column == hover_index_ && tracker_.hover()) return Image::kHovered;
  return Image::kBackground;
}

}  // namespace tw::ui

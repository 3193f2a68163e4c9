// Colour arithmetic for the skinned controls. Lightening works in an HLS
// space quantised to bytes, which is what reproduces the menu's published
// colours exactly (a float HLS is off by one in some channels).
#pragma once

#include <cstdint>

namespace tw::ui {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
  // COLORREF layout: 0x00BBGGRR.
  uint32_t ToColorRef() const { return r | (g << 8) | (uint32_t(b) << 16); }
};

struct Hls {
  uint8_t h = 0, l = 0, s = 0;  // each 0..255
};

Hls RgbToHls(Rgb c);
Rgb HlsToRgb(Hls c);

// Raises the lightness by `fraction` of its distance to white.
Rgb Lighten(Rgb base, double fraction);

// The owner-drawn menu's palette, derived from its base colours.
struct MenuPalette {
  Rgb band;            // left 22-pixel band of unselected items
  Rgb item;            // unselected item background
  Rgb selectedBorder;  // border of the selected item
  Rgb selectedFill;    // fill of the selected, enabled item
  Rgb disabledFill;    // fill of the selected, disabled item
  Rgb separator{205, 205, 214};
  Rgb text{30, 56, 110};
  Rgb grayText{192, 192, 192};
};
MenuPalette MakeMenuPalette();

}  // namespace tw::ui

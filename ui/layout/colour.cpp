#include "ui/layout/colour.h"

#include <algorithm>
#include <cmath>

namespace tw::ui {
namespace {

double HueChannel(double m1, double m2, double hue) {
  hue = hue - std::floor(hue);
  if (hue < 1.0 / 6.0) return m1 + (m2 - m1) * hue * 6.0;
  if (hue < 0.5) return m2;
  if (hue < 2.0 / 3.0) return m1 + (m2 - m1) * (2.0 / 3.0 - hue) * 6.0;
  return m1;
}

uint8_t ToByte(double unit) {
  double v = unit * 255.0;
  if (v <= 0) return 0;
  if (v >= 255) return 255;
  return static_cast<uint8_t>(v);  // truncation, as the quantised model needs
}

}  // namespace

Hls RgbToHls(Rgb c) {
  double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  double maxc = std::max({r, g, b}), minc = std::min({r, g, b});
  double l = (maxc + minc) / 2.0;
  if (maxc == minc) return Hls{0, ToByte(l), 0};
  double d = maxc - minc;
  double s = l <= 0.5 ? d / (maxc + minc) : d / (2.0 - maxc - minc);
  double rc = (maxc - r) / d, gc = (maxc - g) / d, bc = (maxc - b) / d;
  double h;
  if (r == maxc) h = bc - gc;
  else if (g == maxc) h = 2.0 + rc - bc;
  else h = 4.0 + gc - rc;
  h = h / 6.0;
  h -= std::floor(h);
  return Hls{ToByte(h), ToByte(l), ToByte(s)};
}

Rgb HlsToRgb(Hls c) {
  double h = c.h / 255.0, l = c.l / 255.0, s = c.s / 255.0;
  if (c.s == 0) return Rgb{ToByte(l), ToByte(l), ToByte(l)};
  double m2 = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
  double m1 = 2.0 * l - m2;
  return Rgb{ToByte(HueChannel(m1, m2, h + 1.0 / 3.0)), ToByte(HueChannel(m1, m2, h)),
             ToByte(HueChannel(m1, m2, h - 1.0 / 3.0))};
}

Rgb Lighten(Rgb base, double fraction) {
  Hls hls = RgbToHls(base);
  double l = hls.l + (255 - hls.l) * fraction;
  hls.l = static_cast<uint8_t>(std::clamp(l, 0.0, 255.0));
  return HlsToRgb(hls);
}

MenuPalette MakeMenuPalette() {
  MenuPalette p;
  const Rgb band_base{58, 61, 66}, item_base{245, 248, 255}, select_base{90, 96, 102};
  p.band = Lighten(band_base, 0.20);
  p.item = Lighten(item_base, 0.75);
  p.selectedBorder = Lighten(select_base, 0.20);
  p.disabledFill = p.selectedBorder;
  p.selectedFill = Lighten(select_base, 0.75);
  return p;
}

}  // namespace tw::ui

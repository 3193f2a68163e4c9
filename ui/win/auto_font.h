// A font built from a LOGFONT with a face name, plus its text colour. Its
// height is given for 96 DPI and scaled to the screen's (or SetDpi's) DPI.
#pragma once

#include "framework/gdi.h"

namespace tw::ui {

class CAutoFont : public fw::CFont {
 public:
  explicit CAutoFont(const wchar_t* face = L"MS Shell Dlg");
  void SetWeight(int weight);
  void SetHeight(int height);
  void SetDpi(UINT dpi);
  UINT dpi() const { return dpi_; }
  COLORREF text_colour() const { return colour_; }
  void SetTextColour(COLORREF c) { colour_ = c; }
  const LOGFONTW& logfont() const { return lf_; }

 private:
  void Rebuild();
  LOGFONTW lf_{};
  COLORREF colour_ = RGB(0, 0, 0);
  UINT dpi_;
};

}  // namespace tw::ui

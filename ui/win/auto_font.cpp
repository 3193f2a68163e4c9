#include "ui/win/auto_font.h"

#include "framework/dpi.h"

namespace tw::ui {

CAutoFont::CAutoFont(const wchar_t* face) : dpi_(fw::ScreenDpi()) {
  lf_.lfHeight = -12;
  lf_.lfWidth = 0;
  lf_.lfWeight = FW_NORMAL;
  lf_.lfCharSet = DEFAULT_CHARSET;
  lf_.lfOutPrecision = 0;
  lf_.lfClipPrecision = 0;
  lf_.lfQuality = PROOF_QUALITY;
  lf_.lfPitchAndFamily = 0x12;
  lstrcpynW(lf_.lfFaceName, face ? face : L"MS Shell Dlg", LF_FACESIZE);
  Rebuild();
}

void CAutoFont::Rebuild() {
  LOGFONTW scaled = lf_;
  scaled.lfHeight = fw::Scale(lf_.lfHeight, dpi_);
  Attach(::CreateFontIndirectW(&scaled));
}

void CAutoFont::SetDpi(UINT dpi) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  Rebuild();
}

void CAutoFont::SetWeight(int weight) {
  lf_.lfWeight = weight;
  Rebuild();
}

void CAutoFont::SetHeight(int height) {
  lf_.lfHeight = height;
  Rebuild();
}

}  // namespace tw::ui

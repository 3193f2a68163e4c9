#include "ui/win/auto_font.h"

namespace tw::ui {

CAutoFont::CAutoFont(const wchar_t* face) {
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

void CAutoFont::Rebuild() { Attach(::CreateFontIndirectW(&lf_)); }

void CAutoFont::SetWeight(int weight) {
  lf_.lfWeight = weight;
  Rebuild();
}

void CAutoFont::SetHeight(int height) {
  lf_.lfHeight = height;
  Rebuild();
}

}  // namespace tw::ui

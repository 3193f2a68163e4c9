#include "ui/win/skinned_page.h"

#include "framework/dpi.h"
#include "ui/win/localize.h"

namespace tw::ui {

namespace {
constexpr int kTitleId = 1001, kBottomId = 1002;
constexpr UINT kBottomStrip = 172;
}  // namespace

CSkinnedPage::CSkinnedPage(UINT template_id, UINT background_bitmap)
    : fw::CDialog(template_id), background_(background_bitmap) {}

void CSkinnedPage::PlaceControls(UINT dpi) {
  // Pages sit in the skinned frame, whose size is in pixels: their controls
  // go where the skin's base units put them, whatever the dialog font.
  fw::DialogTemplateInfo info;
  if (fw::ReadDialogTemplate(instance(), template_id(), &info)) fw::PlaceFromTemplate(m_hWnd, info, dpi);
}

void CSkinnedPage::ApplyDpi(UINT dpi) {
  PlaceControls(dpi);
  title_.font().SetDpi(dpi);
  bottom_.font().SetDpi(dpi);
  // Every control, also those wrapped in other windows (the list in its scroll frame).
  // The new DPI rides in wParam: a window asked before the system moved it would say the old one.
  ::EnumChildWindows(
      m_hWnd, [](HWND c, LPARAM dpi) { return ::SendMessageW(c, WM_DPICHANGED_AFTERPARENT, dpi, 0), TRUE; }, dpi);
  Invalidate();
}

BOOL CSkinnedPage::OnInitDialog() {
  PlaceControls(fw::DpiOf(m_hWnd));
  LocalizeDialog(m_hWnd);
  look_.Load(background_);
  title_.Attach(GetDlgItem(kTitleId));
  title_.font().SetWeight(FW_BOLD);
  title_.font().SetHeight(-16);
  bottom_.Attach(GetDlgItem(kBottomId));
  bottom_.SetImage(kBottomStrip);
  return fw::CDialog::OnInitDialog();
}

LRESULT CSkinnedPage::OnEraseBkgnd(WPARAM wp, LPARAM) {
  look_.Paint(reinterpret_cast<HDC>(wp), GetClientRect());
  return 1;
}

LRESULT CSkinnedPage::OnCtlColorStatic(WPARAM wp, LPARAM) {
  ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
  return reinterpret_cast<LRESULT>(look_.hollow());
}

}  // namespace tw::ui

#include "ui/win/skinned_page.h"

#include "ui/win/localize.h"

namespace tw::ui {

namespace {
constexpr int kTitleId = 1001, kBottomId = 1002;
constexpr UINT kBottomStrip = 172;
}  // namespace

CSkinnedPage::CSkinnedPage(UINT template_id, UINT background_bitmap)
    : fw::CDialog(template_id), background_(background_bitmap) {}

BOOL CSkinnedPage::OnInitDialog() {
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

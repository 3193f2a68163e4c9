#include "devices/win/mount_virtual_cd_dlg.h"

#include "devices/win/file_picker.h"
#include "resources/resource_ids.h"

namespace tw::ui {

static_assert(IDC_WIZ_CD == 1131 && IDC_WIZ_DVD == 1132 && IDC_WIZ_BROWSE == 1123);

CMountVirtualCDDlg::CMountVirtualCDDlg(MountWizard& wizard, WizardFlow& flow)
    : CImagePage(IDD_MOUNT_BURNER, kPageBurner, flow), model_(wizard.burner) {}

BOOL CMountVirtualCDDlg::OnInitDialog() {
  SetText(Tr(BurnerPage::kWindowText));
  ::SendDlgItemMessageW(m_hWnd, IDC_WIZ_PATH, EM_SETLIMITTEXT, 260, 0);
  return CImagePage::OnInitDialog();
}

void CMountVirtualCDDlg::ShowSlider() const {
  HWND s = GetDlgItem(IDC_WIZ_SLIDER);
  ::SendMessageW(s, TBM_SETRANGEMIN, FALSE, model_.slider_min());
  ::SendMessageW(s, TBM_SETRANGEMAX, TRUE, model_.slider_max());
  ::SendMessageW(s, TBM_SETPOS, TRUE, model_.slider_position());
}

void CMountVirtualCDDlg::LoadFields() {
  Check(IDC_WIZ_CREATE, model_.choice == BurnerPage::kCreate);
  Check(IDC_WIZ_OPEN, model_.choice == BurnerPage::kOpen);
  Check(IDC_WIZ_CD, model_.disc_kind() == BurnerPage::kCd);
  Check(IDC_WIZ_DVD, model_.disc_kind() == BurnerPage::kDvd);
  ShowSlider();
  SetItemText(IDC_WIZ_SIZE, model_.size_text);
  SetItemText(IDC_WIZ_PATH, model_.path);
}

void CMountVirtualCDDlg::SaveFields() {
  model_.choice = Checked(IDC_WIZ_OPEN) ? BurnerPage::kOpen : BurnerPage::kCreate;
  model_.size_text = ItemText(IDC_WIZ_SIZE);
  model_.path = ItemText(IDC_WIZ_PATH);
}

void CMountVirtualCDDlg::OnKind() {
  int kind = Checked(IDC_WIZ_DVD) ? BurnerPage::kDvd : BurnerPage::kCd;
  if (kind == model_.disc_kind()) return;
  model_.size_text = ItemText(IDC_WIZ_SIZE);  // the size stays what it is
  model_.SetDiscKind(kind);
  ShowSlider();
}

void CMountVirtualCDDlg::OnBrowse() {
  SaveFields();
  if (PickFile(m_hWnd, model_.BrowseDialog(), &model_.path)) SetItemText(IDC_WIZ_PATH, model_.path);
}

LRESULT CMountVirtualCDDlg::OnSlider(WPARAM, LPARAM lp) {
  HWND s = GetDlgItem(IDC_WIZ_SLIDER);
  if (reinterpret_cast<HWND>(lp) != s) {
    SetMsgHandled(false);
    return 0;
  }
  model_.MoveSlider(static_cast<int>(::SendMessageW(s, TBM_GETPOS, 0, 0)));
  SetItemText(IDC_WIZ_SIZE, model_.size_text);
  return 0;
}

}  // namespace tw::ui

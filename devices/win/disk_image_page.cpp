#include "devices/win/disk_image_page.h"

#include "devices/win/file_picker.h"
#include "resources/resource_ids.h"

namespace tw::ui {

static_assert(IDC_WIZ_CREATE == 1120 && IDC_WIZ_OPEN == 1121 && IDC_WIZ_BROWSE == 1123 && IDC_WIZ_ENCRYPT == 1127);

CDiskImagePage::CDiskImagePage(UINT template_id, int index, DiskImagePage& model, WizardFlow& flow)
    : CImagePage(template_id, index, flow), model_(model) {}

BOOL CDiskImagePage::OnInitDialog() {
  ::SendDlgItemMessageW(m_hWnd, IDC_WIZ_PATH, EM_SETLIMITTEXT, model_.max_path_chars(), 0);
  ::SendDlgItemMessageW(m_hWnd, IDC_WIZ_SPIN, UDM_SETRANGE32, 0, 4095);
  return CImagePage::OnInitDialog();
}

void CDiskImagePage::ApplyEnabling() const {
  Enable(IDC_WIZ_SIZE, model_.size_enabled());
  Enable(IDC_WIZ_SPIN, model_.size_enabled());
  Enable(IDC_WIZ_READONLY, model_.read_only_enabled());
  if (model_.vhd()) Enable(IDC_WIZ_ALLOCATE, model_.allocate_enabled());
  for (int id : {IDC_WIZ_PASSWORD, IDC_WIZ_CONFIRM, IDC_WIZ_PASSWORD_LABEL, IDC_WIZ_CONFIRM_LABEL})
    Enable(id, model_.password_boxes_enabled());
}

void CDiskImagePage::LoadFields() {
  Check(IDC_WIZ_CREATE, model_.choice() == DiskImagePage::kCreate);
  Check(IDC_WIZ_OPEN, model_.choice() == DiskImagePage::kOpen);
  SetItemText(IDC_WIZ_PATH, model_.path);
  SetItemText(IDC_WIZ_SIZE, model_.size_text);
  ::SendDlgItemMessageW(m_hWnd, IDC_WIZ_SPIN, UDM_SETPOS32, 0, model_.spin_position());
  Check(IDC_WIZ_READONLY, model_.read_only);
  if (model_.vhd()) Check(IDC_WIZ_ALLOCATE, model_.allocate_all);
  Check(IDC_WIZ_ENCRYPT, model_.password_flag);
  SetItemText(IDC_WIZ_PASSWORD, model_.password);
  SetItemText(IDC_WIZ_CONFIRM, model_.confirm);
  ApplyEnabling();
}

void CDiskImagePage::SaveFields() {
  model_.SetChoice(Checked(IDC_WIZ_OPEN) ? DiskImagePage::kOpen : DiskImagePage::kCreate);
  model_.path = ItemText(IDC_WIZ_PATH);
  model_.size_text = ItemText(IDC_WIZ_SIZE);
  model_.read_only = Checked(IDC_WIZ_READONLY);
  if (model_.vhd()) model_.allocate_all = Checked(IDC_WIZ_ALLOCATE);
  model_.password_flag = Checked(IDC_WIZ_ENCRYPT);
  model_.password = ItemText(IDC_WIZ_PASSWORD);
  model_.confirm = ItemText(IDC_WIZ_CONFIRM);
}

void CDiskImagePage::OnChoice() {
  model_.SetChoice(Checked(IDC_WIZ_OPEN) ? DiskImagePage::kOpen : DiskImagePage::kCreate);
  ApplyEnabling();
}

void CDiskImagePage::OnEncrypt() {
  model_.password_flag = Checked(IDC_WIZ_ENCRYPT);
  ApplyEnabling();
}

void CDiskImagePage::OnBrowse() {
  SaveFields();
  if (PickFile(m_hWnd, model_.BrowseDialog(), &model_.path)) SetItemText(IDC_WIZ_PATH, model_.path);
}

LRESULT CDiskImagePage::OnSpin(WPARAM, LPARAM lp) {
  HWND spin = GetDlgItem(IDC_WIZ_SPIN);
  if (reinterpret_cast<HWND>(lp) != spin) {
    SetMsgHandled(false);
    return 0;
  }
  model_.SetSpinPosition(static_cast<int>(::SendMessageW(spin, UDM_GETPOS32, 0, 0)));
  SetItemText(IDC_WIZ_SIZE, model_.size_text);
  return 0;
}

}  // namespace tw::ui

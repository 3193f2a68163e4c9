#include "devices/win/create_vfs_page.h"

#include "devices/win/file_picker.h"
#include "resources/resource_ids.h"

namespace tw::ui {

static_assert(IDC_WIZ_SUBFOLDER_CHECK == 1141 && IDC_WIZ_BROWSE == 1123);

CCreateVFSPage::CCreateVFSPage(MountWizard& wizard, WizardFlow& flow)
    : CImagePage(IDD_MOUNT_FOLDER, kPageVirtualFolder, flow), model_(wizard.folder) {}

BOOL CCreateVFSPage::OnInitDialog() {
  ::SendDlgItemMessageW(m_hWnd, IDC_WIZ_FOLDER, EM_SETLIMITTEXT, 260, 0);
  return CImagePage::OnInitDialog();
}

void CCreateVFSPage::LoadFields() {
  SetItemText(IDC_WIZ_FOLDER, model_.folder);
  Check(IDC_WIZ_SUBFOLDER_CHECK, model_.create_sub_folder);
  SetItemText(IDC_WIZ_SUBFOLDER, model_.sub_folder);
  Enable(IDC_WIZ_SUBFOLDER, model_.sub_folder_enabled());
  Check(IDC_WIZ_KEEP_CONTENT, model_.keep_content);
  Check(IDC_WIZ_AUTOMOUNT, model_.auto_mount);
  Check(IDC_WIZ_OVERLAY, model_.overlay_icon);
}

void CCreateVFSPage::SaveFields() {
  model_.folder = ItemText(IDC_WIZ_FOLDER);
  model_.create_sub_folder = Checked(IDC_WIZ_SUBFOLDER_CHECK);
  model_.sub_folder = ItemText(IDC_WIZ_SUBFOLDER);
  model_.keep_content = Checked(IDC_WIZ_KEEP_CONTENT);
  model_.auto_mount = Checked(IDC_WIZ_AUTOMOUNT);
  model_.overlay_icon = Checked(IDC_WIZ_OVERLAY);
}

void CCreateVFSPage::OnSubFolder() {
  model_.create_sub_folder = Checked(IDC_WIZ_SUBFOLDER_CHECK);
  Enable(IDC_WIZ_SUBFOLDER, model_.sub_folder_enabled());
}

void CCreateVFSPage::OnBrowse() {
  SaveFields();
  if (PickFolder(m_hWnd, FolderPageModel::kBrowseTitle, &model_.folder)) SetItemText(IDC_WIZ_FOLDER, model_.folder);
}

}  // namespace tw::ui

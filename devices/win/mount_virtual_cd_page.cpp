#include "devices/win/mount_virtual_cd_page.h"

#include "devices/win/file_picker.h"
#include "resources/resource_ids.h"

namespace tw::ui {

CMountVirtualCDPage::CMountVirtualCDPage(MountWizard& wizard, WizardFlow& flow)
    : CImagePage(IDD_MOUNT_CD, kPageCd, flow), model_(wizard.cd) {}

void CMountVirtualCDPage::LoadFields() { SetItemText(IDC_WIZ_PATH, model_.path); }
void CMountVirtualCDPage::SaveFields() { model_.path = ItemText(IDC_WIZ_PATH); }

void CMountVirtualCDPage::OnBrowse() {
  SaveFields();
  if (PickFile(m_hWnd, model_.BrowseDialog(), &model_.path)) SetItemText(IDC_WIZ_PATH, model_.path);
}

}  // namespace tw::ui

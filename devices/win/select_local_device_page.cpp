#include "devices/win/select_local_device_page.h"

#include "resources/resource_ids.h"

namespace tw::ui {

CSelectLocalDevicePage::CSelectLocalDevicePage(MountWizard& wizard, WizardFlow& flow)
    : CImagePage(IDD_MOUNT_SELECT_LOCAL, kPageSelectLocal, flow), wizard_(wizard) {}

BOOL CSelectLocalDevicePage::OnInitDialog() {
  radios_.Attach(m_hWnd, IDC_WIZ_RADIO_FIRST, 4);
  return CImagePage::OnInitDialog();
}

}  // namespace tw::ui

#include "devices/win/select_device_page.h"

#include "resources/resource_ids.h"

static_assert(IDC_WIZ_RADIO_FIRST == 1100);

namespace tw::ui {

CSelectDevicePage::CSelectDevicePage(MountWizard& wizard, WizardFlow& flow)
    : CImagePage(IDD_MOUNT_SELECT_DEVICE, kPageSelectDevice, flow), wizard_(wizard) {}

BOOL CSelectDevicePage::OnInitDialog() {
  radios_.Attach(m_hWnd, IDC_WIZ_RADIO_FIRST, 5);
  return CImagePage::OnInitDialog();
}

void CSelectDevicePage::SaveFields() {
  int i = radios_.Selected();
  wizard_.select_device = i < 0 ? kChooseLocal : i;
}

}  // namespace tw::ui

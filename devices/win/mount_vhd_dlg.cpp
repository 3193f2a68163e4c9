#include "devices/win/mount_vhd_dlg.h"

#include "resources/resource_ids.h"

namespace tw::ui {

CMountVHDDlg::CMountVHDDlg(MountWizard& wizard, WizardFlow& flow)
    : CDiskImagePage(IDD_MOUNT_VHD, kPageVhd, wizard.vhd, flow) {}

}  // namespace tw::ui

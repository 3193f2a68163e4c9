// CMountVHDDlg (wizard page 7): a VHD disk, new or existing.
#pragma once

#include "devices/mount_wizard.h"
#include "devices/win/disk_image_page.h"

namespace tw::ui {

class CMountVHDDlg : public CDiskImagePage {
 public:
  CMountVHDDlg(MountWizard& wizard, WizardFlow& flow);
};

}  // namespace tw::ui

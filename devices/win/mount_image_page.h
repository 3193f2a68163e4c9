// CMountImagePage (wizard page 8): an image disk, new or existing.
#pragma once

#include "devices/mount_wizard.h"
#include "devices/win/disk_image_page.h"

namespace tw::ui {

class CMountImagePage : public CDiskImagePage {
 public:
  CMountImagePage(MountWizard& wizard, WizardFlow& flow);
};

}  // namespace tw::ui

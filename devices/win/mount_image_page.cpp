#include "devices/win/mount_image_page.h"

#include "resources/resource_ids.h"

namespace tw::ui {

CMountImagePage::CMountImagePage(MountWizard& wizard, WizardFlow& flow)
    : CDiskImagePage(IDD_MOUNT_IMAGE, kPageImage, wizard.image, flow) {}

}  // namespace tw::ui

// CSelectDevicePage (wizard page 0): local device, shared or dedicated
// iSCSI device, stream device (hidden) or virtual folder.
#pragma once

#include "devices/mount_wizard.h"
#include "devices/win/image_page.h"
#include "devices/win/radio_choice.h"

namespace tw::ui {

class CSelectDevicePage : public CImagePage {
 public:
  CSelectDevicePage(MountWizard& wizard, WizardFlow& flow);
  BOOL OnInitDialog() override;

 protected:
  void LoadFields() override { radios_.Select(wizard_.select_device); }
  void SaveFields() override;

 private:
  MountWizard& wizard_;
  CRadioChoice radios_;
};

}  // namespace tw::ui

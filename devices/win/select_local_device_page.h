// CSelectLocalDevicePage (wizard page 5): which kind of local image.
#pragma once

#include "devices/mount_wizard.h"
#include "devices/win/image_page.h"
#include "devices/win/radio_choice.h"

namespace tw::ui {

class CSelectLocalDevicePage : public CImagePage {
 public:
  CSelectLocalDevicePage(MountWizard& wizard, WizardFlow& flow);
  BOOL OnInitDialog() override;

 protected:
  void LoadFields() override { radios_.Select(wizard_.select_local); }
  void SaveFields() override { wizard_.select_local = radios_.Selected(); }

 private:
  MountWizard& wizard_;
  CRadioChoice radios_;
};

}  // namespace tw::ui

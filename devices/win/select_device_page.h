// CSelectDevicePage (wizard page 0): local device, shared or dedicated
// iSCSI device, stream device (hidden) or virtual folder.
#pragma once

#include "devices/mount_wizard.h"
#include "ui/win/image_page.h"
#include "devices/win/radio_choice.h"

namespace tw::ui {

class CSelectDevicePage : public CImagePage {
 public:
  CSelectDevicePage(MountWizard& wizard, WizardFlow& flow);
  BOOL OnInitDialog() override;

  TW_BEGIN_MSG_MAP(CSelectDevicePage, CImagePage)
    TW_COMMAND_RANGE(1100, 1104 /* IDC_WIZ_RADIO_FIRST ... */, OnRadio)
  TW_END_MSG_MAP()

 protected:
  void LoadFields() override { radios_.Select(wizard_.select_device); }
  void SaveFields() override;

 private:
  // The choice is kept exclusive here: the explanation lines inside the
  // group keep the button's own unchecking from reaching every radio.
  void OnRadio(UINT id) { radios_.Select(static_cast<int>(id) - 1100); }
  MountWizard& wizard_;
  CRadioChoice radios_;
};

}  // namespace tw::ui

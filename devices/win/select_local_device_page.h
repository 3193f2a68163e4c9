// CSelectLocalDevicePage (wizard page 5): which kind of local image.
#pragma once

#include "devices/mount_wizard.h"
#include "ui/win/image_page.h"
#include "devices/win/radio_choice.h"

namespace tw::ui {

class CSelectLocalDevicePage : public CImagePage {
 public:
  CSelectLocalDevicePage(MountWizard& wizard, WizardFlow& flow);
  BOOL OnInitDialog() override;

  TW_BEGIN_MSG_MAP(CSelectLocalDevicePage, CImagePage)
    TW_COMMAND_RANGE(1100, 1104 /* IDC_WIZ_RADIO_FIRST ... */, OnRadio)
  TW_END_MSG_MAP()

 protected:
  void LoadFields() override { radios_.Select(wizard_.select_local); }
  void SaveFields() override { wizard_.select_local = radios_.Selected(); }

 private:
  // The choice is kept exclusive here: the explanation lines inside the
  // group keep the button's own unchecking from reaching every radio.
  void OnRadio(UINT id) { radios_.Select(static_cast<int>(id) - 1100); }
  MountWizard& wizard_;
  CRadioChoice radios_;
};

}  // namespace tw::ui

// CMountVirtualCDPage (wizard page 9): a CD/DVD image.
#pragma once

#include "devices/mount_wizard.h"
#include "ui/win/image_page.h"

namespace tw::ui {

class CMountVirtualCDPage : public CImagePage {
 public:
  CMountVirtualCDPage(MountWizard& wizard, WizardFlow& flow);

  TW_BEGIN_MSG_MAP(CMountVirtualCDPage, CImagePage)
    TW_COMMAND_CODE(1123 /* IDC_WIZ_BROWSE */, BN_CLICKED, OnBrowse)
  TW_END_MSG_MAP()

 protected:
  void LoadFields() override;
  void SaveFields() override;

 private:
  void OnBrowse();
  CdImagePage& model_;
};

}  // namespace tw::ui

// CCreateVFSPage (wizard page 4): the folder a virtual folder is mounted
// into, an optional new sub-folder, and the mount's options.
#pragma once

#include "devices/mount_wizard.h"
#include "ui/win/image_page.h"

namespace tw::ui {

class CCreateVFSPage : public CImagePage {
 public:
  CCreateVFSPage(MountWizard& wizard, WizardFlow& flow);

  TW_BEGIN_MSG_MAP(CCreateVFSPage, CImagePage)
    TW_COMMAND_CODE(1141 /* IDC_WIZ_SUBFOLDER_CHECK */, BN_CLICKED, OnSubFolder)
    TW_COMMAND_CODE(1123 /* IDC_WIZ_BROWSE */, BN_CLICKED, OnBrowse)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;

 protected:
  void LoadFields() override;
  void SaveFields() override;

 private:
  void OnSubFolder();
  void OnBrowse();
  FolderPageModel& model_;
};

}  // namespace tw::ui

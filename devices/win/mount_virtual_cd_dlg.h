// CMountVirtualCDDlg (wizard page 6): a virtual burner. The slider has two
// scales (CD: the size itself; DVD: position squared times 8 MB).
#pragma once

#include "devices/mount_wizard.h"
#include "ui/win/image_page.h"

namespace tw::ui {

class CMountVirtualCDDlg : public CImagePage {
 public:
  CMountVirtualCDDlg(MountWizard& wizard, WizardFlow& flow);

  TW_BEGIN_MSG_MAP(CMountVirtualCDDlg, CImagePage)
    TW_COMMAND_CODE(1131 /* IDC_WIZ_CD */, BN_CLICKED, OnKind)
    TW_COMMAND_CODE(1132 /* IDC_WIZ_DVD */, BN_CLICKED, OnKind)
    TW_COMMAND_CODE(1123 /* IDC_WIZ_BROWSE */, BN_CLICKED, OnBrowse)
    TW_MSG(WM_HSCROLL, OnSlider)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;

 protected:
  void LoadFields() override;
  void SaveFields() override;

 private:
  void ShowSlider() const;
  void OnKind();
  void OnBrowse();
  LRESULT OnSlider(WPARAM, LPARAM lp);
  BurnerPage& model_;
};

}  // namespace tw::ui

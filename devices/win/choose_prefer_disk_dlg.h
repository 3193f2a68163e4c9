// "Choose Prefer Disk": image disk or VHD disk, and "&Don't show this dialog
// again". The mount command stores the choice.
#pragma once

#include "framework/dialog.h"

namespace tw::ui {

class CChoosePreferDiskDlg : public fw::CDialog {
 public:
  CChoosePreferDiskDlg();
  // 0 cancelled, 1 image disk, 2 VHD disk (the mount context's answer).
  int Run(HWND parent, bool* dont_ask_again);

  TW_BEGIN_MSG_MAP(CChoosePreferDiskDlg, fw::CDialog)
    TW_COMMAND_CODE(1150 /* IDC_PREFER_IMAGE */, BN_CLICKED, OnImage)
    TW_COMMAND_CODE(1151 /* IDC_PREFER_VHD */, BN_CLICKED, OnVhd)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;

 private:
  void End(int choice);
  void OnImage() { End(1); }
  void OnVhd() { End(2); }
  bool dont_ask_ = false;
};

}  // namespace tw::ui

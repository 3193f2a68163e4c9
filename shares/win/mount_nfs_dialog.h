// CMountNFSDialog, "Mount Pellowen": server (from the registry), port,
// path with the "R" export refresh, a free drive letter, account and the
// persistent flag, bound to MountNfsDialogModel.
#pragma once

#include "framework/dialog.h"
#include "platform/prompter.h"
#include "shares/mount_nfs_model.h"

namespace tw::ui {

class CMountNFSDialog : public fw::CDialog {
 public:
  // Validation messages go to `prompter`.
  CMountNFSDialog(MountNfsDialogModel& model, Prompter& prompter);

  TW_BEGIN_MSG_MAP(CMountNFSDialog, fw::CDialog)
    TW_COMMAND_CODE(1057 /* IDC_NFS_SERVER */, CBN_SELCHANGE, OnServerPicked)
    TW_COMMAND_CODE(1024 /* IDC_NFS_REFRESH */, BN_CLICKED, OnRefresh)
  TW_END_MSG_MAP()

  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  void SaveFields();
  void FillPaths();
  void OnServerPicked();
  void OnRefresh();
  std::u16string Text(int id) const;

  MountNfsDialogModel& model_;
  Prompter& prompter_;
};

}  // namespace tw::ui

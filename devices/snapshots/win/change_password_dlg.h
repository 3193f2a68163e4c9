// CChangePasswordDlg: "Change CHAP Secret", three plain boxes whose texts
// go to the caller unchecked.
#pragma once

#include <string>

#include "devices/snapshots/snapshot_menu_commands.h"
#include "framework/dialog.h"

namespace tw::ui {

class CChangePasswordDlg : public fw::CDialog {
 public:
  explicit CChangePasswordDlg(ChangeSecretDialogModel& model);
  BOOL OnInitDialog() override;
  void DoDataExchange(fw::CDataExchange& dx) override;

 private:
  ChangeSecretDialogModel& model_;
  std::wstring old_secret_, chap_name_, new_secret_;
};

}  // namespace tw::ui

// CChangePasswordDlg: "Change CHAP Secret", three boxes (the two secrets
// masked) whose texts go to the caller unchecked.
#pragma once

#include <string>

#include "base/secure_zero.h"

#include "devices/snapshots/snapshot_menu_commands.h"
#include "framework/dialog.h"

namespace tw::ui {

class CChangePasswordDlg : public fw::CDialog {
 public:
  explicit CChangePasswordDlg(ChangeSecretDialogModel& model);
  ~CChangePasswordDlg() override {
    WipeSecret(old_secret_);
    WipeSecret(new_secret_);
  }
  BOOL OnInitDialog() override;
  void DoDataExchange(fw::CDataExchange& dx) override;

 private:
  ChangeSecretDialogModel& model_;
  std::wstring old_secret_, chap_name_, new_secret_;
};

}  // namespace tw::ui

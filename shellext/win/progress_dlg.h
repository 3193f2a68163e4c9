// The modeless progress of a copy to several users (dialog 108).
#pragma once

#include "framework/controls.h"
#include "shellext/protected_drive.h"
#include "shellext/shell_ui.h"
#include "shellext/win/paint_dlg.h"

namespace tw::shellext::win {

class CProgressDlg : public CPaintDlg, public CopyProgress {
 public:
  CProgressDlg(HINSTANCE instance, ProtectedDrive& drive) : CPaintDlg(IDD_PROGRESS, instance), drive_(drive) {}

  void Start(int total) override;
  Status CopyStep(const std::u16string& path, const std::u16string& user) override;
  void Finish() override;

  BOOL OnInitDialog() override;
  void OnOK() override {}  // Enter does nothing
  void OnCancel() override {}

  int total() const { return total_; }
  int done() const { return done_; }

 private:
  ProtectedDrive& drive_;
  fw::CProgressBarCtrl bar_;
  int total_ = 0, done_ = 0;
};

}  // namespace tw::shellext::win

#include "shellext/win/progress_dlg.h"

namespace tw::shellext::win {

BOOL CProgressDlg::OnInitDialog() {
  BOOL r = CPaintDlg::OnInitDialog();
  bar_.Attach(GetDlgItem(IDC_PROGRESS_BAR));
  return r;
}

void CProgressDlg::Start(int total) {
  total_ = total;
  done_ = 0;
  bar_.SetRange(0, total);
  bar_.SendMessageW(PBM_SETSTEP, 1);
  bar_.SetPos(0);
}

Status CProgressDlg::CopyStep(const std::u16string& path, const std::u16string& user) {
  Status st = drive_.CopyItemToUser(path, user);
  ++done_;
  bar_.SendMessageW(PBM_STEPIT);
  // The bar is repainted between transfers, which block the thread.
  bar_.UpdateWindow();
  if (done_ == total_) DestroyWindow();
  return st;
}

void CProgressDlg::Finish() {
  if (IsWindow()) DestroyWindow();
}

}  // namespace tw::shellext::win

#include "devices/snapshots/win/change_password_dlg.h"

#include "resources/resource_ids.h"
#include "ui/win/localize.h"

namespace tw::ui {

CChangePasswordDlg::CChangePasswordDlg(ChangeSecretDialogModel& model)
    : fw::CDialog(IDD_CHANGE_SECRET), model_(model) {}

BOOL CChangePasswordDlg::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  old_secret_ = fw::ToWide(model_.old_secret);
  chap_name_ = fw::ToWide(model_.chap_name);
  new_secret_ = fw::ToWide(model_.new_secret);
  return fw::CDialog::OnInitDialog();
}

void CChangePasswordDlg::DoDataExchange(fw::CDataExchange& dx) {
  fw::DDX_Text(dx, IDC_OLD_SECRET, old_secret_);
  fw::DDX_Text(dx, IDC_CHAP_NAME, chap_name_);
  fw::DDX_Text(dx, IDC_NEW_SECRET, new_secret_);
  if (dx.saving() && !dx.failed()) {
    model_.old_secret = fw::FromWide(old_secret_);
    model_.chap_name = fw::FromWide(chap_name_);
    model_.new_secret = fw::FromWide(new_secret_);
  }
}

}  // namespace tw::ui

#include "shellext/win/encrypt_dlg.h"

namespace tw::shellext::win {

CEncryptDlg::CEncryptDlg(HINSTANCE instance, ShellCommands& commands, std::u16string path)
    : CPaintDlg(IDD_ENCRYPT, instance), commands_(commands), path_(std::move(path)) {}

BOOL CEncryptDlg::OnInitDialog() {
  BOOL r = CPaintDlg::OnInitDialog();
  ok_.Attach(GetDlgItem(IDOK));
  cancel_.Attach(GetDlgItem(IDCANCEL));
  return r;
}

void CEncryptDlg::OnOK() {
  auto text = [&](int id) {
    fw::CWindow w(GetDlgItem(id));
    std::u16string t = fw::FromWide(w.GetWindowText());
    w.Detach();
    return t;
  };
  if (commands_.EncryptOk(path_, text(IDC_PASSWORD), text(IDC_PASSWORD_CONFIRM))) EndDialog(IDOK);
}

}  // namespace tw::shellext::win

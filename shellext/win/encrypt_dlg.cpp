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
  auto text = [&](int id) { return fw::FromWide(fw::ItemText(m_hWnd, id)); };
  if (commands_.EncryptOk(path_, text(IDC_PASSWORD), text(IDC_PASSWORD_CONFIRM))) EndDialog(IDOK);
}

}  // namespace tw::shellext::win

#include "cloud/win/mount_cloud_dlg.h"

#include "resources/resource_ids.h"
#include "ui/win/localize.h"

namespace tw::ui {

static_assert(IDC_CLOUD_LINK == 1202);

CMountCloudDlg::CMountCloudDlg(HWND parent) : fw::CDialog(IDD_MOUNT_CLOUD), parent_(parent) {}

bool CMountCloudDlg::Ask(std::u16string* user_account, std::u16string* password) {
  user_.clear();
  password_.clear();
  if (DoModal(parent_) != IDOK) return false;
  *user_account = user_;
  *password = password_;
  return true;
}

BOOL CMountCloudDlg::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  for (int id : {IDC_CLOUD_USER, IDC_CLOUD_PASSWORD}) ::SendDlgItemMessageW(m_hWnd, id, EM_SETLIMITTEXT, 255, 0);
  return TRUE;
}

void CMountCloudDlg::OnOK() {
  user_ = fw::FromWide(fw::ItemText(m_hWnd, IDC_CLOUD_USER));
  password_ = fw::FromWide(fw::ItemText(m_hWnd, IDC_CLOUD_PASSWORD));
  EndDialog(IDOK);
}

LRESULT CMountCloudDlg::OnLink(NMHDR*) {
  ::ShellExecuteW(m_hWnd, L"open", kCloudInfoUrl, nullptr, nullptr, SW_SHOWNORMAL);
  return 0;
}

}  // namespace tw::ui

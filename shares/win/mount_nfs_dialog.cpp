#include "shares/win/mount_nfs_dialog.h"

#include "base/product.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"
#include "ui/win/wait_cursor.h"

namespace tw::ui {

static_assert(IDC_NFS_SERVER == 1057 && IDC_NFS_REFRESH == 1024);

CMountNFSDialog::CMountNFSDialog(MountNfsDialogModel& model, Prompter& prompter)
    : fw::CDialog(IDD_MOUNT_NFS), model_(model), prompter_(prompter) {}

std::u16string CMountNFSDialog::Text(int id) const { return fw::FromWide(fw::ItemText(m_hWnd, id)); }

BOOL CMountNFSDialog::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  HWND servers = GetDlgItem(IDC_NFS_SERVER);
  const auto& list = model_.servers();
  for (size_t i = 0; i < list.size(); ++i) {
    auto at = ::SendMessageW(servers, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(fw::ToWide(list[i].server).c_str()));
    ::SendMessageW(servers, CB_SETITEMDATA, static_cast<WPARAM>(at), list[i].port);
  }
  if (!list.empty()) ::SendMessageW(servers, CB_SETCURSEL, 0, 0);
  ::SetDlgItemTextW(m_hWnd, IDC_NFS_PORT, fw::ToWide(model_.port).c_str());
  FillPaths();
  HWND drives = GetDlgItem(IDC_NFS_DRIVE);
  for (const auto& d : model_.drives()) ::SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fw::ToWide(d).c_str()));
  ::SendMessageW(drives, CB_SETCURSEL, 0, 0);
  ::SetDlgItemTextW(m_hWnd, IDC_NFS_USER, fw::ToWide(model_.user).c_str());
  ::SetDlgItemTextW(m_hWnd, IDC_NFS_PASSWORD, fw::ToWide(model_.password).c_str());
  ::CheckDlgButton(m_hWnd, IDC_NFS_PERSISTENT, model_.persistent ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CMountNFSDialog::FillPaths() {
  HWND paths = GetDlgItem(IDC_NFS_PATH);
  std::wstring typed = fw::ToWide(Text(IDC_NFS_PATH));
  ::SendMessageW(paths, CB_RESETCONTENT, 0, 0);
  for (const auto& p : model_.paths()) ::SendMessageW(paths, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fw::ToWide(p).c_str()));
  ::SetWindowTextW(paths, typed.c_str());
}

void CMountNFSDialog::SaveFields() {
  model_.server = Text(IDC_NFS_SERVER);
  model_.port = Text(IDC_NFS_PORT);
  model_.path = Text(IDC_NFS_PATH);
  model_.drive = Text(IDC_NFS_DRIVE);
  model_.user = Text(IDC_NFS_USER);
  model_.password = Text(IDC_NFS_PASSWORD);
  model_.persistent = ::IsDlgButtonChecked(m_hWnd, IDC_NFS_PERSISTENT) == BST_CHECKED;
}

void CMountNFSDialog::OnServerPicked() {
  int i = static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_NFS_SERVER, CB_GETCURSEL, 0, 0));
  model_.PickServer(i);
  ::SetDlgItemTextW(m_hWnd, IDC_NFS_PORT, fw::ToWide(model_.port).c_str());
}

void CMountNFSDialog::OnRefresh() {
  SaveFields();
  {
    CWaitCursor wait;
    model_.RefreshExports();
  }
  FillPaths();
}

void CMountNFSDialog::OnOK() {
  SaveFields();
  std::u16string message;
  if (!model_.Validate(&message)) {
    prompter_.ShowMessage(message, kAppTitle, kMbOk | kMbIconWarning);
    return;
  }
  EndDialog(IDOK);
}

}  // namespace tw::ui

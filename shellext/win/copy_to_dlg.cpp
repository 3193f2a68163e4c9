#include "shellext/win/copy_to_dlg.h"

#include "shellext/win/progress_dlg.h"

namespace tw::shellext::win {

CCopyToDlg::CCopyToDlg(HINSTANCE instance, TransferMode mode, std::u16string path, ProtectedDrive& drive,
                       ShellCommands& commands)
    : CPaintDlg(IDD_COPY_TO, instance), mode_(mode), path_(std::move(path)), drive_(drive), commands_(commands) {}

CCopyToDlg::~CCopyToDlg() {
  if (images_) ImageList_Destroy(images_);
}

BOOL CCopyToDlg::OnInitDialog() {
  auto text = [&](UINT id) {
    wchar_t buffer[64] = {};
    ::LoadStringW(instance(), id, buffer, 64);
    return std::wstring(buffer);
  };
  // The window text is the title the frame paints.
  SetText(text(mode_ == TransferMode::kShare ? IDS_SHARE_FILES_TO : IDS_COPY_FILES_TO));
  BOOL r = CPaintDlg::OnInitDialog();
  HWND check = GetDlgItem(IDC_SESSION_ONLY);
  ::ShowWindow(check, mode_ == TransferMode::kShare ? SW_SHOW : SW_HIDE);
  ::SendMessageW(check, BM_SETCHECK, static_cast<WPARAM>(session_only_), 0);
  ok_.Attach(GetDlgItem(IDOK));
  cancel_.Attach(GetDlgItem(IDCANCEL));
  ok_.SetText(text(IDS_OK));
  cancel_.SetText(text(IDS_CANCEL));

  list_.Attach(GetDlgItem(IDC_USER_LIST));
  images_ = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
  HICON user = static_cast<HICON>(::LoadImageW(instance(), MAKEINTRESOURCEW(IDI_USER), IMAGE_ICON, 32, 32, 0));
  ImageList_AddIcon(images_, user);
  ::DestroyIcon(user);
  list_.SetImageList(images_, LVSIL_NORMAL);
  int i = 0;
  for (const std::u16string& name : ShareUsersOf(drive_, path_)) list_.InsertItem(i++, fw::ToWide(name).c_str(), 0);
  return r;
}

std::vector<std::u16string> CCopyToDlg::SelectedUsers() const {
  std::vector<std::u16string> users;
  for (int i = -1; (i = static_cast<int>(list_.SendMessageW(LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                                             LVNI_SELECTED))) >= 0;)
    users.push_back(fw::FromWide(list_.GetItemText(i, 0)));
  return users;
}

void CCopyToDlg::OnOK() {
  session_only_ = static_cast<int>(::SendMessageW(GetDlgItem(IDC_SESSION_ONLY), BM_GETCHECK, 0, 0));
  std::vector<std::u16string> users = SelectedUsers();
  if (mode_ == TransferMode::kShare) {
    commands_.ShareToUsers(path_, users);
  } else {
    CProgressDlg progress(instance(), drive_);
    progress_window_ = progress.CreateModeless(m_hWnd);
    RECT r = progress.GetWindowRect();  // an owned popup: screen coordinates
    progress.MoveWindow(r.left + 50, r.top + 100, r.right - r.left, r.bottom - r.top);
    progress.ShowWindow(SW_SHOW);
    commands_.CopyToUsers(path_, users, progress);
    progress_window_ = nullptr;
  }
  EndDialog(IDOK);
}

}  // namespace tw::shellext::win

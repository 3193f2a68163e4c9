#include "devices/win/choose_prefer_disk_dlg.h"

#include "resources/resource_ids.h"
#include "ui/win/localize.h"

namespace tw::ui {

static_assert(IDC_PREFER_IMAGE == 1150 && IDC_PREFER_VHD == 1151);

CChoosePreferDiskDlg::CChoosePreferDiskDlg() : fw::CDialog(IDD_CHOOSE_PREFER_DISK) {}

BOOL CChoosePreferDiskDlg::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  return TRUE;
}

void CChoosePreferDiskDlg::End(int choice) {
  dont_ask_ = ::IsDlgButtonChecked(m_hWnd, IDC_PREFER_DONT_ASK) == BST_CHECKED;
  EndDialog(100 + choice);
}

int CChoosePreferDiskDlg::Run(HWND parent, bool* dont_ask_again) {
  INT_PTR r = DoModal(parent);
  int choice = r == 101 || r == 102 ? static_cast<int>(r - 100) : 0;
  if (dont_ask_again) *dont_ask_again = choice != 0 && dont_ask_;
  return choice;
}

}  // namespace tw::ui

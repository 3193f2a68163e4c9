#include "iscsi/win/add_target_dlg.h"

#include "iscsi/portal_manager.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"

namespace tw::ui {

CAddTarget::CAddTarget(Prompter& prompter) : fw::CDialog(IDD_ADD_HOST), prompter_(prompter) {}

BOOL CAddTarget::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  ::SendDlgItemMessageW(m_hWnd, IDC_HOST_NAME, EM_SETLIMITTEXT, 256, 0);
  ::SetDlgItemTextW(m_hWnd, IDC_HOST_PORT, std::to_wstring(kDefaultIscsiPort).c_str());
  return TRUE;
}

void CAddTarget::OnOK() {
  const std::u16string host = fw::FromWide(fw::ItemText(m_hWnd, IDC_HOST_NAME));
  std::u16string message = CheckAddHost(host, fw::FromWide(fw::ItemText(m_hWnd, IDC_HOST_PORT)), &port_);
  if (!message.empty()) {
    prompter_.ShowMessage(message, kMessageCaption, kMessageStyle);
    ::SetFocus(GetDlgItem(message == kMsgEnterHost ? IDC_HOST_NAME : IDC_HOST_PORT));
    return;
  }
  host_ = host;
  EndDialog(IDOK);
}

}  // namespace tw::ui

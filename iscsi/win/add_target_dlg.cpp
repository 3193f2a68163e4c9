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
  wchar_t host[300] = {}, port[64] = {};
  ::GetDlgItemTextW(m_hWnd, IDC_HOST_NAME, host, 300);
  ::GetDlgItemTextW(m_hWnd, IDC_HOST_PORT, port, 64);
  std::u16string message = CheckAddHost(fw::FromWide(host), fw::FromWide(port), &port_);
  if (!message.empty()) {
    prompter_.ShowMessage(message, kMessageCaption, kMessageStyle);
    ::SetFocus(GetDlgItem(message == kMsgEnterHost ? IDC_HOST_NAME : IDC_HOST_PORT));
    return;
  }
  host_ = fw::FromWide(host);
  EndDialog(IDOK);
}

}  // namespace tw::ui

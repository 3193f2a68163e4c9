#include "iscsi/win/set_chap_page.h"

#include "resources/resource_ids.h"

namespace tw::ui {

CSetChapPage::CSetChapPage(std::u16string& user, std::u16string& secret, WizardFlow& flow)
    : CImagePage(IDD_SET_CHAP, kPageChap, flow), user_(user), secret_(secret) {}

BOOL CSetChapPage::OnInitDialog() {
  for (int id : {IDC_CHAP_USER, IDC_CHAP_SECRET})
    ::SendDlgItemMessageW(m_hWnd, id, EM_SETLIMITTEXT, ChapPageModel::kMaxChars, 0);
  return CImagePage::OnInitDialog();
}

void CSetChapPage::LoadFields() {
  SetItemText(IDC_CHAP_USER, user_);
  SetItemText(IDC_CHAP_SECRET, secret_);
}

void CSetChapPage::SaveFields() {
  user_ = ItemText(IDC_CHAP_USER);
  secret_ = ItemText(IDC_CHAP_SECRET);
}

}  // namespace tw::ui

#include "iscsi/win/portal_manager_dlg.h"

#include "iscsi/win/add_target_dlg.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"
#include "ui/win/wait_cursor.h"

namespace tw::ui {

static_assert(IDC_PORTAL_ADD == 1181 && IDC_PORTAL_REMOVE == 1182);

CPortalManagerDlg::CPortalManagerDlg(const Platform& platform, IscsiDiscovery& discovery)
    : fw::CDialog(IDD_PORTAL_MANAGER), p_(platform), model_(*platform.registry, discovery, *platform.prompter) {}

BOOL CPortalManagerDlg::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  list_.Attach(GetDlgItem(IDC_PORTAL_LIST));
  list_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  icons_.Create(18, 18, ILC_COLOR32 | ILC_MASK, 1, 0);
  icons_.AddIconResource(IDI_PORTAL);
  list_.SetImageList(icons_, LVSIL_SMALL);
  list_.InsertColumn(0, Tr(u"Host Name").c_str(), 200);
  list_.InsertColumn(1, Tr(u"Port").c_str(), 80);
  {
    CWaitCursor wait;
    model_.Open();
  }
  Fill();
  return TRUE;
}

void CPortalManagerDlg::Fill() {
  list_.DeleteAllItems();
  const auto& rows = model_.rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    int row = list_.InsertItem(static_cast<int>(i), fw::ToWide(rows[i].host).c_str(), 0);
    list_.SetItemText(row, 1, fw::ToWide(rows[i].port).c_str());
  }
}

void CPortalManagerDlg::OnAdd() {
  CAddTarget add(*p_.prompter);
  if (add.DoModal(m_hWnd) != IDOK) return;
  {
    CWaitCursor wait;
    model_.Add(add.host(), add.port());
  }
  Fill();
}

void CPortalManagerDlg::OnRemove() {
  std::vector<size_t> selected;
  for (int i = -1; (i = static_cast<int>(list_.SendMessageW(LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
    selected.push_back(static_cast<size_t>(i));
  if (selected.empty()) return;
  model_.Remove(selected);
  Fill();
}

}  // namespace tw::ui

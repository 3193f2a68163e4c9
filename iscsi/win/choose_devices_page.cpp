#include "iscsi/win/choose_devices_page.h"

#include "iscsi/win/portal_manager_dlg.h"
#include "resources/resource_ids.h"

namespace tw::ui {

static_assert(IDC_TARGET_PORTAL == 1160 && IDC_TARGET_MANAGE == 1161 && IDC_TARGET_LIST == 1162 &&
              IDC_TARGET_NEED_CHAP == 1163);

CChooseDevicesPage::CChooseDevicesPage(const Platform& platform, IscsiDiscovery& discovery,
                                       TargetPageModel& model, WizardFlow& flow)
    : CImagePage(IDD_CHOOSE_TARGET, kPageChooseTarget, flow), p_(platform), discovery_(discovery), model_(model) {}

BOOL CChooseDevicesPage::OnInitDialog() {
  list_.Attach(GetDlgItem(IDC_TARGET_LIST));
  list_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  list_.InsertColumn(0, Tr(u"Target Name").c_str(), 300);
  list_.InsertColumn(1, Tr(u"Type").c_str(), 100);
  return CImagePage::OnInitDialog();
}

BOOL CChooseDevicesPage::OnSetActive() {
  CImagePage::OnSetActive();
  // The checkbox may have been cleared before the user went back.
  ShowButtons(model_.SetNeedChap(model_.needChap()));
  return TRUE;
}

void CChooseDevicesPage::LoadFields() {
  FillCombo();
  FillTargets();
  Check(IDC_TARGET_NEED_CHAP, model_.needChap());
}

void CChooseDevicesPage::FillCombo() {
  HWND combo = GetDlgItem(IDC_TARGET_PORTAL);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < model_.comboPortals().size(); ++i)
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fw::ToWide(model_.ComboText(i)).c_str()));
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(model_.comboSelection()), 0);
}

void CChooseDevicesPage::FillTargets() {
  filling_ = true;
  list_.DeleteAllItems();
  const auto& rows = model_.rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    int row = list_.InsertItem(static_cast<int>(i), fw::ToWide(rows[i].name).c_str());
    list_.SetItemText(row, 1, Tr(rows[i].type).c_str());
    ListView_SetCheckState(list_.m_hWnd, row, rows[i].checked);
  }
  filling_ = false;
}

void CChooseDevicesPage::OnPortal() {
  model_.SelectPortal(static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_TARGET_PORTAL, CB_GETCURSEL, 0, 0)));
  FillTargets();
}

void CChooseDevicesPage::OnManagePath() {
  CPortalManagerDlg manager(p_, discovery_);
  bool ok = manager.DoModal(m_hWnd) == IDOK;
  model_.OnManagePathClosed(ok);
  if (!ok) return;
  FillCombo();
  FillTargets();
}

void CChooseDevicesPage::OnNeedChap() { ShowButtons(model_.SetNeedChap(Checked(IDC_TARGET_NEED_CHAP))); }

LRESULT CChooseDevicesPage::OnItemChanged(NMHDR* nm) {
  auto* lv = reinterpret_cast<NMLISTVIEW*>(nm);
  if (filling_ || !(lv->uChanged & LVIF_STATE) || lv->iItem < 0 ||
      ((lv->uNewState ^ lv->uOldState) & LVIS_STATEIMAGEMASK) == 0)
    return 0;
  bool checked = ListView_GetCheckState(list_.m_hWnd, lv->iItem) != 0;
  model_.SetChecked(static_cast<size_t>(lv->iItem), checked);
  // The model unchecked the others: show that.
  filling_ = true;
  const auto& rows = model_.rows();
  for (size_t i = 0; i < rows.size(); ++i)
    if ((ListView_GetCheckState(list_.m_hWnd, static_cast<int>(i)) != 0) != rows[i].checked)
      ListView_SetCheckState(list_.m_hWnd, static_cast<int>(i), rows[i].checked);
  filling_ = false;
  return 0;
}

}  // namespace tw::ui

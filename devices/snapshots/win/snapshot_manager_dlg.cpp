#include "devices/snapshots/win/snapshot_manager_dlg.h"

#include "ui/win/localize.h"

namespace tw::ui {

CSnapshotManagerDlg::CSnapshotManagerDlg(SnapshotManagerModel& model)
    : fw::CDialog(IDD_SNAPSHOT_MANAGER), model_(model) {}

BOOL CSnapshotManagerDlg::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  if (model_.platform().prompter) prompter_owner_.emplace(*model_.platform().prompter, m_hWnd);
  ::SendDlgItemMessageW(m_hWnd, IDC_SNAP_NAME, EM_SETLIMITTEXT, kSnapshotNameMax, 0);
  ::SendDlgItemMessageW(m_hWnd, IDC_SNAP_DESCRIPTION, EM_SETLIMITTEXT, kSnapshotDescriptionMax, 0);

  // The view takes the place the template keeps for it.
  HWND place = GetDlgItem(IDC_SNAP_VIEW);
  fw::CWindow placeholder(place);
  RECT rc = placeholder.GetRectInParent();
  placeholder.Detach();
  ::DestroyWindow(place);
  if (!view_.Create(m_hWnd, rc, IDC_SNAP_VIEW, &model_.tree())) return TRUE;
  // First in the tab order, so that the dialog starts with the tree.
  view_.SetWindowPos(HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  view_.on_click = [this](int node) { model_.SelectNode(node); };
  view_.on_arrow = [this](bool right) {
    if (right) model_.KeyRight();
    else model_.KeyLeft();
    view_.EnsureVisible(model_.tree().selected());
  };
  model_.on_details_changed = [this] { ShowDetails(); };
  model_.on_redraw = [this] { view_.TreeChanged(); };
  model_.on_wait_cursor = [this](bool on) { wait_.Show(on); };
  ShowDetails();
  view_.TreeChanged();
  ::SetFocus(view_);
  return FALSE;
}

void CSnapshotManagerDlg::ShowDetails() {
  filling_ = true;
  ::SetDlgItemTextW(m_hWnd, IDC_SNAP_NAME, fw::ToWide(model_.name_text()).c_str());
  ::SetDlgItemTextW(m_hWnd, IDC_SNAP_DESCRIPTION, fw::ToWide(model_.description_text()).c_str());
  filling_ = false;
  ::EnableWindow(GetDlgItem(IDC_SNAP_GOTO), model_.go_to_enabled());
  ::EnableWindow(GetDlgItem(IDC_SNAP_DELETE), model_.delete_enabled());
  ::EnableWindow(GetDlgItem(IDC_SNAP_MERGE), model_.merge_enabled());
}

std::wstring CSnapshotManagerDlg::Text(int id) const { return fw::ItemText(m_hWnd, id); }

void CSnapshotManagerDlg::OnNameChanged() {
  if (!filling_) model_.EditName(fw::FromWide(Text(IDC_SNAP_NAME)));
}

void CSnapshotManagerDlg::OnDescriptionChanged() {
  if (!filling_) model_.EditDescription(fw::FromWide(Text(IDC_SNAP_DESCRIPTION)));
}

void CSnapshotManagerDlg::OnCancel() {
  model_.Close();
  EndDialog(IDCANCEL);
}

LRESULT CSnapshotManagerDlg::OnDestroy(WPARAM, LPARAM) {
  model_.on_details_changed = nullptr;
  model_.on_redraw = nullptr;
  model_.on_wait_cursor = nullptr;
  prompter_owner_.reset();
  SetMsgHandled(false);
  return 0;
}

}  // namespace tw::ui

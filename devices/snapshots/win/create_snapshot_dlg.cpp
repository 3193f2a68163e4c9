#include "devices/snapshots/win/create_snapshot_dlg.h"

#include "devices/snapshots/snapshot_disk.h"
#include "resources/resource_ids.h"
#include "ui/win/localize.h"

namespace tw::ui {

CCreateSnapshotDlg::CCreateSnapshotDlg(CreateSnapshotDialogModel& model)
    : fw::CDialog(IDD_CREATE_SNAPSHOT), model_(model) {}

BOOL CCreateSnapshotDlg::OnInitDialog() {
  LocalizeDialog(m_hWnd);
  name_ = fw::ToWide(model_.name());
  description_ = fw::ToWide(model_.description());
  return fw::CDialog::OnInitDialog();
}

void CCreateSnapshotDlg::DoDataExchange(fw::CDataExchange& dx) {
  fw::DDX_Text(dx, IDC_CREATE_NAME, name_, static_cast<int>(kSnapshotNameMax));
  fw::DDX_Text(dx, IDC_CREATE_DESCRIPTION, description_, static_cast<int>(kSnapshotDescriptionMax));
  if (dx.saving() && !dx.failed()) {
    model_.SetName(fw::FromWide(name_));
    model_.SetDescription(fw::FromWide(description_));
  }
}

}  // namespace tw::ui

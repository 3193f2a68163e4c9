#include "devices/snapshots/win/snapshot_windows.h"

#include "devices/snapshots/win/change_password_dlg.h"
#include "devices/snapshots/win/create_snapshot_dlg.h"
#include "devices/snapshots/win/snapshot_manager_dlg.h"

namespace tw::ui {

RunCreateSnapshotDialog CreateSnapshotDialogRunner(HWND parent) {
  return [parent](CreateSnapshotDialogModel& model) {
    CCreateSnapshotDlg dialog(model);
    return dialog.DoModal(parent) == IDOK;
  };
}

RunSnapshotManagerDialog SnapshotManagerRunner(HWND parent) {
  return [parent](SnapshotManagerModel& model) {
    CSnapshotManagerDlg dialog(model);
    dialog.DoModal(parent);
  };
}

RunChangeSecretDialog ChangeSecretDialogRunner(HWND parent) {
  return [parent](ChangeSecretDialogModel& model) {
    CChangePasswordDlg dialog(model);
    return dialog.DoModal(parent) == IDOK;
  };
}

}  // namespace tw::ui

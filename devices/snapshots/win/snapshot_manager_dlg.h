// CSnapshotManagerDlg: the "Snapshot Manager" dialog over an open model:
// the tree view, the "Name: " and "Description: " boxes, and the buttons
// "&Take Snapshot", "Go to", "&Merge", "&Delete" and "Close".
#pragma once

#include <optional>

#include "devices/snapshots/snapshot_manager.h"
#include "devices/snapshots/win/snapshot_view.h"
#include "framework/dialog.h"
#include "resources/resource_ids.h"
#include "ui/win/wait_cursor.h"

namespace tw::ui {

class CSnapshotManagerDlg : public fw::CDialog {
 public:
  explicit CSnapshotManagerDlg(SnapshotManagerModel& model);

  CSnapshotView& view() { return view_; }
  SnapshotManagerModel& model() { return model_; }

  BOOL OnInitDialog() override;
  // Enter in a box must not close the dialog behind the user's back.
  void OnOK() override {}
  // "Close", Esc and the close box: pending edits are stored first.
  void OnCancel() override;

  TW_BEGIN_MSG_MAP(CSnapshotManagerDlg, fw::CDialog)
    TW_COMMAND_CODE(IDC_SNAP_NAME, EN_CHANGE, OnNameChanged)
    TW_COMMAND_CODE(IDC_SNAP_DESCRIPTION, EN_CHANGE, OnDescriptionChanged)
    TW_COMMAND(IDC_SNAP_TAKE, OnTake)
    TW_COMMAND(IDC_SNAP_GOTO, OnGoTo)
    TW_COMMAND(IDC_SNAP_MERGE, OnMerge)
    TW_COMMAND(IDC_SNAP_DELETE, OnDelete)
    TW_MSG(WM_DESTROY, OnDestroy)
  TW_END_MSG_MAP()

 private:
  void OnNameChanged();
  void OnDescriptionChanged();
  void OnTake() { model_.TakeSnapshot(); }
  void OnGoTo() { model_.GoTo(); }
  void OnMerge() { model_.Merge(); }
  void OnDelete() { model_.Delete(); }
  LRESULT OnDestroy(WPARAM, LPARAM);
  // Boxes and buttons from the model.
  void ShowDetails();
  std::wstring Text(int id) const;

  SnapshotManagerModel& model_;
  CSnapshotView view_;
  bool filling_ = false;
  CWaitCursor wait_{false};
  // The prompter's owner while the dialog is up, so that the model's
  // messages are modal to this dialog and not to the main window.
  std::optional<fw::ScopedPrompterOwner> prompter_owner_;
};

}  // namespace tw::ui

// CCreateSnapshotDlg: "Create Snapshot", the name (at most 31 characters)
// and description (at most 1,023) of the device page's take.
#pragma once

#include <string>

#include "devices/snapshots/snapshot_menu_commands.h"
#include "framework/dialog.h"

namespace tw::ui {

class CCreateSnapshotDlg : public fw::CDialog {
 public:
  explicit CCreateSnapshotDlg(CreateSnapshotDialogModel& model);
  BOOL OnInitDialog() override;
  void DoDataExchange(fw::CDataExchange& dx) override;

 private:
  CreateSnapshotDialogModel& model_;
  std::wstring name_, description_;
};

}  // namespace tw::ui

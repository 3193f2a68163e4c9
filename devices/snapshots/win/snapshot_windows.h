// The window side of the snapshot commands (devices/snapshots/
// snapshot_menu_commands.h): each runner shows its dialog modally, owned by
// `parent`. The device page passes them to TakeSnapshotOfDevice,
// OpenSnapshotManager and ChangeDeviceSecret.
#pragma once

#include "devices/snapshots/snapshot_menu_commands.h"
#include "framework/win.h"

namespace tw::ui {

RunCreateSnapshotDialog CreateSnapshotDialogRunner(HWND parent);
RunSnapshotManagerDialog SnapshotManagerRunner(HWND parent);
RunChangeSecretDialog ChangeSecretDialogRunner(HWND parent);

}  // namespace tw::ui

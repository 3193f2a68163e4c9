// The window side of the mount flows: the device page binds a MountContext
// to these windows and then runs MountCommand.
#pragma once

#include "devices/mount_wizard.h"
#include "framework/win.h"

namespace tw::ui {
// Fills the window side of a mount context: run_wizard (the "Mount Device" sheet), choose_prefer_disk,
// cloud_mount and nfs_mount, each running its dialog modally, owned by `parent`.
void BindMountWindows(MountContext& ctx, HWND parent);
}  // namespace tw::ui

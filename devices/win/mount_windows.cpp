#include "devices/win/mount_windows.h"

#include "cloud/cloud_disk.h"
#include "cloud/win/mount_cloud_dlg.h"
#include "devices/win/add_target_wizard.h"
#include "devices/win/choose_prefer_disk_dlg.h"
#include "shares/mount_nfs_model.h"
#include "shares/win/mount_nfs_dialog.h"

namespace tw::ui {

void BindMountWindows(MountContext& ctx, HWND parent) {
  MountContext* c = &ctx;
  ctx.run_wizard = [c, parent](MountWizard& wizard) {
    CAddTargetWizard sheet(wizard, c->platform, c->discovery);
    return sheet.Run(parent);
  };
  ctx.choose_prefer_disk = [parent](bool* dont_ask_again) {
    CChoosePreferDiskDlg dialog;
    return dialog.Run(parent, dont_ask_again);
  };
  ctx.cloud_mount = [c, parent] {
    CMountCloudDlg dialog(parent);
    CloudMountOutcome out =
        MountCloudDisk(c->platform, c->bus, *c->platform.internet, CloudVerifyHost(), dialog);
    // The new disk belongs in the list the user is looking at.
    if (!out.cancelled && out.verify_result == kCloudVerified && out.plug_status == kOk && c->refresh) c->refresh();
  };
  ctx.nfs_mount = [c, parent] {
    RunNfsMountCommand(
        c->platform,
        [c, parent](MountNfsDialogModel& model) {
          CMountNFSDialog dialog(model, *c->platform.prompter);
          return dialog.DoModal(parent) == IDOK;
        },
        c->refresh);
  };
}

}  // namespace tw::ui

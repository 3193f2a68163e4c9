// The iSCSI and cloud commands, which live with their areas.
#include "cloud/cloud_commands.h"
#include "console/console.h"
#include "console/network_commands.h"
#include "devices/snapshots/snapshot_commands.h"
#include "iscsi/iscsi_commands.h"
#include "platform/internet.h"

namespace tw::console {

int DiscoverCommand(Context& ctx, const std::vector<std::string>& args) {
  return RunDiscoverCommand(args, ctx.platform, ctx.out, ctx.err);
}
int PortalsCommand(Context& ctx, const std::vector<std::string>& args) {
  return RunPortalsCommand(args, ctx.platform, ctx.out, ctx.err);
}
int SnapshotCommand(Context& ctx, const std::vector<std::string>& args) {
  return RunSnapshotCommand(args, ctx.platform, ctx.assume_yes, ctx.out, ctx.err);
}
int CloudCommand(Context& ctx, const std::vector<std::string>& args) {
  return RunCloudCommand(args, ctx.platform, *ctx.platform.internet, ctx.out, ctx.err);
}

}  // namespace tw::console

#include "console/cloud_commands.h"

#include "base/text.h"
#include "cloud/cloud_disk.h"
#include "platform/internet.h"
#include "platform/sockets.h"
#include "storagebus/storage_bus.h"

namespace tw::console {
namespace {

// The dialog answered from the command line.
class GivenAccount final : public CloudAccountDialog {
 public:
  GivenAccount(std::u16string user, std::u16string password)
      : user_(std::move(user)), password_(std::move(password)) {}
  bool Ask(std::u16string* user_account, std::u16string* password) override {
    *user_account = user_;
    *password = password_;
    return true;
  }

 private:
  std::u16string user_, password_;
};

std::string Describe(const CloudVerification& v) {
  return "server " + DottedAddress(v.server_address) + "\nport " +
         std::to_string(v.server_port) + "\ndisk " + Utf16ToUtf8(v.disk_name) + "\n";
}

}  // namespace

int CloudCommand(Context& ctx, const std::vector<std::string>& args) {
  Options o;
  std::string bad;
  if (!ParseOptions(args, 0, {"--password"}, {}, &o, &bad))
    return UsageError(ctx, "cloud", "unknown option or missing value: " + bad);
  if (o.positional.size() != 2) return UsageError(ctx, "cloud", "give verify or mount, and the user");
  const std::string& command = o.positional[0];
  std::u16string user = Utf8ToUtf16(o.positional[1]);
  std::u16string password = Utf8ToUtf16(o.values["--password"]);
  std::u16string host = CloudVerifyHost();
  const Platform& platform = ctx.platform;
  if (!platform.internet) {
    ctx.err << "tarnwick cloud: no internet port on this platform\n";
    return kExitFailed;
  }

  if (command == "verify") {
    CloudVerification v;
    int rc = VerifyCloudAccount(platform, *platform.internet, host, user, password, &v);
    if (rc != kCloudVerified) {
      ctx.err << Utf16ToUtf8(kCloudLogonFailed).substr(0, 39) << " (result " << rc << ")\n";
      return kExitFailed;
    }
    ctx.out << Describe(v);
    return kExitOk;
  }
  if (command == "mount") {
    StorageBus bus(platform);
    bus.SelectAdapter(0);
    GivenAccount dialog(user, password);
    CloudMountOutcome outcome = MountCloudDisk(platform, bus, *platform.internet, host, dialog);
    if (outcome.verify_result != kCloudVerified || outcome.slot < 0 || outcome.plug_status != kOk)
      return kExitFailed;
    ctx.out << "slot " << outcome.slot << "\n" << Describe(outcome.verification);
    return kExitOk;
  }
  return UsageError(ctx, "cloud", "unknown command '" + command + "'");
}

}  // namespace tw::console

#include "cloud/cloud_commands.h"

#include "base/text.h"
#include "cloud/cloud_disk.h"
#include "platform/internet.h"
#include "platform/platform.h"
#include "platform/sockets.h"
#include "storagebus/storage_bus.h"

namespace tw {
namespace {

const char kUsage[] =
    "usage: tarnwick cloud verify USER [--password P]\n"
    "       tarnwick cloud mount USER [--password P]\n";

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

int RunCloudCommand(const std::vector<std::string>& args, const Platform& platform,
                    std::ostream& out, std::ostream& err) {
  std::unique_ptr<Internet> internet = NewSystemInternet(*platform.sockets);
  return RunCloudCommand(args, platform, *internet, out, err);
}

int RunCloudCommand(const std::vector<std::string>& args, const Platform& platform,
                    Internet& internet, std::ostream& out, std::ostream& err) {
  size_t i = !args.empty() && args[0] == "cloud" ? 1 : 0;
  if (args.size() < i + 2) return err << kUsage, 2;
  const std::string& command = args[i];
  std::u16string user = Utf8ToUtf16(args[i + 1]);
  std::u16string password;
  for (size_t k = i + 2; k < args.size(); ++k) {
    if (args[k] == "--password" && k + 1 < args.size()) {
      password = Utf8ToUtf16(args[++k]);
    } else {
      return err << kUsage, 2;
    }
  }
  std::u16string host = CloudVerifyHost();

  if (command == "verify") {
    CloudVerification v;
    int rc = VerifyCloudAccount(platform, internet, host, user, password, &v);
    if (rc != kCloudVerified) {
      err << Utf16ToUtf8(kCloudLogonFailed).substr(0, 39) << " (result " << rc << ")\n";
      return 1;
    }
    out << Describe(v);
    return 0;
  }
  if (command == "mount") {
    StorageBus bus(platform);
    bus.SelectAdapter(0);
    GivenAccount dialog(user, password);
    CloudMountOutcome outcome = MountCloudDisk(platform, bus, internet, host, dialog);
    if (outcome.verify_result != kCloudVerified || outcome.slot < 0 || outcome.plug_status != kOk)
      return 1;
    out << "slot " << outcome.slot << "\n" << Describe(outcome.verification);
    return 0;
  }
  err << kUsage;
  return 2;
}

}  // namespace tw

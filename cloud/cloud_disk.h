// Cloud disks: verifying an account with the cloud service and plugging the
// account's disk into the adapter.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

namespace tw {

struct Platform;
class Internet;
class StorageBus;

// The host of the verification service, fixed in the program. The
// environment variable TARNWICK_CLOUD_HOST ("host" or "host:port") points
// tests and demos at a local service.
extern const char16_t kCloudVerifyHost[];
constexpr char kCloudHostVariable[] = "TARNWICK_CLOUD_HOST";
std::u16string CloudVerifyHost();
std::u16string CloudVerifyUrl(const std::u16string& host);

// What the service answers for a verified account.
struct CloudVerification {
  uint32_t server_address = 0;  // IPv4, network byte order
  uint16_t server_port = 0;
  std::u16string disk_name;
};

// VerifyCloudAccount results.
constexpr int kCloudVerified = 0;
constexpr int kCloudHttpFailure = -1;
constexpr int kCloudNotVerified = -2;
constexpr int kCloudOtherFailure = -3;

// The answer text holds at most this many characters.
constexpr size_t kCloudAnswerChars = 1027;

// Reads an answer "user<br/>address<br/>port<br/>disk". kCloudVerified, or
// kCloudNotVerified when it does not name this account (case matters), has
// fewer than three separators, or carries no usable address or port.
int ParseCloudAnswer(const std::u16string& answer, const std::u16string& user_name,
                     const Platform& platform, CloudVerification* result);

// Posts the account to the service at `host` and reads its answer; see the
// result codes above. The password travels as a form field.
int VerifyCloudAccount(const Platform& platform, Internet& internet, const std::u16string& host,
                       const std::u16string& user_name, const std::u16string& password,
                       CloudVerification* result);

// The "Mount Cloud Disk" dialog as the mount flow sees it: both fields start
// empty; false when the user cancels. The window binds its controls to
// this; the console and tests answer it directly.
class CloudAccountDialog {
 public:
  virtual ~CloudAccountDialog() = default;
  virtual bool Ask(std::u16string* user_account, std::u16string* password) = 0;
};

// Messages of the mount.
extern const char16_t kCloudLogonFailed[];
extern const char16_t kCloudNoDeviceLeft[];
extern const char16_t kCloudMountError[];  // "%x" of the driver's result
extern const char16_t kCloudMounted[];

// What MountCloudDisk did, for callers that report more than the message.
struct CloudMountOutcome {
  bool cancelled = false;
  int verify_result = kCloudOtherFailure;
  int slot = -1;
  Status plug_status = kMinusOne;
  CloudVerification verification;
};

// The whole command: dialog, verification, a free slot from 1 on, the
// cloud disk record, plugging, and the message through the prompter. `bus`
// has its adapter selected already (without one no slot is free).
CloudMountOutcome MountCloudDisk(const Platform& platform, StorageBus& bus, Internet& internet,
                                 const std::u16string& host, CloudAccountDialog& dialog);

}  // namespace tw

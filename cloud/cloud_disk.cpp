#include "cloud/cloud_disk.h"

#include <cstdlib>
#include <new>

#include "base/format.h"
#include "base/text.h"
#include "cloud/http/quenta.h"
#include "platform/platform.h"
#include "platform/prompter.h"
#include "platform/sockets.h"
#include "platform/system_services.h"
#include "storagebus/records.h"
#include "storagebus/storage_bus.h"

namespace tw {

const char16_t kCloudVerifyHost[] = u"cloud.velthorn.com";
const char16_t kCloudLogonFailed[] = u"Couldn't logon to Velthorn cloud space.\r\n";
const char16_t kCloudNoDeviceLeft[] = u"No device left.";
const char16_t kCloudMountError[] = u"Mount cloud disk error %x.";
const char16_t kCloudMounted[] = u"Mounted successfully.";

namespace {

constexpr char16_t kSeparator[] = u"<br/>";
constexpr size_t kSeparatorLength = 5;
constexpr size_t kFieldChars = 31;
// INTERNET_FLAG_RELOAD | NO_CACHE_WRITE | KEEP_CONNECTION | RESYNCHRONIZE |
// HYPERLINK | NO_UI | PRAGMA_NOCACHE.
constexpr uint32_t kVerifyRequestFlags = 0x84400F00;

}  // namespace

std::u16string CloudVerifyHost() {
  const char* host = std::getenv(kCloudHostVariable);
  if (host && *host) return Utf8ToUtf16(host);
  return kCloudVerifyHost;
}

std::u16string CloudVerifyUrl(const std::u16string& host) {
  return u"http://" + host + u"/verify/cloud.aspx";
}

int ParseCloudAnswer(const std::u16string& answer, const std::u16string& user_name,
                     const Platform& platform, CloudVerification* result) {
  *result = CloudVerification();
  if (user_name.size() < 2) return kCloudNotVerified;
  if (answer.compare(0, user_name.size(), user_name) != 0) return kCloudNotVerified;
  size_t first = answer.find(kSeparator);
  // The name before the first separator is the whole account name, not a
  // longer one that merely starts with it.
  if (first != user_name.size()) return kCloudNotVerified;
  size_t second = answer.find(kSeparator, first + kSeparatorLength);
  if (second == std::u16string::npos) return kCloudNotVerified;
  size_t third = answer.find(kSeparator, second + kSeparatorLength);
  if (third == std::u16string::npos) return kCloudNotVerified;

  std::u16string address = answer.substr(first + kSeparatorLength, second - first - kSeparatorLength);
  std::u16string port = answer.substr(second + kSeparatorLength, third - second - kSeparatorLength);
  address = address.substr(0, kFieldChars);
  port = port.substr(0, kFieldChars);

  std::string dotted = platform.code_page->ToAnsi(address, kCpAcp);
  uint32_t value = platform.sockets->InetAddr(dotted);
  // No address at all would send the driver to the broadcast address.
  if (value == kInaddrNone || value == 0) return kCloudNotVerified;
  uint32_t number = 0;
  size_t digits = 0;
  for (; digits < port.size() && port[digits] >= u'0' && port[digits] <= u'9'; ++digits) {
    number = number * 10 + static_cast<uint32_t>(port[digits] - u'0');
    if (number > 65535) return kCloudNotVerified;
  }
  if (digits == 0 || number == 0) return kCloudNotVerified;

  result->server_address = value;
  result->server_port = static_cast<uint16_t>(number);
  result->disk_name = answer.substr(third + kSeparatorLength);
  return kCloudVerified;
}

int VerifyCloudAccount(const Platform& platform, Internet& internet, const std::u16string& host,
                       const std::u16string& user_name, const std::u16string& password,
                       CloudVerification* result) {
  *result = CloudVerification();
  try {
    Quenta::CHttpClientT client(internet, *platform.code_page);
    client.SetUseUtf8(false);
    client.AddParam(u"UserName", user_name.c_str());
    client.AddParam(u"Password", password.c_str());
    std::u16string url = CloudVerifyUrl(host);
    client.OpenPostRequest(url.c_str(), kVerifyRequestFlags);
    std::unique_ptr<Quenta::CHttpResponseT> response;
    while (!response) response = client._ProceedPostContext();
    response->GetStatusText();
    response->GetStatus();
    response->GetContentLength();

    // The answer may come in any number of reads: take it all, up to the
    // size of the text.
    std::string bytes;
    uint8_t buffer[Quenta::CHttpResponseT::kReadStep];
    while (bytes.size() < kCloudAnswerChars) {
      uint32_t n = response->ReadContent(buffer, sizeof buffer);
      if (n == 0) break;
      size_t room = kCloudAnswerChars - bytes.size();
      bytes.append(reinterpret_cast<const char*>(buffer), n < room ? n : room);
    }
    std::u16string answer = platform.code_page->FromAnsi(bytes, kCpAcp);
    if (answer.size() > kCloudAnswerChars) answer.resize(kCloudAnswerChars);

    int rc = ParseCloudAnswer(answer, user_name, platform, result);
    client.RemoveParam(u"UserName");
    client.RemoveParam(u"Password");
    return rc;
  } catch (const Quenta::httpclientexceptionW&) {
    return kCloudHttpFailure;
  } catch (const std::exception&) {
    return kCloudOtherFailure;
  }
}

CloudMountOutcome MountCloudDisk(const Platform& platform, StorageBus& bus, Internet& internet,
                                 const std::u16string& host, CloudAccountDialog& dialog) {
  CloudMountOutcome outcome;
  std::u16string user, password;
  if (!dialog.Ask(&user, &password)) {
    outcome.cancelled = true;
    return outcome;
  }
  outcome.verify_result =
      VerifyCloudAccount(platform, internet, host, user, password, &outcome.verification);
  if (outcome.verify_result != kCloudVerified) {
    platform.prompter->ShowMessage(kCloudLogonFailed, u"", kMbOk);
    return outcome;
  }
  outcome.slot = bus.FindFreeSlot(true);
  if (outcome.slot < 0) {
    platform.prompter->ShowMessage(kCloudNoDeviceLeft, u"", kMbOk);
    return outcome;
  }
  DeviceRecord record;
  record.set_slot(static_cast<uint8_t>(outcome.slot));
  record.set_device_type(kCloudDisk);
  record.set_target_address(outcome.verification.server_address);
  record.set_target_port(outcome.verification.server_port);
  record.set_use_login(true);
  record.set_target_class(0);
  CodePage& cp = *platform.code_page;
  record.set_target_name(cp.ToAnsi(outcome.verification.disk_name, kCpAcp));
  record.set_user_name(cp.ToAnsi(user, kCpAcp));
  record.set_secret(cp.ToAnsi(password, kCpAcp));
  outcome.plug_status = bus.PlugDevice(record);
  if (outcome.plug_status != kOk) {
    platform.prompter->ShowMessage(Format(kCloudMountError, {outcome.plug_status}), u"", kMbOk);
  } else {
    platform.prompter->ShowMessage(kCloudMounted, u"", kMbOk);
  }
  return outcome;
}

}  // namespace tw

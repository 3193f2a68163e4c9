// The verification answer on hostile bytes, through the whole reading of
// the answer: the input is cut into reads and handed over by the port.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text.h"
#include "cloud/cloud_disk.h"
#include "cloud/http/fake_internet.h"
#include "platform/platform.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/system_services.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tw::SystemServices services = tw::NewSystemServices();
  tw::Platform platform;
  platform.code_page = services.code_page.get();
  platform.sockets = services.sockets.get();
  if (size < 2) return 0;
  // First byte: the user name's length; the rest is the answer.
  size_t user_length = data[0] % 12;
  ++data;
  --size;
  std::string text(reinterpret_cast<const char*>(data), size);
  std::u16string user = tw::Utf8ToUtf16(text.substr(0, user_length));

  tw::testing::FakeInternet net;
  for (size_t pos = 0; pos < size;) {
    size_t n = 1 + data[pos] % 64;
    net.body_pieces.push_back(text.substr(pos, n));
    pos += n;
  }
  tw::CloudVerification v;
  int rc = tw::VerifyCloudAccount(platform, net, u"host", user, u"pw", &v);
  if (rc == tw::kCloudVerified && (v.disk_name.size() > tw::kCloudAnswerChars || v.server_port == 0))
    __builtin_trap();
  tw::ParseCloudAnswer(tw::Utf8ToUtf16(text), user, platform, &v);
  return 0;
}

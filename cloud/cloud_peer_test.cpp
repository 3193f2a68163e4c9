// The HTTP client and the verification against the
// local verification service (scripts/cloud-verify-server.py, Python's
// http.server): our own client natively, wininet.dll under Wine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "base/text.h"
#include "cloud/cloud_disk.h"
#include "cloud/http/quenta.h"
#include "platform/internet.h"
#include "platform/sockets.h"
#include "platform/testing/fault_sockets.h"
#include "platform/testing/sim_fixture.h"
#include "storagebus/records.h"
#include "storagebus/storage_bus.h"

namespace tw {
namespace {

class CloudPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* host = std::getenv(kCloudHostVariable);
    ASSERT_NE(host, nullptr) << "run under scripts/cloud-verify-server.py --run";
    host_ = Utf8ToUtf16(host);
    internet_ = NewSystemInternet(*sim_.platform.sockets);
  }

  // Posts the client's form to `path` and gives the body of the answer.
  std::string Post(Quenta::CHttpClientT& client, const std::u16string& path,
                   std::unique_ptr<Quenta::CHttpResponseT>* kept = nullptr) {
    std::u16string url = u"http://" + host_ + path;
    client.OpenPostRequest(url.c_str(), 0x84400F00);
    std::unique_ptr<Quenta::CHttpResponseT> response;
    while (!response) response = client._ProceedPostContext();
    std::string body;
    uint8_t buffer[1023];
    while (uint32_t n = response->ReadContent(buffer)) body.append(reinterpret_cast<char*>(buffer), n);
    if (kept) *kept = std::move(response);
    return body;
  }

  testing::SimFixture sim_;
  std::u16string host_;
  std::unique_ptr<Internet> internet_;
};

TEST_F(CloudPeerTest, FormReachesTheServerInOrderAndEncoded) {
  Quenta::CHttpClientT client(*internet_, *sim_.platform.code_page);
  client.SetAnsiCodePage(1252);
  client.AddParam(u"UserName", u"a b.c");
  client.AddParam(u"Password", u"p\u00e9");
  std::unique_ptr<Quenta::CHttpResponseT> response;
  std::string echo = Post(client, u"/echo", &response);
  EXPECT_EQ(echo.rfind("POST /echo HTTP/1.1\r\n", 0), 0u) << echo;
  EXPECT_NE(echo.find("Cache-Control: no-cache\r\n"), std::string::npos);
  EXPECT_NE(echo.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
  EXPECT_NE(echo.find("User-Agent: Quenta HTTP Client Class\r\n"), std::string::npos);
  EXPECT_EQ(echo.substr(echo.find("\r\n\r\n") + 4), "Password=p%E9&UserName=a+b%2Ec");
  EXPECT_EQ(response->GetStatus(), 200u);
  EXPECT_EQ(response->GetStatusText(), u"OK");
  EXPECT_EQ(response->GetContentLength(), echo.size());
  EXPECT_EQ(response->GetHeader(u"content-type"), u"text/plain");
  EXPECT_FALSE(response->GetHeader(u"X-Not-There"));

  Quenta::CHttpClientT utf8(*internet_, *sim_.platform.code_page);
  utf8.SetUseUtf8(true);
  utf8.AddParam(u"V", (u"\u00e9" + std::u16string(2500, u'x')).c_str());
  echo = Post(utf8, u"/chunked?piece=100", &response);
  EXPECT_EQ(echo.substr(echo.find("\r\n\r\n") + 4), "V=%C3%A9" + std::string(2500, 'x'));
  EXPECT_NE(echo.find("Content-Length: 2508\r\n"), std::string::npos);
  // A chunked answer has no length.
  EXPECT_EQ(response->GetContentLength(), 0u);
}

TEST_F(CloudPeerTest, ClientFailuresAreThrown) {
  Quenta::CHttpClientT client(*internet_, *sim_.platform.code_page);
  client.AddParam(u"A", u"1");
  SocketHandle s = sim_.platform.sockets->Socket(kAfInet, kSockStream, 0);
  ASSERT_EQ(sim_.platform.sockets->Bind(s, HostToNet32(0x7F000001), 0), 0);
  uint32_t a;
  uint16_t port;
  ASSERT_EQ(sim_.platform.sockets->GetSockName(s, &a, &port), 0);
  sim_.platform.sockets->CloseSocket(s);
  std::u16string url = u"http://127.0.0.1:" + U16(std::to_string(NetToHost16(port))) + u"/x";
  try {
    client.OpenPostRequest(url.c_str(), 0);
    while (!client._ProceedPostContext()) {
    }
    ADD_FAILURE() << "no exception";
  } catch (const Quenta::httpclientexceptionW& e) {
    // Sending may be deferred to the end of the body by the port.
    EXPECT_TRUE(e.LastError() == 407 || e.LastError() == 408 || e.LastError() == 409) << e.LastError();
    EXPECT_EQ(e.Win32LastError(), kErrInternetCannotConnect);
  }
  EXPECT_FALSE(client.IsPostContextActive());
}

TEST_F(CloudPeerTest, VerificationAgainstTheService) {
  CloudVerification v;
  ASSERT_EQ(VerifyCloudAccount(sim_.platform, *internet_, host_, u"alice", u"s3cret w", &v), kCloudVerified);
  EXPECT_EQ(DottedAddress(v.server_address), "10.1.2.3");
  EXPECT_EQ(v.server_port, 3260);
  EXPECT_EQ(v.disk_name, u"disk7");
  // The answer of this account comes three bytes at a time.
  ASSERT_EQ(VerifyCloudAccount(sim_.platform, *internet_, host_, u"bob", u"pw", &v), kCloudVerified);
  EXPECT_EQ(DottedAddress(v.server_address), "10.9.8.7");
  EXPECT_EQ(v.server_port, 8080);
  EXPECT_EQ(v.disk_name, u"Backup disk \u00c4");
  ASSERT_EQ(VerifyCloudAccount(sim_.platform, *internet_, host_, u"ren\u00e9e", u"p\u00e9 w", &v), kCloudVerified);
  EXPECT_EQ(v.disk_name, u"r\u00e9seau");

  EXPECT_EQ(VerifyCloudAccount(sim_.platform, *internet_, host_, u"Alice", u"s3cret w", &v), kCloudNotVerified);
  EXPECT_EQ(VerifyCloudAccount(sim_.platform, *internet_, host_, u"alice", u"wrong", &v), kCloudNotVerified);
  EXPECT_EQ(VerifyCloudAccount(sim_.platform, *internet_, host_, u"x", u"x", &v), kCloudNotVerified);
  EXPECT_EQ(VerifyCloudAccount(sim_.platform, *internet_, u"127.0.0.1:1", u"alice", u"s3cret w", &v),
            kCloudHttpFailure);
}

class AnswerDialog final : public CloudAccountDialog {
 public:
  bool Ask(std::u16string* user, std::u16string* password) override {
    *user = u"alice";
    *password = u"s3cret w";
    return true;
  }
};

// The mount's post with the connection cut after every byte count, in
// either direction: the user is told, and a disk is plugged only when the
// answer arrived whole.
TEST_F(CloudPeerTest, PostCutAfterEveryByteCount) {
#ifndef TW_OWN_HTTP_CLIENT
  GTEST_SKIP() << "the system's HTTP client does not use the sockets port";
#else
  for (auto direction : {testing::CuttingSockets::kSend, testing::CuttingSockets::kReceive}) {
    size_t total = 0;
    {
      testing::SimFixture machine;
      testing::CuttingSockets counting(*machine.platform.sockets, direction, SIZE_MAX);
      auto internet = NewSystemInternet(counting);
      StorageBus bus(machine.platform);
      ASSERT_EQ(bus.SelectAdapter(0), kOk);
      AnswerDialog dialog;
      const CloudMountOutcome clean = MountCloudDisk(machine.platform, bus, *internet, host_, dialog);
      ASSERT_EQ(clean.plug_status, kOk) << "verification " << clean.verify_result;
      total = counting.total();
    }
    ASSERT_GT(total, 0u);
    for (size_t n = 0; n < total; ++n) {
      SCOPED_TRACE((direction == testing::CuttingSockets::kSend ? "sent " : "received ") + std::to_string(n));
      testing::SimFixture machine;
      testing::CuttingSockets cutting(*machine.platform.sockets, direction, n);
      auto internet = NewSystemInternet(cutting);
      StorageBus bus(machine.platform);
      ASSERT_EQ(bus.SelectAdapter(0), kOk);
      AnswerDialog dialog;
      const CloudMountOutcome outcome = MountCloudDisk(machine.platform, bus, *internet, host_, dialog);
      ASSERT_FALSE(machine.prompter.shown.empty()) << "the user was not told";
      DeviceRecord record;
      ASSERT_EQ(bus.QueryDevice(1, &record), kOk);
      if (outcome.plug_status == kOk) {
        // Only a whole answer gets this far (a cut inside the body could
        // only lose its end, which names the disk).
        EXPECT_EQ(outcome.verification.disk_name, u"disk7");
        EXPECT_TRUE(record.in_use());
      } else {
        EXPECT_FALSE(record.in_use());
        EXPECT_NE(machine.prompter.shown.back().text, u"Mounted successfully.");
      }
    }
  }
#endif
}

}  // namespace
}  // namespace tw

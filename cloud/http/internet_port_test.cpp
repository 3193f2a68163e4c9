// Contract of the internet port against a real HTTP server on loopback
// (Python's http.server, started by scripts/cloud-verify-server.py --run):
// natively our own client, under Wine wininet.dll.
#include "platform/internet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/sockets.h"

namespace tw {
namespace {

// Our own client is strict about broken answers; Wine's WinINet takes a
// closed or garbled answer as HTTP/0.9, ends a bad chunked body quietly,
// returns a cut body as if whole, and reports a receive time-out with a
// Winsock number.
#ifdef TW_OWN_HTTP_CLIENT
constexpr bool kStrict = true;
#else
constexpr bool kStrict = false;
#endif

uint16_t ServerPort() {
  const char* port = std::getenv("TW_TEST_HTTP_PORT");
  return port ? static_cast<uint16_t>(std::atoi(port)) : 0;
}

class InternetPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = ServerPort();
    ASSERT_NE(port_, 0) << "run under scripts/cloud-verify-server.py --test-endpoints --run";
    sockets_ = NewSystemSockets();
    net_ = NewSystemInternet(*sockets_);
    internet_ = net_->Open(u"PortTest/1.0", kInternetOpenTypeDirect, u"", u"", 0);
    ASSERT_NE(internet_, kNullInternetHandle) << net_->LastError();
  }
  void TearDown() override {
    if (internet_) {
      EXPECT_TRUE(net_->Close(internet_));
    }
  }

  // A request to the local server, sent with `body` in pieces of `step`.
  InternetHandle Post(const std::string& path, const std::string& body, size_t step = 1024,
                      const std::string& headers = "", uint16_t port = 0) {
    InternetHandle c = net_->Connect(internet_, u"127.0.0.1", port ? port : port_, u"", u"",
                                     kInternetServiceHttp, 0);
    EXPECT_NE(c, kNullInternetHandle);
    InternetHandle r = net_->OpenRequest(c, "POST", path, "HTTP/1.1", "", {"*/*"},
                                         kInternetFlagPragmaNoCache | kInternetFlagReload);
    EXPECT_NE(r, kNullInternetHandle) << net_->LastError();
    if (!headers.empty()) {
      EXPECT_TRUE(net_->AddRequestHeaders(r, headers, kHttpAddReqFlagAdd));
    }
    if (!net_->SendRequestEx(r, static_cast<uint32_t>(body.size()))) {
      last_error_ = net_->LastError();
      return r;
    }
    for (size_t pos = 0; pos < body.size(); pos += step) {
      uint32_t written = 0;
      size_t n = std::min(step, body.size() - pos);
      EXPECT_TRUE(net_->Write(r, reinterpret_cast<const uint8_t*>(body.data()) + pos,
                              static_cast<uint32_t>(n), &written));
      EXPECT_EQ(written, n);
    }
    if (!net_->EndRequest(r)) last_error_ = net_->LastError();
    return r;
  }

  // The whole body in reads of `step`; false when a read fails.
  bool ReadAll(InternetHandle r, std::string* body, uint32_t step = 1023) {
    body->clear();
    std::string buffer(step, '\0');
    for (;;) {
      uint32_t n = 0;
      if (!net_->Read(r, reinterpret_cast<uint8_t*>(&buffer[0]), step, &n)) {
        last_error_ = net_->LastError();
        return false;
      }
      if (n == 0) return true;
      body->append(buffer, 0, n);
    }
  }

  std::u16string Text(InternetHandle r, uint32_t level, const std::u16string& name = u"",
                      uint32_t* index = nullptr) {
    char16_t buffer[512] = {};
    std::copy(name.begin(), name.end(), buffer);
    uint32_t size = sizeof buffer;
    if (!net_->QueryInfo(r, level, buffer, &size, index)) {
      last_error_ = net_->LastError();
      return u"<error>";
    }
    return std::u16string(buffer, size / 2);
  }

  uint32_t Number(InternetHandle r, uint32_t level) {
    uint32_t value = 0, size = 4;
    if (!net_->QueryInfo(r, level | kHttpQueryFlagNumber, &value, &size, nullptr)) {
      last_error_ = net_->LastError();
      return 0xFFFFFFFF;
    }
    return value;
  }

  uint16_t port_ = 0;
  std::unique_ptr<Sockets> sockets_;
  std::unique_ptr<Internet> net_;
  InternetHandle internet_ = kNullInternetHandle;
  uint32_t last_error_ = 0;
};

TEST_F(InternetPortTest, PostReachesTheServerWithHeadAndBodyIntact) {
  std::string body;
  for (int i = 0; i < 2500; ++i) body += static_cast<char>('a' + i % 26);
  InternetHandle r = Post("/echo?x=1", body, 1024, "X-One: 1\r\nX-Two: second value\r\n");
  ASSERT_EQ(last_error_, 0u);
  EXPECT_EQ(Number(r, kHttpQueryStatusCode), 200u);
  EXPECT_EQ(Text(r, kHttpQueryStatusText), u"OK");
  std::string echo;
  ASSERT_TRUE(ReadAll(r, &echo));
  EXPECT_EQ(Number(r, kHttpQueryContentLength), echo.size());
  EXPECT_EQ(Text(r, kHttpQueryContentType), u"text/plain");
  EXPECT_EQ(echo.rfind("POST /echo?x=1 HTTP/1.1\r\n", 0), 0u) << echo.substr(0, 200);
  EXPECT_NE(echo.find("X-One: 1\r\n"), std::string::npos);
  EXPECT_NE(echo.find("X-Two: second value\r\n"), std::string::npos);
  EXPECT_NE(echo.find("Content-Length: 2500\r\n"), std::string::npos);
  EXPECT_NE(echo.find("User-Agent: PortTest/1.0\r\n"), std::string::npos);
  EXPECT_NE(echo.find("Host: 127.0.0.1:" + std::to_string(port_) + "\r\n"), std::string::npos);
  ASSERT_GE(echo.size(), body.size());
  EXPECT_EQ(echo.substr(echo.size() - body.size()), body);
  EXPECT_TRUE(net_->Close(r));
}

TEST_F(InternetPortTest, ChunkedAnswerInSmallPiecesAndSmallReads) {
  InternetHandle r = Post("/chunked?piece=3", "k=v");
  ASSERT_EQ(last_error_, 0u);
  std::string echo;
  ASSERT_TRUE(ReadAll(r, &echo, 5));
  EXPECT_EQ(echo.rfind("POST /chunked?piece=3 HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(echo.substr(echo.size() - 3), "k=v");
  // No Content-Length in a chunked answer.
  EXPECT_EQ(Number(r, kHttpQueryContentLength), 0xFFFFFFFFu);
  EXPECT_EQ(last_error_, kErrHttpHeaderNotFound);
  EXPECT_EQ(Text(r, kHttpQueryCustom, u"Transfer-Encoding"), u"chunked");
}

TEST_F(InternetPortTest, RepeatedAndMissingHeadersAndBodyUntilClose) {
  InternetHandle r = Post("/raw/multi", "");
  ASSERT_EQ(last_error_, 0u);
  uint32_t index = 0;
  EXPECT_EQ(Text(r, kHttpQueryCustom, u"x-multi", &index), u"first");
  EXPECT_EQ(index, 1u);
  EXPECT_EQ(Text(r, kHttpQueryCustom, u"X-Multi", &index), u"second");
  EXPECT_EQ(index, 2u);
  last_error_ = 0;
  EXPECT_EQ(Text(r, kHttpQueryCustom, u"X-Multi", &index), u"<error>");
  EXPECT_EQ(last_error_, kErrHttpHeaderNotFound);
  EXPECT_EQ(Text(r, kHttpQueryCustom, u"X-Absent"), u"<error>");
  EXPECT_EQ(last_error_, kErrHttpHeaderNotFound);

  // Too small a buffer: the size needed, terminator included, in bytes.
  char16_t small[2] = {};
  uint32_t size = sizeof small;
  EXPECT_FALSE(net_->QueryInfo(r, kHttpQueryStatusText, small, &size, nullptr));
  EXPECT_EQ(net_->LastError(), kErrInternetInsufficientBuffer);
  EXPECT_EQ(size, 6u);  // "OK" + terminator
  std::string body;
  ASSERT_TRUE(ReadAll(r, &body, 4));
  EXPECT_EQ(body, "until-close body");
}

TEST_F(InternetPortTest, InterimAndEmptyAnswers) {
  InternetHandle r = Post("/raw/continue", "");
  ASSERT_EQ(last_error_, 0u);
  EXPECT_EQ(Number(r, kHttpQueryStatusCode), 201u);
  EXPECT_EQ(Text(r, kHttpQueryStatusText), u"Created here");
  std::string body;
  ASSERT_TRUE(ReadAll(r, &body));
  EXPECT_EQ(body, "ok");
  for (const char* path : {"/raw/nocontent", "/raw/zerolength"}) {
    r = Post(path, "");
    ASSERT_EQ(last_error_, 0u) << path;
    ASSERT_TRUE(ReadAll(r, &body));
    EXPECT_EQ(body, "") << path;
  }
  r = Post("/status?code=404&text=Nothing+here", "");
  ASSERT_EQ(last_error_, 0u);
  EXPECT_EQ(Number(r, kHttpQueryStatusCode), 404u);
  EXPECT_EQ(Text(r, kHttpQueryStatusText), u"Nothing here");
}

TEST_F(InternetPortTest, BrokenServersGiveErrorsNotData) {
  InternetHandle r = Post("/raw/close", "");
  if (kStrict) {
    EXPECT_EQ(last_error_, kErrInternetConnectionAborted);
  }
  EXPECT_TRUE(last_error_ != 0 || Number(r, kHttpQueryStatusCode) != 200);

  last_error_ = 0;
  r = Post("/raw/garbage", "");
  if (kStrict) {
    EXPECT_EQ(last_error_, kErrHttpInvalidServerResponse);
  }

  last_error_ = 0;
  r = Post("/raw/badchunk", "");
  ASSERT_EQ(last_error_, 0u);
  std::string body;
  bool complete = ReadAll(r, &body);
  EXPECT_EQ(body.find("zz"), std::string::npos);
  if (kStrict) {
    EXPECT_FALSE(complete);
    EXPECT_EQ(last_error_, kErrHttpInvalidServerResponse);
  }

  last_error_ = 0;
  r = Post("/raw/cut", "");
  ASSERT_EQ(last_error_, 0u);
  complete = ReadAll(r, &body);
  EXPECT_EQ(body.substr(0, 10), "0123456789");
  EXPECT_LE(body.size(), 10u);
  if (kStrict) {
    EXPECT_FALSE(complete);
    EXPECT_EQ(last_error_, kErrInternetConnectionAborted);
  }
}

TEST_F(InternetPortTest, RefusedConnectionAndReceiveTimeOut) {
  uint16_t closed = 0;
  {
    SocketHandle s = sockets_->Socket(kAfInet, kSockStream, 0);
    ASSERT_EQ(sockets_->Bind(s, HostToNet32(0x7F000001), 0), 0);
    uint32_t a;
    ASSERT_EQ(sockets_->GetSockName(s, &a, &closed), 0);
    sockets_->CloseSocket(s);
  }
  Post("/echo", "abc", 1024, "", NetToHost16(closed));
  EXPECT_EQ(last_error_, kErrInternetCannotConnect);

  InternetHandle c = net_->Connect(internet_, u"127.0.0.1", port_, u"", u"", kInternetServiceHttp, 0);
  InternetHandle r = net_->OpenRequest(c, "POST", "/raw/hang?seconds=2", "HTTP/1.1", "", {}, 0);
  ASSERT_TRUE(net_->SetOptionNumber(r, kInternetOptionReceiveTimeout, 300));
  ASSERT_TRUE(net_->SendRequestEx(r, 0));
  // The late answer is never taken for the answer.
  if (net_->EndRequest(r)) {
    EXPECT_FALSE(kStrict);
    EXPECT_NE(Number(r, kHttpQueryStatusCode), 200u);
    std::string body;
    ReadAll(r, &body);
    EXPECT_EQ(body, "");
  } else if (kStrict) {
    EXPECT_EQ(net_->LastError(), kErrInternetTimeout);
  }
}

TEST_F(InternetPortTest, SecureRequestToAPlainServerFails) {
  InternetHandle c = net_->Connect(internet_, u"127.0.0.1", port_, u"", u"", kInternetServiceHttp, 0);
  InternetHandle r = net_->OpenRequest(c, "POST", "/echo", "HTTP/1.1", "", {}, kInternetFlagSecure);
  ASSERT_NE(r, kNullInternetHandle);
  bool sent = net_->SendRequestEx(r, 0) && net_->EndRequest(r);
  EXPECT_FALSE(sent);
  if (kStrict) {
    EXPECT_EQ(net_->LastError(), kErrInternetSecurityChannelError);
  }
  EXPECT_TRUE(net_->Close(c));
}

TEST_F(InternetPortTest, HandlesAreCheckedAndClosedWithTheirParent) {
  InternetHandle c = net_->Connect(internet_, u"127.0.0.1", port_, u"", u"", kInternetServiceHttp, 0);
  ASSERT_NE(c, kNullInternetHandle);
  InternetHandle r = net_->OpenRequest(c, "GET", "/echo", "HTTP/1.1", "", {}, 0);
  ASSERT_NE(r, kNullInternetHandle);
  uint32_t n = 0;
  uint8_t byte = 0;
  // Reading before sending gives nothing.
  EXPECT_FALSE(net_->Read(r, &byte, 1, &n) && n > 0);
  EXPECT_TRUE(net_->Close(c));
  EXPECT_FALSE(net_->Close(r));
  EXPECT_EQ(net_->LastError(), kErrInternetInvalidHandle);
  EXPECT_FALSE(net_->Close(c));
}

TEST_F(InternetPortTest, ProxyGetsTheAbsoluteTargetAndTheAccount) {
  const std::string port = std::to_string(port_);
  std::u16string proxy = u"127.0.0.1:" + std::u16string(port.begin(), port.end());
  InternetHandle via = net_->Open(u"PortTest/1.0", kInternetOpenTypeProxy, proxy, u"", 0);
  ASSERT_NE(via, kNullInternetHandle) << net_->LastError();
  // The named server is never contacted: everything goes to the proxy.
  InternetHandle c = net_->Connect(via, u"origin.invalid", 8080, u"", u"", kInternetServiceHttp, 0);
  ASSERT_NE(c, kNullInternetHandle);
  ASSERT_TRUE(net_->SetOptionText(c, kInternetOptionProxyUsername, u"pu"));
  ASSERT_TRUE(net_->SetOptionText(c, kInternetOptionProxyPassword, u"pp"));
  InternetHandle r = net_->OpenRequest(c, "POST", "/echo", "HTTP/1.1", "", {}, 0);
  ASSERT_TRUE(net_->SendRequestEx(r, 2));
  uint32_t written = 0;
  ASSERT_TRUE(net_->Write(r, reinterpret_cast<const uint8_t*>("hi"), 2, &written));
  ASSERT_TRUE(net_->EndRequest(r)) << net_->LastError();
  std::string echo;
  ASSERT_TRUE(ReadAll(r, &echo));
  EXPECT_EQ(echo.rfind("POST http://origin.invalid:8080/echo HTTP/1.1\r\n", 0), 0u) << echo;
  // Ours sends the proxy account at once; WinINet waits for the proxy's
  // 407 challenge.
  if (kStrict) {
    EXPECT_NE(echo.find("Proxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos) << echo;
  }
  EXPECT_TRUE(net_->Close(via));
}

}  // namespace
}  // namespace tw

// The client's logic over a recording internet port.
#include "cloud/http/quenta.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/text.h"
#include "cloud/http/fake_internet.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/system_services.h"

namespace Quenta {
namespace {

using tw::testing::FakeInternet;

// Runs f and gives the message and codes it threw.
template <typename F>
std::string Thrown(F f, uint32_t* code = nullptr, uint32_t* win32 = nullptr) {
  try {
    f();
  } catch (const httpclientexceptionW& e) {
    if (code) *code = e.LastError();
    if (win32) *win32 = e.Win32LastError();
    return tw::Utf16ToUtf8(e.GetErrMsg());
  }
  return "<nothing thrown>";
}

class QuentaTest : public ::testing::Test {
 protected:
  QuentaTest() : services_(tw::NewSystemServices()), cp_(*services_.code_page) {}

  std::unique_ptr<CHttpResponseT> PostAll(CHttpClientT& client, const char16_t* url,
                                          uint32_t flags = 0, int* steps = nullptr) {
    client.OpenPostRequest(url, flags);
    std::unique_ptr<CHttpResponseT> response;
    int n = 0;
    while (!response) {
      response = client._ProceedPostContext();
      ++n;
    }
    if (steps) *steps = n;
    return response;
  }

  tw::SystemServices services_;
  tw::CodePage& cp_;
  FakeInternet net_;
};

TEST_F(QuentaTest, MapOrdersByNameWithoutCaseAndKeepsInsertionOrder) {
  CHttpClientMapT map;
  map.Add(u"UserName", u"u");
  map.Add(u"password", u"p1");
  map.Add(u"Password", u"p2");
  map.Add(u"", u"empty name");
  map.AddPointerDirectly(u"b", std::u16string(u"direct"));
  ASSERT_EQ(map.Count(), 5u);
  EXPECT_EQ(map.Get(0).name, u"");
  EXPECT_EQ(map.Get(1).value, u"direct");
  EXPECT_EQ(map.Get(2).value, u"p1");
  EXPECT_EQ(map.Get(3).value, u"p2");
  EXPECT_EQ(map.Get(4).name, u"UserName");
  EXPECT_EQ(map.Find(u"PASSWORD", 1), u"p2");
  EXPECT_FALSE(map.Find(u"PASSWORD", 2));
  map.RemoveAll(u"PassWord");
  EXPECT_EQ(map.Count(), 3u);
  uint32_t code = 0;
  EXPECT_EQ(Thrown([&] { map.Get(3); }, &code), "The index is out of range.");
  EXPECT_EQ(code, 101u);
  EXPECT_EQ(Thrown([&] { map.Add(nullptr, u"v"); }), "CHttpClientMapT::Add: szName can not be NULL.");
  EXPECT_EQ(Thrown([&] { map.AddPointerDirectly(nullptr, u"v"); }),
            "CHttpClientMapT::AddPointerDirectly: szName can not be NULL.");
  EXPECT_EQ(Thrown([&] { map.RemoveAll(nullptr); }),
            "CHttpClientMapT::RemoveAll: szName can not be NULL.");
}

TEST_F(QuentaTest, UrlAnalyzerSplitsEveryComponent) {
  CHttpUrlAnalyzerT u;
  u.Analyze(u"HTTPS://host.example:8443/a/b.aspx?x=1&y=2#frag");
  EXPECT_EQ(u.Scheme(), u"HTTPS");
  EXPECT_EQ(u.Address(), u"host.example");
  EXPECT_EQ(u.Port(), u"8443");
  EXPECT_EQ(u.Path(), u"/a/b.aspx");
  EXPECT_EQ(u.Query(), u"?x=1&y=2");
  EXPECT_EQ(u.Fragment(), u"#frag");
  u.Analyze(u"host?q#f");
  EXPECT_FALSE(u.Scheme());
  EXPECT_EQ(u.Address(), u"host");
  EXPECT_FALSE(u.Port());
  EXPECT_FALSE(u.Path());
  EXPECT_EQ(u.Query(), u"?q");
  u.Analyze(u"http://h:80");
  EXPECT_EQ(u.Port(), u"80");
  EXPECT_FALSE(u.Path());
  uint32_t code = 0;
  EXPECT_EQ(Thrown([&] { u.Analyze(nullptr); }, &code), "The requested URL is not a valid URL.");
  EXPECT_EQ(code, 103u);
}

TEST_F(QuentaTest, FormEncodingInCodePageAndUtf8) {
  EXPECT_EQ(CHttpEncoderW::UrlEncodeA(cp_, u"a b.c", false, 1252), "a+b%2Ec");
  EXPECT_EQ(CHttpEncoderW::UrlEncodeA(cp_, u"\u00e9", false, 1252), "%E9");
  EXPECT_EQ(CHttpEncoderW::UrlEncodeA(cp_, u"\u00e9", true, 1252), "%C3%A9");
  EXPECT_EQ(CHttpEncoderW::UrlEncodeA(cp_, u"-._~Zz09", false, 1252), "%2D%2E%5F%7EZz09");
  // A character outside the BMP stays one character in UTF-8.
  EXPECT_EQ(CHttpEncoderW::UrlEncodeA(cp_, u"\U0001F600", true, 0), "%F0%9F%98%80");
  EXPECT_EQ(_UrlEncodeLen(cp_, u"a b.c\u00e9", false, 1252), 10u);
  EXPECT_EQ(_UrlEncodeLen(cp_, u"\u00e9", true, 0), 6u);
  EXPECT_EQ(CHttpEncoderW::AnsiEncodeLen(cp_, u"ab\u00e9", 1252), 3u);
  EXPECT_EQ(CHttpEncoderW::AnsiEncode(cp_, u"a b", 1252), "a b");
  EXPECT_EQ(CHttpEncoderW::Utf8Encode(u"\u00e9"), "\xC3\xA9");

  const std::string refused =
      "CHttpEncoderW::AnsiEncodeLen: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.";
  EXPECT_EQ(Thrown([&] { CHttpEncoderW::AnsiEncodeLen(cp_, u"x", 65001); }), refused);
  EXPECT_EQ(Thrown([&] { CHttpEncoderW::AnsiEncodeLen(cp_, u"x", 65000); }), refused);
  EXPECT_EQ(Thrown([&] { CHttpEncoderW::AnsiEncode(cp_, nullptr, 0); }),
            "CHttpEncoderW::AnsiEncode: szBuff can not be NULL.");
  EXPECT_EQ(Thrown([&] { CHttpEncoderW::Utf8Encode(nullptr); }),
            "CHttpEncoderW::Utf8Encode: szBuff can not be NULL.");
  EXPECT_EQ(Thrown([&] { CHttpEncoderW::UrlEncodeA(cp_, nullptr, false, 0); }),
            "CHttpEncoderW::UrlEncodeA: szBuff can not be NULL.");
  EXPECT_EQ(Thrown([&] { _UrlEncodeLen(cp_, nullptr, false, 0); }), "_UrlEncodeLen: szStr can not be NULL.");
}

TEST_F(QuentaTest, PostSendsParametersInNameOrderAndLongValuesInSteps) {
  CHttpClientT client(net_, cp_);
  client.SetAnsiCodePage(1252);
  client.AddParam(u"UserName", u"a b.c");
  client.AddParam(u"Password", std::u16string(2500, u'x').c_str());
  client.AddParam(u"Empty", u"");
  client.AddHeader(u"X-Extra", u"1");
  int steps = 0;
  auto response = PostAll(client, u"http://verify.example/verify/cloud.aspx", 0x84400F00, &steps);
  const std::string body = "Empty=&Password=" + std::string(2500, 'x') + "&UserName=a+b%2Ec";
  EXPECT_EQ(net_.Body(), body);
  EXPECT_EQ(net_.announced, body.size());
  // Empty: name step. Password: name step, 1024, 1024, 452. UserName: name
  // step, value step. Then the step that ends the request.
  EXPECT_EQ(steps, 1 + 4 + 2 + 1);
  std::vector<std::string> expected = {"Empty", "=", "&", "Password", "=", std::string(1024, 'x'),
                                       std::string(1024, 'x'), std::string(452, 'x'), "&",
                                       "UserName", "=", "a+b%2Ec"};
  EXPECT_EQ(net_.writes, expected);
  EXPECT_EQ(net_.agent, "Quenta HTTP Client Class");
  EXPECT_EQ(net_.server, "verify.example");
  EXPECT_EQ(net_.port, 80);
  EXPECT_EQ(net_.verb, "POST");
  EXPECT_EQ(net_.object_name, "/verify/cloud.aspx");
  EXPECT_EQ(net_.request_flags, 0x84400F00u);
  std::vector<std::string> headers = {"Cache-Control: no-cache\r\n", "X-Extra: 1\r\n",
                                      "Content-Type: application/x-www-form-urlencoded\r\n"};
  EXPECT_EQ(net_.added_headers, headers);
  EXPECT_FALSE(client.IsPostContextActive());
  response.reset();
  EXPECT_TRUE(net_.open.empty());
}

// A long value is encoded a step ahead of the writes: escapes and
// characters outside the BMP that straddle a step still come out as the
// whole encoding cut every 1024 bytes, and the progress adds up.
TEST_F(QuentaTest, LongEncodedValueIsTheWholeEncodingInSteps) {
  std::u16string value;
  for (int i = 0; value.size() < 3000; ++i) value += i % 3 ? u"a\u00e9 " : u"\U0001F600.";
  for (bool utf8 : {false, true}) {
    FakeInternet net;
    CHttpClientT client(net, cp_);
    client.SetAnsiCodePage(1252);
    client.SetUseUtf8(utf8);
    client.AddParam(u"V", value.c_str());
    const std::string encoded = CHttpEncoderW::UrlEncodeA(cp_, value.c_str(), utf8, 1252);
    client.OpenPostRequest(u"http://verify.example/sink", 0);
    std::unique_ptr<CHttpResponseT> response;
    uint32_t posted = 0;
    while (!response) {
      response = client._ProceedPostContext();
      if (response) break;
      CHttpPostStatT stat = client.QueryPostStat();
      EXPECT_EQ(stat.CurrParamPostedByte() + stat.CurrParamRemainByte(), encoded.size());
      EXPECT_GE(stat.CurrParamPostedByte(), posted);
      posted = stat.CurrParamPostedByte();
    }
    EXPECT_EQ(posted, encoded.size());
    EXPECT_EQ(net.Body(), "V=" + encoded);
    ASSERT_GT(net.writes.size(), 4u);
    for (size_t i = 2; i < net.writes.size(); ++i)
      EXPECT_EQ(net.writes[i], encoded.substr((i - 2) * CHttpClientT::kWriteStep, CHttpClientT::kWriteStep));
  }
}

TEST_F(QuentaTest, ProgressRecordFollowsThePost) {
  CHttpClientT client(net_, cp_);
  client.AddParam(u"A", std::u16string(1500, u'y').c_str());
  EXPECT_EQ(Thrown([&] { client.QueryPostStat().TotalCount(); }),
            "CHttpPostStatT::TotalCount: The post context is not active.");
  for (auto q : {&CHttpPostStatT::PostedCount, &CHttpPostStatT::CurrParamPostedByte,
                 &CHttpPostStatT::CurrParamRemainByte, &CHttpPostStatT::ActualTotalByte,
                 &CHttpPostStatT::FileCount, &CHttpPostStatT::PostedFileCount})
    EXPECT_NE(Thrown([&] { (client.QueryPostStat().*q)(); }).find(": The post context is not active."),
              std::string::npos);
  EXPECT_EQ(Thrown([&] { client.QueryPostStat().CurrParamIsComplete(); }),
            "CHttpPostStatT::CurrParamIsComplete: The post context is not active.");
  EXPECT_EQ(Thrown([&] { client.QueryPostStat().CurrParamIsFile(); }),
            "CHttpPostStatT::CurrParamIsFile: The post context is not active.");

  client.OpenPostRequest(u"http://h/p", 0);
  CHttpPostStatT s = client.QueryPostStat();
  EXPECT_EQ(s.TotalCount(), 1u);
  EXPECT_EQ(s.PostedCount(), 0u);
  EXPECT_EQ(s.TotalByte(), 1502u);
  EXPECT_EQ(client._ProceedPostContext(), nullptr);
  s = client.QueryPostStat();
  EXPECT_EQ(s.PostedCount(), 1u);
  EXPECT_EQ(s.CurrParam(), u"A");
  EXPECT_EQ(s.CurrParamRemainByte(), 1500u);
  EXPECT_FALSE(s.CurrParamIsComplete());
  EXPECT_EQ(client._ProceedPostContext(), nullptr);
  s = client.QueryPostStat();
  EXPECT_EQ(s.CurrParamPostedByte(), 1024u);
  EXPECT_EQ(s.CurrParamRemainByte(), 476u);
  EXPECT_EQ(s.ActualTotalByte(), 1026u);
  EXPECT_EQ(client._ProceedPostContext(), nullptr);
  EXPECT_TRUE(client.QueryPostStat().CurrParamIsComplete());
  EXPECT_EQ(client.QueryPostStat().PostedByte(), 1502u);

  // Changes are refused while the post runs.
  EXPECT_EQ(Thrown([&] { client.SetUseUtf8(true); }),
            "CHttpClientT::SetUseUtf8: It is not allowed to call this method if the POST context is active.");
  EXPECT_EQ(Thrown([&] { client.AddParam(u"B", u"b"); }),
            "CHttpClientT::AddParam: It is not allowed to call this method if the POST context is active.");
  EXPECT_EQ(Thrown([&] { client.RemoveParam(u"A"); }),
            "CHttpClientT::RemoveParam: It is not allowed to call this method if the POST context is active.");
  uint32_t code = 0;
  EXPECT_EQ(Thrown([&] { client.OpenPostRequest(u"http://h/p", 0); }, &code),
            "The post context has not been finished yet.");
  EXPECT_EQ(code, 106u);
  EXPECT_NE(client._ProceedPostContext(), nullptr);
  EXPECT_EQ(Thrown([&] { client._ProceedPostContext(); }, &code), "The post context is not started yet.");
  EXPECT_EQ(code, 104u);
}

TEST_F(QuentaTest, PortAndSecureFlagFromTheUrl) {
  CHttpClientT client(net_, cp_);
  PostAll(client, u"https://secure.example/x");
  EXPECT_EQ(net_.port, 443);
  EXPECT_EQ(net_.request_flags & tw::kInternetFlagSecure, tw::kInternetFlagSecure);
  PostAll(client, u"http://plain.example:8080");
  EXPECT_EQ(net_.port, 8080);
  EXPECT_EQ(net_.object_name, "/");
  EXPECT_EQ(net_.request_flags & tw::kInternetFlagSecure, 0u);
  PostAll(client, u"http://plain.example?q=1#frag");
  EXPECT_EQ(net_.port, 80);
  EXPECT_EQ(net_.object_name, "/?q=1");
  PostAll(client, u"http://plain.example/p?q#frag");
  EXPECT_EQ(net_.object_name, "/p?q");

  uint32_t code = 0;
  for (const char16_t* url : {u"http://h:123456/", u"http://h:65536/", u"http://h:8a/"}) {
    EXPECT_EQ(Thrown([&] { client.OpenPostRequest(url, 0); }, &code), "The port number is not valid.");
    EXPECT_EQ(code, 107u);
  }
  EXPECT_EQ(Thrown([&] { client.OpenPostRequest(u"http:///path", 0); }, &code),
            "The requested URL is not a valid URL.");
  EXPECT_EQ(code, 103u);
  EXPECT_TRUE(net_.open.empty());
}

TEST_F(QuentaTest, EveryFailedCallThrowsItsCodeAndClosesTheHandles) {
  struct Case {
    const char* call;
    uint32_t code;
    const char* message;
  } cases[] = {
      {"Open", 402, "::InternetOpen failed."},
      {"Connect", 403, "::InternetConnect failed."},
      {"SetOption", 410, "::InternetSetOption failed."},
      {"OpenRequest", 404, "::HttpOpenRequest failed."},
      {"AddHeaders", 405, "::HttpAddRequestHeaders failed."},
      {"SendRequestEx", 407, "::HttpSendRequestEx failed."},
      {"Write", 408, "::InternetWriteFile failed."},
      {"EndRequest", 409, "::HttpEndRequest failed."},
  };
  for (const Case& c : cases) {
    FakeInternet net;
    net.fail_call = c.call;
    net.fail_error = 12345;
    CHttpClientT client(net, cp_);
    client.SetProxyAccount(u"proxy-user", u"proxy-password");
    client.AddParam(u"A", u"1");
    uint32_t code = 0, win32 = 0;
    EXPECT_EQ(Thrown([&] { PostAll(client, u"http://h/p", tw::kInternetFlagPragmaNoCache); }, &code, &win32),
              c.message);
    EXPECT_EQ(code, c.code) << c.call;
    EXPECT_EQ(win32, 12345u) << c.call;
    EXPECT_FALSE(client.IsPostContextActive()) << c.call;
    EXPECT_TRUE(net.open.empty()) << c.call;
  }
}

TEST_F(QuentaTest, ProxyAccountOnlyWhenBothAreGiven) {
  CHttpClientT client(net_, cp_);
  client.SetProxyAccount(u"user", u"");
  PostAll(client, u"http://h/");
  EXPECT_TRUE(net_.options.empty());
  client.SetProxyAccount(u"user", u"secret");
  PostAll(client, u"http://h/");
  ASSERT_EQ(net_.options.size(), 2u);
  EXPECT_EQ(net_.options[0], std::make_pair(tw::kInternetOptionProxyUsername, std::u16string(u"user")));
  EXPECT_EQ(net_.options[1], std::make_pair(tw::kInternetOptionProxyPassword, std::u16string(u"secret")));
}

TEST_F(QuentaTest, ClientDestroyedMidPostClosesItsHandles) {
  {
    CHttpClientT client(net_, cp_);
    client.AddParam(u"A", u"1");
    client.OpenPostRequest(u"http://h/", 0);
    client._ProceedPostContext();
    EXPECT_EQ(net_.open.size(), 3u);
  }
  EXPECT_TRUE(net_.open.empty());
}

TEST_F(QuentaTest, PartialWritesAreCompleted) {
  net_.max_write = 100;
  CHttpClientT client(net_, cp_);
  client.AddParam(u"V", std::u16string(1000, u'z').c_str());
  PostAll(client, u"http://h/");
  EXPECT_EQ(net_.Body(), "V=" + std::string(1000, 'z'));
}

TEST_F(QuentaTest, ResponseQueriesAndMissingHeaders) {
  net_.status = 201;
  net_.status_text = "Created with a long status text that does not fit a small buffer";
  net_.headers = {{"X-Multi", "one"}, {"x-multi", "two"}, {"Content-Length", "11"}};
  net_.body_pieces = {"hello", std::string(2000, 'b')};
  CHttpClientT client(net_, cp_);
  auto response = PostAll(client, u"http://h/");
  EXPECT_EQ(response->GetStatus(), 201u);
  EXPECT_EQ(response->GetStatusText(), tw::U16(net_.status_text));
  EXPECT_EQ(response->GetHeader(u"X-MULTI"), u"one");
  EXPECT_FALSE(response->GetHeader(u"X-Absent"));
  EXPECT_EQ(response->GetContentLength(), 11u);
  EXPECT_EQ(Thrown([&] { response->GetHeader(nullptr); }), "CHttpResponseT::GetHeader: szName can not be NULL.");
  uint8_t buffer[4096];
  EXPECT_EQ(response->ReadContent(buffer, sizeof buffer), 5u);
  EXPECT_EQ(response->ReadContent(buffer, sizeof buffer), 1023u);
  EXPECT_EQ(response->ReadContent(buffer, 10), 10u);
  EXPECT_EQ(Thrown([&] { response->ReadContent(nullptr); }), "CHttpResponseT::ReadContent: pbyBuff can not be NULL.");
  net_.headers.clear();
  auto second = PostAll(client, u"http://h/");
  EXPECT_EQ(second->GetContentLength(), 0u);
  // The status is read once and kept.
  size_t queries = std::count(net_.log.begin(), net_.log.end(), "QueryInfo");
  second->GetStatus();
  second->GetStatus();
  EXPECT_EQ(std::count(net_.log.begin(), net_.log.end(), "QueryInfo"), static_cast<long>(queries + 1));

  net_.fail_call = "QueryInfo";
  uint32_t code = 0;
  EXPECT_EQ(Thrown([&] { second->GetStatusText(); }, &code), "::HttpQueryInfo failed.");
  EXPECT_EQ(code, 400u);
  EXPECT_EQ(Thrown([&] { second->GetHeader(u"X"); }, &code), "::HttpQueryInfo failed.");
  net_.fail_call = "Read";
  EXPECT_EQ(Thrown([&] { second->ReadContent(buffer); }, &code), "::InternetReadFile failed.");
  EXPECT_EQ(code, 401u);
}

TEST_F(QuentaTest, ToolPreconditionsAndAnsiMessagesBecomeWide) {
  CHttpToolW tool(net_, cp_);
  CHttpToolA ansi(net_);
  struct {
    std::function<void()> f;
    const char* message;
  } cases[] = {
      {[&] { tool.OpenConnection(0, u"h", 80, nullptr, nullptr); }, "CHttpToolW::OpenConnection: hInternet can not be NULL."},
      {[&] { tool.OpenConnection(1, nullptr, 80, nullptr, nullptr); }, "CHttpToolW::OpenConnection: szServerAddr can not be NULL."},
      {[&] { tool.OpenConnection(1, u"", 80, nullptr, nullptr); }, "CHttpToolW::OpenConnection: szServerAddr can not be an empty string."},
      {[&] { tool.OpenRequest(0, u"POST", u"/", 0, nullptr, 0); }, "CHttpToolW::OpenRequest: hConnection can not be NULL."},
      {[&] { tool.OpenRequest(1, u"POST", nullptr, 0, nullptr, 0); }, "CHttpToolW::OpenRequest: szObjectName can not be NULL."},
      {[&] { tool.OpenRequest(1, u"POST", u"", 0, nullptr, 0); }, "CHttpToolW::OpenRequest: szObjectName can not be an empty string."},
      {[&] { tool.OpenRequest(1, u"POST", u"/", 0, nullptr, 65001); }, "CHttpToolW::OpenRequest: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter."},
      {[&] { tool.AddHeader(0, u"a", u"b", 0); }, "CHttpToolW::AddHeader: hRequest can not be NULL."},
      {[&] { tool.AddHeader(1, nullptr, u"b", 0); }, "CHttpToolW::AddHeader: szName can not be NULL."},
      {[&] { tool.SendRequestEx(0, 1); }, "CHttpToolW::SendRequestEx: hRequest can not be NULL."},
      {[&] { tool.InternetWriteFile(0, reinterpret_cast<const uint8_t*>("x"), 1); }, "CHttpToolW::InternetWriteFile: hRequest can not be NULL."},
      {[&] { tool.InternetWriteFile(1, nullptr, 1); }, "CHttpToolW::InternetWriteFile: pbyBuff can not be NULL."},
      {[&] { tool.InternetWriteFile(1, reinterpret_cast<const uint8_t*>("x"), 0); }, "CHttpToolW::InternetWriteFile: cbyBuff can not be zero."},
      {[&] { tool.EndRequest(0); }, "CHttpToolW::EndRequest: hRequest can not be NULL."},
      {[&] { tool.GetStatusText(0); }, "CHttpToolW::GetStatusText: hRequest can not be NULL."},
      {[&] { tool.GetHeader(0, u"a", nullptr); }, "CHttpToolW::GetHeader: hRequest can not be NULL."},
      {[&] { tool.GetHeader(1, nullptr, nullptr); }, "CHttpToolW::GetHeader: szName can not be NULL."},
  };
  for (auto& c : cases) EXPECT_EQ(Thrown(c.f), c.message);

  try {
    ansi.OpenRequest(0, "POST", "/", 0, nullptr);
    ADD_FAILURE();
  } catch (const httpclientexceptionA& e) {
    EXPECT_EQ(e.GetErrMsg(), "CHttpToolA::OpenRequest: hConnection can not be NULL.");
  }
  // Failures inside the ANSI call reach the caller as the wide exception.
  InternetHandle internet = tool.OpenInternet(u"a", 0, nullptr, nullptr, 0);
  InternetHandle connection = tool.OpenConnection(internet, u"h", 80, nullptr, nullptr);
  net_.fail_call = "OpenRequest";
  net_.fail_error = 77;
  uint32_t code = 0, win32 = 0;
  EXPECT_EQ(Thrown([&] { tool.OpenRequest(connection, u"POST", u"/", 0, nullptr, 0); }, &code, &win32),
            "::HttpOpenRequest failed.");
  EXPECT_EQ(code, 404u);
  EXPECT_EQ(win32, 77u);

  CHttpClientT client(net_, cp_);
  EXPECT_EQ(Thrown([&] { client.OpenConnection(0, u"http://h/"); }), "CHttpClientT::OpenConnection: hInternet can not be NULL.");
  EXPECT_EQ(Thrown([&] { client.ApplyProxyAccount(0); }), "CHttpClientT::ApplyProxyAccount: hConnection can not be NULL.");
  EXPECT_EQ(Thrown([&] { client.OpenRequest(0, u"http://h/", 0); }), "CHttpClientT::OpenRequest: hConnection can not be NULL.");
  EXPECT_EQ(Thrown([&] { client.AddRequestHeader(0); }), "CHttpClientT::AddRequestHeader: hRequest can not be NULL.");
}

TEST_F(QuentaTest, ExceptionTableAndCodePageRefusalAtPost) {
  EXPECT_EQ(tw::Utf16ToUtf8(HttpClientErrorMessage(113)), "An interger divide by zero exception has been occurred.");
  EXPECT_EQ(tw::Utf16ToUtf8(HttpClientErrorMessage(603)), "OpenFile (::CreateFile) failed (\"%s\").");
  EXPECT_EQ(tw::Utf16ToUtf8(HttpClientErrorMessage(1234)), "user-defined error message");
  EXPECT_EQ(tw::Utf16ToUtf8(HttpClientErrorMessage(0)), "Not specified");
  CHttpClientT client(net_, cp_);
  client.AddParam(u"A", u"1");
  client.SetAnsiCodePage(65001);
  EXPECT_EQ(Thrown([&] { client.OpenPostRequest(u"http://h/", 0); }),
            "CHttpEncoderW::AnsiEncodeLen: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  EXPECT_TRUE(net_.log.empty());
}

}  // namespace
}  // namespace Quenta

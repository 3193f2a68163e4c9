// The wrappers of the internet port's calls.
#include <algorithm>
#include <vector>

#include "base/text.h"
#include "cloud/http/quenta.h"
#include "platform/system_services.h"

namespace Quenta {
namespace {

[[noreturn]] void ThrowArg(const char* message) {
  throw httpclientexceptionW(tw::Utf8ToUtf16(message));
}
[[noreturn]] void ThrowArgA(const char* message) { throw httpclientexceptionA(message); }

std::u16string Text(const char16_t* s) { return s ? std::u16string(s) : std::u16string(); }

}  // namespace

InternetHandle CHttpToolA::OpenRequest(InternetHandle hConnection, const char* szVerb,
                                       const char* szObjectName, uint32_t dwFlags,
                                       const char* szReferer) {
  if (!hConnection) ThrowArgA("CHttpToolA::OpenRequest: hConnection can not be NULL.");
  if (!szObjectName) ThrowArgA("CHttpToolA::OpenRequest: szObjectName can not be NULL.");
  if (!*szObjectName) ThrowArgA("CHttpToolA::OpenRequest: szObjectName can not be an empty string.");
  InternetHandle h = net_.OpenRequest(hConnection, szVerb ? szVerb : "GET", szObjectName,
                                      "HTTP/1.1", szReferer ? szReferer : "", {"*/*"}, dwFlags);
  if (!h) throw httpclientexceptionA::FromCode(kHttpErrOpenRequest, net_.LastError());
  return h;
}

void CHttpToolA::AddHeader(InternetHandle hRequest, const char* szName, const char* szValue) {
  if (!hRequest) ThrowArgA("CHttpToolA::AddHeader: hRequest can not be NULL.");
  if (!szName) ThrowArgA("CHttpToolA::AddHeader: szName can not be NULL.");
  std::string line = std::string(szName) + ": " + (szValue ? szValue : "") + "\r\n";
  if (!net_.AddRequestHeaders(hRequest, line, tw::kHttpAddReqFlagAdd))
    throw httpclientexceptionA::FromCode(kHttpErrAddHeaders, net_.LastError());
}

InternetHandle CHttpToolW::OpenInternet(const char16_t* szUserAgent, uint32_t dwAccessType,
                                        const char16_t* szProxy, const char16_t* szProxyBypass,
                                        uint32_t dwFlags) {
  InternetHandle h =
      net_.Open(Text(szUserAgent), dwAccessType, Text(szProxy), Text(szProxyBypass), dwFlags);
  if (!h) throw httpclientexceptionW::FromCode(kHttpErrOpen, net_.LastError());
  return h;
}

InternetHandle CHttpToolW::OpenConnection(InternetHandle hInternet, const char16_t* szServerAddr,
                                          uint16_t wPort, const char16_t* szUserName,
                                          const char16_t* szPassword) {
  if (!hInternet) ThrowArg("CHttpToolW::OpenConnection: hInternet can not be NULL.");
  if (!szServerAddr) ThrowArg("CHttpToolW::OpenConnection: szServerAddr can not be NULL.");
  if (!*szServerAddr) ThrowArg("CHttpToolW::OpenConnection: szServerAddr can not be an empty string.");
  InternetHandle h = net_.Connect(hInternet, szServerAddr, wPort, Text(szUserName),
                                  Text(szPassword), tw::kInternetServiceHttp, 0);
  if (!h) throw httpclientexceptionW::FromCode(kHttpErrConnect, net_.LastError());
  return h;
}

InternetHandle CHttpToolW::OpenRequest(InternetHandle hConnection, const char16_t* szVerb,
                                       const char16_t* szObjectName, uint32_t dwFlags,
                                       const char16_t* szReferer, uint32_t CodePage) {
  if (!hConnection) ThrowArg("CHttpToolW::OpenRequest: hConnection can not be NULL.");
  if (!szObjectName) ThrowArg("CHttpToolW::OpenRequest: szObjectName can not be NULL.");
  if (!*szObjectName) ThrowArg("CHttpToolW::OpenRequest: szObjectName can not be an empty string.");
  if (CodePage == kCpUtf7 || CodePage == kCpUtf8)
    ThrowArg("CHttpToolW::OpenRequest: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  std::string verb = code_page_.ToAnsi(szVerb ? szVerb : u"GET", CodePage);
  std::string object = code_page_.ToAnsi(szObjectName, CodePage);
  std::string referer = szReferer ? code_page_.ToAnsi(szReferer, CodePage) : std::string();
  try {
    return ansi_.OpenRequest(hConnection, verb.c_str(), object.c_str(), dwFlags,
                             szReferer ? referer.c_str() : nullptr);
  } catch (const httpclientexceptionA& e) {
    throw e.ToWide(code_page_, CodePage);
  }
}

void CHttpToolW::AddHeader(InternetHandle hRequest, const char16_t* szName,
                           const char16_t* szValue, uint32_t CodePage) {
  if (!hRequest) ThrowArg("CHttpToolW::AddHeader: hRequest can not be NULL.");
  if (!szName) ThrowArg("CHttpToolW::AddHeader: szName can not be NULL.");
  std::string name = code_page_.ToAnsi(szName, CodePage);
  std::string value = code_page_.ToAnsi(szValue ? szValue : u"", CodePage);
  try {
    ansi_.AddHeader(hRequest, name.c_str(), value.c_str());
  } catch (const httpclientexceptionA& e) {
    throw e.ToWide(code_page_, CodePage);
  }
}

void CHttpToolW::SendRequestEx(InternetHandle hRequest, uint32_t dwPostedSize) {
  if (!hRequest) ThrowArg("CHttpToolW::SendRequestEx: hRequest can not be NULL.");
  if (!net_.SendRequestEx(hRequest, dwPostedSize))
    throw httpclientexceptionW::FromCode(kHttpErrSendRequestEx, net_.LastError());
}

void CHttpToolW::InternetWriteFile(InternetHandle hRequest, const uint8_t* pbyBuff,
                                   uint32_t cbyBuff) {
  if (!hRequest) ThrowArg("CHttpToolW::InternetWriteFile: hRequest can not be NULL.");
  if (!pbyBuff) ThrowArg("CHttpToolW::InternetWriteFile: pbyBuff can not be NULL.");
  if (cbyBuff == 0) ThrowArg("CHttpToolW::InternetWriteFile: cbyBuff can not be zero.");
  while (cbyBuff > 0) {
    uint32_t written = 0;
    if (!net_.Write(hRequest, pbyBuff, cbyBuff, &written))
      throw httpclientexceptionW::FromCode(kHttpErrWriteFile, net_.LastError());
    // A call that takes nothing would loop for ever.
    if (written == 0 || written > cbyBuff)
      throw httpclientexceptionW::FromCode(kHttpErrWriteFile, 0);
    pbyBuff += written;
    cbyBuff -= written;
  }
}

void CHttpToolW::EndRequest(InternetHandle hRequest) {
  if (!hRequest) ThrowArg("CHttpToolW::EndRequest: hRequest can not be NULL.");
  if (!net_.EndRequest(hRequest))
    throw httpclientexceptionW::FromCode(kHttpErrEndRequest, net_.LastError());
}

uint32_t CHttpToolW::GetStatus(InternetHandle hRequest) {
  uint32_t status = 0, size = sizeof status;
  if (!net_.QueryInfo(hRequest, tw::kHttpQueryStatusCode | tw::kHttpQueryFlagNumber, &status,
                      &size, nullptr))
    throw httpclientexceptionW::FromCode(kHttpErrQueryInfo, net_.LastError());
  return status;
}

std::u16string CHttpToolW::GetStatusText(InternetHandle hRequest) {
  if (!hRequest) ThrowArg("CHttpToolW::GetStatusText: hRequest can not be NULL.");
  uint32_t size = 0;
  if (net_.QueryInfo(hRequest, tw::kHttpQueryStatusText, nullptr, &size, nullptr)) return {};
  if (net_.LastError() != tw::kErrInternetInsufficientBuffer)
    throw httpclientexceptionW::FromCode(kHttpErrQueryInfo, net_.LastError());
  std::vector<char16_t> buffer(size / 2 + 1, 0);
  if (!net_.QueryInfo(hRequest, tw::kHttpQueryStatusText, buffer.data(), &size, nullptr))
    throw httpclientexceptionW::FromCode(kHttpErrQueryInfo, net_.LastError());
  return std::u16string(buffer.data(), std::min<size_t>(size / 2, buffer.size() - 1));
}

std::optional<std::u16string> CHttpToolW::GetHeader(InternetHandle hRequest,
                                                    const char16_t* szName, uint32_t* index) {
  if (!hRequest) ThrowArg("CHttpToolW::GetHeader: hRequest can not be NULL.");
  if (!szName) ThrowArg("CHttpToolW::GetHeader: szName can not be NULL.");
  std::u16string name(szName);
  // The name goes in the buffer; the answer replaces it.
  std::vector<char16_t> buffer(std::max<size_t>(name.size() + 1, 128), 0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::copy(name.begin(), name.end(), buffer.begin());
    buffer[name.size()] = 0;
    uint32_t before = index ? *index : 0;
    uint32_t size = static_cast<uint32_t>(buffer.size() * 2);
    if (net_.QueryInfo(hRequest, tw::kHttpQueryCustom, buffer.data(), &size, index))
      return std::u16string(buffer.data(), std::min<size_t>(size / 2, buffer.size() - 1));
    uint32_t error = net_.LastError();
    if (index) *index = before;
    if (error == tw::kErrHttpHeaderNotFound) return std::nullopt;
    if (error != tw::kErrInternetInsufficientBuffer || attempt == 1)
      throw httpclientexceptionW::FromCode(kHttpErrQueryInfo, error);
    buffer.assign(std::max<size_t>(size / 2 + 1, name.size() + 1), 0);
  }
  return std::nullopt;
}

uint32_t CHttpToolW::GetContentLength(InternetHandle hRequest) {
  uint32_t length = 0, size = sizeof length;
  if (net_.QueryInfo(hRequest, tw::kHttpQueryContentLength | tw::kHttpQueryFlagNumber, &length,
                     &size, nullptr))
    return length;
  if (net_.LastError() == tw::kErrHttpHeaderNotFound) return 0;
  throw httpclientexceptionW::FromCode(kHttpErrQueryInfo, net_.LastError());
}

uint32_t CHttpToolW::InternetReadFile(InternetHandle hRequest, uint8_t* pbyBuff,
                                      uint32_t cbyBuff) {
  uint32_t read = 0;
  if (!net_.Read(hRequest, pbyBuff, cbyBuff, &read))
    throw httpclientexceptionW::FromCode(kHttpErrReadFile, net_.LastError());
  return read;
}

void CHttpToolW::CloseRequest(InternetHandle h) {
  if (h) net_.Close(h);
}

}  // namespace Quenta

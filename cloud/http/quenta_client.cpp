// The client, its post context and the response.
#include <algorithm>

#include "base/secure_zero.h"
#include "base/text.h"
#include "cloud/http/quenta.h"
#include "platform/system_services.h"

namespace Quenta {
namespace {

[[noreturn]] void ThrowArg(const std::string& message) {
  throw httpclientexceptionW(tw::Utf8ToUtf16(message));
}

uint32_t Add32(uint64_t a, uint64_t b) {
  uint64_t sum = a + b;
  if (sum > 0xFFFFFFFFu) throw httpclientexceptionW::FromCode(kHttpErrOverflow);
  return static_cast<uint32_t>(sum);
}

}  // namespace

// ---- progress record

void CHttpPostStatT::Check(const char* query) const {
  if (!active_)
    ThrowArg(std::string("CHttpPostStatT::") + query + ": The post context is not active.");
}
uint32_t CHttpPostStatT::TotalCount() const { return Check("TotalCount"), total_count_; }
uint32_t CHttpPostStatT::PostedCount() const { return Check("PostedCount"), posted_count_; }
std::u16string CHttpPostStatT::CurrParam() const { return Check("CurrParam"), curr_param_; }
uint32_t CHttpPostStatT::CurrParamPostedByte() const {
  return Check("CurrParamPostedByte"), curr_posted_;
}
uint32_t CHttpPostStatT::CurrParamRemainByte() const {
  return Check("CurrParamRemainByte"), curr_remain_;
}
bool CHttpPostStatT::CurrParamIsComplete() const {
  return Check("CurrParamIsComplete"), curr_remain_ == 0;
}
bool CHttpPostStatT::CurrParamIsFile() const { return Check("CurrParamIsFile"), false; }
uint32_t CHttpPostStatT::FileCount() const { return Check("FileCount"), 0; }
uint32_t CHttpPostStatT::PostedFileCount() const { return Check("PostedFileCount"), 0; }
uint32_t CHttpPostStatT::TotalByte() const { return Check("TotalByte"), total_byte_; }
uint32_t CHttpPostStatT::PostedByte() const { return Check("PostedByte"), posted_byte_; }
uint32_t CHttpPostStatT::ActualTotalByte() const { return Check("ActualTotalByte"), actual_byte_; }

// ---- response

CHttpResponseT::CHttpResponseT(tw::Internet& internet, tw::CodePage& code_page,
                               InternetHandle hInternet, InternetHandle hConnection,
                               InternetHandle hRequest)
    : tool_(internet, code_page),
      m_hInternet(hInternet),
      m_hConnection(hConnection),
      m_hRequest(hRequest) {}

CHttpResponseT::~CHttpResponseT() {
  tool_.CloseRequest(m_hRequest);
  tool_.CloseRequest(m_hConnection);
  tool_.CloseRequest(m_hInternet);
}

uint32_t CHttpResponseT::GetStatus() {
  if (!m_hRequest) ThrowArg("CHttpResponseT::GetStatus: m_hRequest can not be NULL.");
  if (status_ == 0) status_ = tool_.GetStatus(m_hRequest);
  return status_;
}

const std::u16string& CHttpResponseT::GetStatusText() {
  if (!m_hRequest) ThrowArg("CHttpResponseT::GetStatusText: m_hRequest can not be NULL.");
  if (!status_text_) status_text_ = tool_.GetStatusText(m_hRequest);
  return *status_text_;
}

void CHttpResponseT::_LoadHeader(const char16_t* szName) {
  uint32_t index = 0;
  for (;;) {
    uint32_t before = index;
    std::optional<std::u16string> value = tool_.GetHeader(m_hRequest, szName, &index);
    if (!value) break;
    header_cache_.Add(szName, value->c_str());
    // An index that does not move would read the same field for ever.
    if (index == before) break;
  }
}

std::optional<std::u16string> CHttpResponseT::GetHeader(const char16_t* szName) {
  if (!szName) ThrowArg("CHttpResponseT::GetHeader: szName can not be NULL.");
  if (!header_cache_.Exists(szName)) _LoadHeader(szName);
  return header_cache_.Find(szName);
}

uint32_t CHttpResponseT::GetContentLength() {
  if (!m_hRequest) ThrowArg("CHttpResponseT::GetContentLength: m_hRequest can not be NULL.");
  return tool_.GetContentLength(m_hRequest);
}

uint32_t CHttpResponseT::ReadContent(uint8_t* pbyBuff, uint32_t cbyBuff) {
  if (!m_hRequest) ThrowArg("CHttpResponseT::ReadContent: m_hRequest can not be NULL.");
  if (!pbyBuff) ThrowArg("CHttpResponseT::ReadContent: pbyBuff can not be NULL.");
  return tool_.InternetReadFile(m_hRequest, pbyBuff, std::min(cbyBuff, kReadStep));
}

// ---- client

CHttpClientT::CHttpClientT(tw::Internet& internet, tw::CodePage& code_page)
    : net_(internet), code_page_(code_page), tool_(internet, code_page) {}

CHttpClientT::~CHttpClientT() { EndPostContext(); }

void CHttpClientT::SetUserAgent(const char16_t* szUserAgent) {
  if (szUserAgent) user_agent_ = szUserAgent;
  else user_agent_.reset();
}

void CHttpClientT::SetInternet(uint32_t dwAccessType, const char16_t* szProxy,
                               const char16_t* szProxyBypass, uint32_t dwFlags) {
  access_type_ = dwAccessType;
  proxy_ = szProxy ? szProxy : u"";
  proxy_bypass_ = szProxyBypass ? szProxyBypass : u"";
  open_flags_ = dwFlags;
}

void CHttpClientT::SetProxyAccount(const char16_t* szUserName, const char16_t* szPassword) {
  proxy_user_ = szUserName ? szUserName : u"";
  proxy_password_ = szPassword ? szPassword : u"";
}

void CHttpClientT::RefuseWhileActive(const char* method) const {
  if (ctx_.active)
    ThrowArg(std::string("CHttpClientT::") + method +
             ": It is not allowed to call this method if the POST context is active.");
}

void CHttpClientT::SetUseUtf8(bool bUseUtf8) {
  RefuseWhileActive("SetUseUtf8");
  use_utf8_ = bUseUtf8;
}

void CHttpClientT::AddParam(const char16_t* szName, const char16_t* szValue, uint32_t dwFlags) {
  RefuseWhileActive("AddParam");
  params_.Add(szName, szValue, dwFlags);
}

void CHttpClientT::RemoveParam(const char16_t* szName) {
  RefuseWhileActive("RemoveParam");
  params_.RemoveAll(szName);
}

std::string CHttpClientT::EncodeName(const CHttpClientMapT::Entry& e) const {
  if (e.flags & kParamNameNoEncode)
    return CHttpEncoderW::AnsiEncode(code_page_, e.name.c_str(), code_page_id_);
  return CHttpEncoderW::UrlEncodeA(code_page_, e.name.c_str(), use_utf8_, code_page_id_);
}

std::string CHttpClientT::EncodeValue(const CHttpClientMapT::Entry& e) const {
  if (e.flags & kParamValueNoEncode)
    return CHttpEncoderW::AnsiEncode(code_page_, e.value.c_str(), code_page_id_);
  return CHttpEncoderW::UrlEncodeA(code_page_, e.value.c_str(), use_utf8_, code_page_id_);
}

uint32_t CHttpClientT::BodyLength(std::vector<uint32_t>* value_lengths) const {
  uint32_t total = 0;
  value_lengths->clear();
  for (size_t i = 0; i < params_.Count(); ++i) {
    const CHttpClientMapT::Entry& e = params_.Get(i);
    uint32_t name = (e.flags & kParamNameNoEncode)
                        ? CHttpEncoderW::AnsiEncodeLen(code_page_, e.name.c_str(), code_page_id_)
                        : _UrlEncodeLen(code_page_, e.name.c_str(), use_utf8_, code_page_id_);
    uint32_t value = (e.flags & kParamValueNoEncode)
                         ? CHttpEncoderW::AnsiEncodeLen(code_page_, e.value.c_str(), code_page_id_)
                         : _UrlEncodeLen(code_page_, e.value.c_str(), use_utf8_, code_page_id_);
    value_lengths->push_back(value);
    total = Add32(total, Add32(Add32(name, 1), value));
    if (i > 0) total = Add32(total, 1);
  }
  return total;
}

InternetHandle CHttpClientT::OpenConnection(InternetHandle hInternet, const char16_t* szUrl) {
  if (!hInternet) ThrowArg("CHttpClientT::OpenConnection: hInternet can not be NULL.");
  CHttpUrlAnalyzerT url;
  url.Analyze(szUrl);
  if (url.Address().empty()) throw httpclientexceptionW::FromCode(kHttpErrInvalidUrl);
  uint16_t port = url.Scheme() && tw::EqualsNoCase(*url.Scheme(), u"HTTPS")
                      ? tw::kInternetDefaultHttpsPort
                      : tw::kInternetDefaultHttpPort;
  if (url.Port() && !url.Port()->empty()) {
    const std::u16string& digits = *url.Port();
    if (digits.size() > 5) throw httpclientexceptionW::FromCode(kHttpErrInvalidPort);
    uint32_t value = 0;
    for (char16_t c : digits) {
      if (c < u'0' || c > u'9') throw httpclientexceptionW::FromCode(kHttpErrInvalidPort);
      value = value * 10 + static_cast<uint32_t>(c - u'0');
    }
    if (value > 65535) throw httpclientexceptionW::FromCode(kHttpErrInvalidPort);
    port = static_cast<uint16_t>(value);
  }
  InternetHandle h = tool_.OpenConnection(hInternet, url.Address().c_str(), port, nullptr, nullptr);
  try {
    ApplyProxyAccount(h);
  } catch (...) {
    tool_.CloseRequest(h);
    throw;
  }
  return h;
}

void CHttpClientT::ApplyProxyAccount(InternetHandle hConnection) {
  if (!hConnection) ThrowArg("CHttpClientT::ApplyProxyAccount: hConnection can not be NULL.");
  if (proxy_user_.empty() || proxy_password_.empty()) return;
  if (!net_.SetOptionText(hConnection, tw::kInternetOptionProxyUsername, proxy_user_) ||
      !net_.SetOptionText(hConnection, tw::kInternetOptionProxyPassword, proxy_password_))
    throw httpclientexceptionW::FromCode(kHttpErrSetOption, net_.LastError());
}

InternetHandle CHttpClientT::OpenRequest(InternetHandle hConnection, const char16_t* szUrl,
                                         uint32_t dwFlags) {
  if (!hConnection) ThrowArg("CHttpClientT::OpenRequest: hConnection can not be NULL.");
  CHttpUrlAnalyzerT url;
  url.Analyze(szUrl);
  // The fragment belongs to the client, never to the request line.
  std::u16string object;
  if (url.Path()) object = *url.Path() + url.Query().value_or(u"");
  else object = u"/" + url.Query().value_or(u"");
  if (url.Scheme() && tw::EqualsNoCase(*url.Scheme(), u"HTTPS")) dwFlags |= tw::kInternetFlagSecure;
  InternetHandle h =
      tool_.OpenRequest(hConnection, u"POST", object.c_str(), dwFlags, nullptr, code_page_id_);
  try {
    if (dwFlags & tw::kInternetFlagPragmaNoCache)
      tool_.AddHeader(h, u"Cache-Control", u"no-cache", code_page_id_);
  } catch (...) {
    tool_.CloseRequest(h);
    throw;
  }
  return h;
}

void CHttpClientT::AddRequestHeader(InternetHandle hRequest) {
  if (!hRequest) ThrowArg("CHttpClientT::AddRequestHeader: hRequest can not be NULL.");
  for (size_t i = 0; i < headers_.Count(); ++i) {
    const CHttpClientMapT::Entry& e = headers_.Get(i);
    tool_.AddHeader(hRequest, e.name.c_str(), e.value.c_str(), code_page_id_);
  }
  tool_.AddHeader(hRequest, u"Content-Type", u"application/x-www-form-urlencoded", code_page_id_);
}

void CHttpClientT::OpenPostRequest(const char16_t* szUrl, uint32_t dwFlags) {
  if (ctx_.active) throw httpclientexceptionW::FromCode(kHttpErrPostNotFinished);
  PostContext ctx;
  uint32_t body = BodyLength(&ctx.value_lengths);
  try {
    ctx.hInternet = tool_.OpenInternet(user_agent_ ? user_agent_->c_str() : kDefaultUserAgent,
                                       access_type_, proxy_.c_str(), proxy_bypass_.c_str(),
                                       open_flags_);
    ctx.own_internet = true;
    ctx.hConnection = OpenConnection(ctx.hInternet, szUrl);
    ctx.hRequest = OpenRequest(ctx.hConnection, szUrl, dwFlags);
    AddRequestHeader(ctx.hRequest);
    tool_.SendRequestEx(ctx.hRequest, body);
  } catch (...) {
    tool_.CloseRequest(ctx.hRequest);
    tool_.CloseRequest(ctx.hConnection);
    tool_.CloseRequest(ctx.hInternet);
    throw;
  }
  ctx.stat.active_ = true;
  ctx.stat.total_count_ = static_cast<uint32_t>(params_.Count());
  ctx.stat.total_byte_ = body;
  ctx.active = true;
  ctx_ = std::move(ctx);
}

void CHttpClientT::_WritePost(const uint8_t* data, size_t length) {
  if (!ctx_.hRequest) ThrowArg("CHttpClientT::_WritePost: m_hRequest can not be NULL.");
  if (length == 0) return;  // an empty name or value has nothing to write
  ctx_.stat.posted_byte_ = Add32(ctx_.stat.posted_byte_, length);
  tool_.InternetWriteFile(ctx_.hRequest, data, static_cast<uint32_t>(length));
  ctx_.stat.actual_byte_ = Add32(ctx_.stat.actual_byte_, length);
}

std::unique_ptr<CHttpResponseT> CHttpClientT::_ReleasePostResponse() {
  if (!ctx_.active) ThrowArg("CHttpClientT::_ReleasePostResponse: The post context is not active.");
  std::unique_ptr<CHttpResponseT> response(
      new CHttpResponseT(net_, code_page_, ctx_.hInternet, ctx_.hConnection, ctx_.hRequest));
  tw::WipeSecret(ctx_.pending);
  ctx_ = PostContext();
  return response;
}

void CHttpClientT::EndPostContext() {
  if (!ctx_.active) return;
  tool_.CloseRequest(ctx_.hRequest);
  tool_.CloseRequest(ctx_.hConnection);
  if (ctx_.own_internet) tool_.CloseRequest(ctx_.hInternet);
  tw::WipeSecret(ctx_.pending);
  ctx_ = PostContext();
}

std::unique_ptr<CHttpResponseT> CHttpClientT::_ProceedPostContext() {
  if (!ctx_.active) throw httpclientexceptionW::FromCode(kHttpErrPostNotStarted);
  if (!ctx_.hInternet) ThrowArg("CHttpClientT::_ProceedPostContext: m_hInternet can not be NULL.");
  if (!ctx_.hConnection) ThrowArg("CHttpClientT::_ProceedPostContext: m_hConnection can not be NULL.");
  if (!ctx_.hRequest) ThrowArg("CHttpClientT::_ProceedPostContext: m_hRequest can not be NULL.");
  try {
    CHttpPostStatT& stat = ctx_.stat;
    if (ctx_.value_left == 0) {
      if (ctx_.next_param >= params_.Count()) {
        tool_.EndRequest(ctx_.hRequest);
        return _ReleasePostResponse();
      }
      const CHttpClientMapT::Entry& e = params_.Get(ctx_.next_param);
      if (ctx_.next_param > 0) _WritePost(reinterpret_cast<const uint8_t*>("&"), 1);
      std::string name = EncodeName(e);
      _WritePost(reinterpret_cast<const uint8_t*>(name.data()), name.size());
      _WritePost(reinterpret_cast<const uint8_t*>("="), 1);
      tw::WipeSecret(ctx_.pending);  // the form body holds the password
      ctx_.pending_offset = 0;
      ctx_.source = nullptr;
      ctx_.source_pos = 0;
      if (e.flags & kParamValueNoEncode) ctx_.pending = EncodeValue(e);
      else ctx_.source = e.value.c_str();  // the map is left alone while the post runs
      ctx_.value_left = ctx_.value_lengths[ctx_.next_param];
      ++ctx_.next_param;
      stat.posted_count_ = static_cast<uint32_t>(ctx_.next_param);
      stat.curr_param_ = e.name;
      stat.curr_posted_ = 0;
      stat.curr_remain_ = ctx_.value_left;
      return nullptr;
    }
    if (ctx_.source && ctx_.pending.size() - ctx_.pending_offset < kWriteStep) {
      ctx_.pending.erase(0, ctx_.pending_offset);
      ctx_.pending_offset = 0;
      ctx_.source_pos = CHttpEncoderW::UrlEncodeSome(code_page_, ctx_.source, ctx_.source_pos, use_utf8_,
                                                     code_page_id_, kWriteStep, &ctx_.pending);
    }
    size_t n = std::min<size_t>({kWriteStep, ctx_.pending.size() - ctx_.pending_offset, ctx_.value_left});
    // The length announced and the bytes the encoder gives must agree.
    if (n == 0) ThrowArg("CHttpClientT::_ProceedPostContext: the value is shorter than announced.");
    _WritePost(reinterpret_cast<const uint8_t*>(ctx_.pending.data()) + ctx_.pending_offset, n);
    ctx_.pending_offset += n;
    ctx_.value_left -= static_cast<uint32_t>(n);
    stat.curr_posted_ += static_cast<uint32_t>(n);
    stat.curr_remain_ = ctx_.value_left;
    return nullptr;
  } catch (...) {
    EndPostContext();
    throw;
  }
}

}  // namespace Quenta

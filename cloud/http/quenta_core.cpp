// Exceptions, the name/value map, the URL splitter and the encoders.
#include <algorithm>
#include <cstdint>
#include <string>

#include "base/secure_zero.h"
#include "base/text.h"
#include "cloud/http/quenta.h"
#include "platform/system_services.h"

namespace Quenta {

const char16_t* HttpClientErrorMessage(uint32_t code) {
  switch (code) {
    case 0: return u"Not specified";
    case 100: return u"Unexpected error occurred.";
    case 101: return u"The index is out of range.";
    case 102: return u"Out of memory.";
    case 103: return u"The requested URL is not a valid URL.";
    case 104: return u"The post context is not started yet.";
    case 105: return u"Couldn't read expected bytes from a file.";
    case 106: return u"The post context has not been finished yet.";
    case 107: return u"The port number is not valid.";
    case 108: return u"std::exception occurred.";
    case 109: return u"The encoded URL is not valid.";
    case 110: return u"The UTF8 string contains an invalid character.";
    case 111: return u"An unexpected arithmetic error has been occurred.";
    case 112: return u"An arithmetic overflow error has been occurred.";
    case 113: return u"An interger divide by zero exception has been occurred.";
    case 114: return u"The file (%s) aleady exists.";
    case 400: return u"::HttpQueryInfo failed.";
    case 401: return u"::InternetReadFile failed.";
    case 402: return u"::InternetOpen failed.";
    case 403: return u"::InternetConnect failed.";
    case 404: return u"::HttpOpenRequest failed.";
    case 405: return u"::HttpAddRequestHeaders failed.";
    case 406: return u"::HttpSendRequest failed.";
    case 407: return u"::HttpSendRequestEx failed.";
    case 408: return u"::InternetWriteFile failed.";
    case 409: return u"::HttpEndRequest failed.";
    case 410: return u"::InternetSetOption failed.";
    case 600: return u"::WideCharToMultiByte failed.";
    case 601: return u"::MultiByteToWideChar failed.";
    case 602: return u"::ReadFile failed.";
    case 603: return u"OpenFile (::CreateFile) failed (\"%s\").";
    case 604: return u"::SetFilePointer failed.";
    case 605: return u"::GetFileSize failed (\"%s\").";
    case 606: return u"::WriteFile failed (\"%s\").";
    default: return code >= 1000 ? u"user-defined error message" : u"Not specified";
  }
}

errmsg_exceptionW::errmsg_exceptionW(std::u16string message)
    : message_(std::move(message)), utf8_(tw::Utf16ToUtf8(message_)) {}

httpclientexceptionW httpclientexceptionW::FromCode(uint32_t error_code, uint32_t win32_error) {
  return httpclientexceptionW(HttpClientErrorMessage(error_code), error_code, win32_error);
}

httpclientexceptionA httpclientexceptionA::FromCode(uint32_t error_code, uint32_t win32_error) {
  // The table is ASCII, so its UTF-8 form is its code-page form.
  return httpclientexceptionA(tw::Utf16ToUtf8(HttpClientErrorMessage(error_code)), error_code,
                              win32_error);
}

httpclientexceptionW httpclientexceptionA::ToWide(tw::CodePage& code_page, uint32_t cp) const {
  return httpclientexceptionW(code_page.FromAnsi(GetErrMsg(), cp), code_, win32_);
}

namespace {

[[noreturn]] void ThrowArg(const char* message) {
  throw httpclientexceptionW(tw::Utf8ToUtf16(message));
}

int CompareNoCase(const std::u16string& a, const std::u16string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = tw::AsciiLower(a[i]), y = tw::AsciiLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool IsRefusedCodePage(uint32_t cp) { return cp == kCpUtf7 || cp == kCpUtf8; }

// One character of the text (a surrogate pair stays whole, so characters
// outside the BMP survive the per-character encoding).
size_t CharLength(const char16_t* s, size_t i) {
  if (s[i] >= 0xD800 && s[i] <= 0xDBFF && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) return 2;
  return 1;
}

std::string EncodeCharBytes(tw::CodePage& code_page, const char16_t* s, size_t i, size_t n,
                            bool utf8, uint32_t cp) {
  // ANSI code pages and UTF-8 keep ASCII as it is; this spares a
  // conversion call per character of long values.
  if (s[i] < 0x80) return std::string(1, static_cast<char>(s[i]));
  std::u16string_view one(s + i, n);
  return utf8 ? tw::Utf16ToUtf8(one) : code_page.ToAnsi(one, cp);
}

bool IsUnreserved(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

CHttpClientMapT::~CHttpClientMapT() {
  for (Entry& e : entries_) tw::WipeSecret(e.value);  // parameters may be passwords
}

void CHttpClientMapT::Insert(Entry entry) {
  auto it = std::upper_bound(entries_.begin(), entries_.end(), entry,
                             [](const Entry& a, const Entry& b) {
                               return CompareNoCase(a.name, b.name) < 0;
                             });
  entries_.insert(it, std::move(entry));
}

void CHttpClientMapT::Add(const char16_t* szName, const char16_t* szValue, uint32_t flags) {
  if (!szName) ThrowArg("CHttpClientMapT::Add: szName can not be NULL.");
  Insert({szName, szValue ? szValue : u"", flags});
}

void CHttpClientMapT::AddPointerDirectly(const char16_t* szName, std::u16string&& value,
                                         uint32_t flags) {
  if (!szName) ThrowArg("CHttpClientMapT::AddPointerDirectly: szName can not be NULL.");
  Insert({szName, std::move(value), flags});
}

void CHttpClientMapT::RemoveAll(const char16_t* szName) {
  if (!szName) ThrowArg("CHttpClientMapT::RemoveAll: szName can not be NULL.");
  std::u16string name(szName);
  for (Entry& e : entries_)
    if (CompareNoCase(e.name, name) == 0) tw::WipeSecret(e.value);
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [&](const Entry& e) { return CompareNoCase(e.name, name) == 0; }),
                 entries_.end());
}

const CHttpClientMapT::Entry& CHttpClientMapT::Get(size_t index) const {
  if (index >= entries_.size()) throw httpclientexceptionW::FromCode(kHttpErrOutOfRange);
  return entries_[index];
}

std::optional<std::u16string> CHttpClientMapT::Find(const std::u16string& name,
                                                    size_t index) const {
  for (const Entry& e : entries_)
    if (CompareNoCase(e.name, name) == 0 && index-- == 0) return e.value;
  return std::nullopt;
}

void CHttpUrlAnalyzerT::Analyze(const char16_t* szUrl) {
  if (!szUrl) throw httpclientexceptionW::FromCode(kHttpErrInvalidUrl);
  *this = CHttpUrlAnalyzerT();
  std::u16string url(szUrl);
  size_t pos = 0;
  size_t sep = url.find(u"://");
  if (sep != std::u16string::npos) {
    scheme_ = url.substr(0, sep);
    pos = sep + 3;
  }
  size_t end = url.find_first_of(u":/?#", pos);
  address_ = url.substr(pos, end == std::u16string::npos ? std::u16string::npos : end - pos);
  if (end == std::u16string::npos) return;
  pos = end;
  if (url[pos] == u':') {
    end = url.find_first_of(u"/?#", pos + 1);
    port_ = url.substr(pos + 1, end == std::u16string::npos ? std::u16string::npos : end - pos - 1);
    if (end == std::u16string::npos) return;
    pos = end;
  }
  if (url[pos] == u'/') {
    end = url.find_first_of(u"?#", pos);
    path_ = url.substr(pos, end == std::u16string::npos ? std::u16string::npos : end - pos);
    if (end == std::u16string::npos) return;
    pos = end;
  }
  if (url[pos] == u'?') {
    end = url.find(u'#', pos);
    query_ = url.substr(pos, end == std::u16string::npos ? std::u16string::npos : end - pos);
    if (end == std::u16string::npos) return;
    pos = end;
  }
  fragment_ = url.substr(pos);
}

uint32_t CHttpEncoderW::AnsiEncodeLen(tw::CodePage& code_page, const char16_t* szStr,
                                      uint32_t CodePage) {
  if (IsRefusedCodePage(CodePage))
    ThrowArg("CHttpEncoderW::AnsiEncodeLen: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  if (!szStr) return 0;
  size_t n = code_page.ToAnsi(szStr, CodePage).size();
  if (n > 0xFFFFFFFFu) throw httpclientexceptionW::FromCode(kHttpErrOverflow);
  return static_cast<uint32_t>(n);
}

std::string CHttpEncoderW::AnsiEncode(tw::CodePage& code_page, const char16_t* szBuff,
                                      uint32_t CodePage) {
  if (!szBuff) ThrowArg("CHttpEncoderW::AnsiEncode: szBuff can not be NULL.");
  if (IsRefusedCodePage(CodePage))
    ThrowArg("CHttpEncoderW::AnsiEncodeLen: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  return code_page.ToAnsi(szBuff, CodePage);
}

std::string CHttpEncoderW::Utf8Encode(const char16_t* szBuff) {
  if (!szBuff) ThrowArg("CHttpEncoderW::Utf8Encode: szBuff can not be NULL.");
  return tw::Utf16ToUtf8(szBuff);
}

std::string CHttpEncoderW::UrlEncodeA(tw::CodePage& code_page, const char16_t* szBuff,
                                      bool bUtf8, uint32_t CodePage) {
  if (!szBuff) ThrowArg("CHttpEncoderW::UrlEncodeA: szBuff can not be NULL.");
  std::string out;
  out.reserve(std::char_traits<char16_t>::length(szBuff));
  UrlEncodeSome(code_page, szBuff, 0, bUtf8, CodePage, SIZE_MAX, &out);
  return out;
}

size_t CHttpEncoderW::UrlEncodeSome(tw::CodePage& code_page, const char16_t* szBuff, size_t pos,
                                    bool bUtf8, uint32_t CodePage, size_t want, std::string* out) {
  if (!szBuff) ThrowArg("CHttpEncoderW::UrlEncodeA: szBuff can not be NULL.");
  if (!bUtf8 && IsRefusedCodePage(CodePage))
    ThrowArg("CHttpEncoderW::AnsiEncodeLen: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  static const char kHex[] = "0123456789ABCDEF";
  const auto put = [&](unsigned char c) {
    if (c == ' ') {
      out->push_back('+');
    } else if (IsUnreserved(c)) {
      out->push_back(static_cast<char>(c));
    } else {
      const char escaped[3] = {'%', kHex[c >> 4], kHex[c & 15]};
      out->append(escaped, 3);
    }
  };
  while (szBuff[pos] && out->size() < want) {
    // ASCII is the same in every code page: no conversion, no temporary.
    if (szBuff[pos] < 0x80) {
      put(static_cast<unsigned char>(szBuff[pos++]));
      continue;
    }
    size_t n = CharLength(szBuff, pos);
    for (unsigned char c : EncodeCharBytes(code_page, szBuff, pos, n, bUtf8, CodePage)) put(c);
    pos += n;
  }
  return pos;
}

uint32_t _UrlEncodeLen(tw::CodePage& code_page, const char16_t* szStr, bool bUtf8,
                       uint32_t CodePage) {
  if (!szStr) ThrowArg("_UrlEncodeLen: szStr can not be NULL.");
  if (!bUtf8 && IsRefusedCodePage(CodePage))
    ThrowArg("CHttpEncoderW::AnsiEncodeLen: CP_UTF8 and CP_UTF7 can not be used for the CodePage parameter.");
  uint64_t total = 0;
  for (size_t i = 0; szStr[i];) {
    if (szStr[i] < 0x80) {
      const unsigned char c = static_cast<unsigned char>(szStr[i++]);
      total += (c == ' ' || IsUnreserved(c)) ? 1 : 3;
      continue;
    }
    size_t n = CharLength(szStr, i);
    for (unsigned char c : EncodeCharBytes(code_page, szStr, i, n, bUtf8, CodePage))
      total += (c == ' ' || IsUnreserved(c)) ? 1 : 3;
    if (total > 0xFFFFFFFFu) throw httpclientexceptionW::FromCode(kHttpErrOverflow);
    i += n;
  }
  return static_cast<uint32_t>(total);
}

}  // namespace Quenta

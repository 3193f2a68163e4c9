// Quenta: the program's small HTTP client, over the internet port. It posts
// an application/x-www-form-urlencoded form in steps and reads the answer.
// Public text is UTF-16; wire text is converted to a code page first.
//
// Every failure throws httpclientexceptionW (message, library code, Win32
// error). Arguments that stand for C strings are pointers so that a null
// one is refused with its message rather than undefined.
//
// A client and its response are used by one thread at a time.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/internet.h"

namespace tw {
class CodePage;
}

namespace Quenta {

using tw::InternetHandle;

constexpr uint32_t kCpUtf7 = 65000;
constexpr uint32_t kCpUtf8 = 65001;

// Library error codes.
enum : uint32_t {
  kHttpErrNotSpecified = 0,
  kHttpErrUnexpected = 100,
  kHttpErrOutOfRange = 101,
  kHttpErrOutOfMemory = 102,
  kHttpErrInvalidUrl = 103,
  kHttpErrPostNotStarted = 104,
  kHttpErrUnexpectedFileSize = 105,
  kHttpErrPostNotFinished = 106,
  kHttpErrInvalidPort = 107,
  kHttpErrStdException = 108,
  kHttpErrInvalidEncodedUrl = 109,
  kHttpErrInvalidUtf8 = 110,
  kHttpErrArithmetic = 111,
  kHttpErrOverflow = 112,
  kHttpErrDivideByZero = 113,
  kHttpErrFileExists = 114,
  kHttpErrQueryInfo = 400,
  kHttpErrReadFile = 401,
  kHttpErrOpen = 402,
  kHttpErrConnect = 403,
  kHttpErrOpenRequest = 404,
  kHttpErrAddHeaders = 405,
  kHttpErrSendRequest = 406,
  kHttpErrSendRequestEx = 407,
  kHttpErrWriteFile = 408,
  kHttpErrEndRequest = 409,
  kHttpErrSetOption = 410,
  kHttpErrWideToMulti = 600,
  kHttpErrMultiToWide = 601,
  kHttpErrReadLocalFile = 602,
  kHttpErrOpenFile = 603,
  kHttpErrSetFilePointer = 604,
  kHttpErrGetFileSize = 605,
  kHttpErrWriteLocalFile = 606,
  kHttpErrUserDefined = 1000,
};

// The message of a library code ("%s" where a file name goes).
const char16_t* HttpClientErrorMessage(uint32_t code);

class errmsg_exceptionW : public std::exception {
 public:
  explicit errmsg_exceptionW(std::u16string message);
  const std::u16string& GetErrMsg() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::u16string message_;
  std::string utf8_;
};

// Message in code-page bytes.
class errmsg_exceptionA : public std::exception {
 public:
  explicit errmsg_exceptionA(std::string message) : message_(std::move(message)) {}
  const std::string& GetErrMsg() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

class httpclientexceptionW : public errmsg_exceptionW {
 public:
  httpclientexceptionW(std::u16string message, uint32_t error_code = 0, uint32_t win32_error = 0)
      : errmsg_exceptionW(std::move(message)), code_(error_code), win32_(win32_error) {}
  // The table's message for the code.
  static httpclientexceptionW FromCode(uint32_t error_code, uint32_t win32_error = 0);
  uint32_t LastError() const { return code_; }
  uint32_t Win32LastError() const { return win32_; }

 private:
  uint32_t code_;
  uint32_t win32_;
};

class httpclientexceptionA : public errmsg_exceptionA {
 public:
  httpclientexceptionA(std::string message, uint32_t error_code = 0, uint32_t win32_error = 0)
      : errmsg_exceptionA(std::move(message)), code_(error_code), win32_(win32_error) {}
  static httpclientexceptionA FromCode(uint32_t error_code, uint32_t win32_error = 0);
  uint32_t LastError() const { return code_; }
  uint32_t Win32LastError() const { return win32_; }
  // The same exception with its message read in the code page.
  httpclientexceptionW ToWide(tw::CodePage& code_page, uint32_t cp) const;

 private:
  uint32_t code_;
  uint32_t win32_;
};

// Parameter flags.
constexpr uint32_t kParamNameNoEncode = 2;
constexpr uint32_t kParamValueNoEncode = 4;

// Ordered multimap of name -> {value, flags}: ascending by name without
// regard to case, equal names in insertion order.
class CHttpClientMapT {
 public:
  struct Entry {
    std::u16string name;
    std::u16string value;
    uint32_t flags = 0;
  };

  CHttpClientMapT() = default;
  CHttpClientMapT(const CHttpClientMapT&) = default;
  CHttpClientMapT& operator=(const CHttpClientMapT&) = default;
  ~CHttpClientMapT();

  // A null value is taken as empty.
  void Add(const char16_t* szName, const char16_t* szValue, uint32_t flags = 0);
  // Takes the value over without copying it.
  void AddPointerDirectly(const char16_t* szName, std::u16string&& value, uint32_t flags = 0);
  // Removes every entry of that name.
  void RemoveAll(const char16_t* szName);
  void Clear() { entries_.clear(); }
  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  // Code 101 when index is out of range.
  const Entry& Get(size_t index) const;
  // The index'th value of that name, or none.
  std::optional<std::u16string> Find(const std::u16string& name, size_t index = 0) const;
  bool Exists(const std::u16string& name) const { return Find(name).has_value(); }

 private:
  void Insert(Entry entry);
  std::vector<Entry> entries_;
};

class CHttpUrlAnalyzerT {
 public:
  // Splits the URL; a null one throws code 103.
  void Analyze(const char16_t* szUrl);
  const std::optional<std::u16string>& Scheme() const { return scheme_; }
  const std::u16string& Address() const { return address_; }
  const std::optional<std::u16string>& Port() const { return port_; }
  const std::optional<std::u16string>& Path() const { return path_; }
  const std::optional<std::u16string>& Query() const { return query_; }
  const std::optional<std::u16string>& Fragment() const { return fragment_; }

 private:
  std::optional<std::u16string> scheme_, port_, path_, query_, fragment_;
  std::u16string address_;
};

class CHttpEncoderW {
 public:
  // Bytes of szStr in the code page; CP_UTF8 / CP_UTF7 are refused.
  static uint32_t AnsiEncodeLen(tw::CodePage& code_page, const char16_t* szStr, uint32_t CodePage);
  static std::string AnsiEncode(tw::CodePage& code_page, const char16_t* szBuff, uint32_t CodePage);
  static std::string Utf8Encode(const char16_t* szBuff);
  // Form encoding of each character in UTF-8 or the code page.
  static std::string UrlEncodeA(tw::CodePage& code_page, const char16_t* szBuff, bool bUtf8,
                                uint32_t CodePage);
  // Appends the encoding of szBuff's characters from `pos` on to *out until
  // it holds at least `want` bytes or the text ends; returns where it
  // stopped. A long value is encoded piece by piece this way, never whole.
  static size_t UrlEncodeSome(tw::CodePage& code_page, const char16_t* szBuff, size_t pos, bool bUtf8,
                              uint32_t CodePage, size_t want, std::string* out);
};
// Length of the form encoding of szStr (1 per space or alphanumeric, 3 per
// other byte).
uint32_t _UrlEncodeLen(tw::CodePage& code_page, const char16_t* szStr, bool bUtf8,
                       uint32_t CodePage);

// Thin wrappers of the ANSI calls.
class CHttpToolA {
 public:
  explicit CHttpToolA(tw::Internet& internet) : net_(internet) {}
  InternetHandle OpenRequest(InternetHandle hConnection, const char* szVerb,
                             const char* szObjectName, uint32_t dwFlags, const char* szReferer);
  void AddHeader(InternetHandle hRequest, const char* szName, const char* szValue);

 private:
  tw::Internet& net_;
};

// Thin wrappers of the UTF-16 calls; texts for "A" calls are converted to
// the code page and passed to CHttpToolA.
class CHttpToolW {
 public:
  CHttpToolW(tw::Internet& internet, tw::CodePage& code_page)
      : net_(internet), code_page_(code_page), ansi_(internet) {}
  InternetHandle OpenInternet(const char16_t* szUserAgent, uint32_t dwAccessType,
                              const char16_t* szProxy, const char16_t* szProxyBypass,
                              uint32_t dwFlags);
  InternetHandle OpenConnection(InternetHandle hInternet, const char16_t* szServerAddr,
                                uint16_t wPort, const char16_t* szUserName,
                                const char16_t* szPassword);
  InternetHandle OpenRequest(InternetHandle hConnection, const char16_t* szVerb,
                             const char16_t* szObjectName, uint32_t dwFlags,
                             const char16_t* szReferer, uint32_t CodePage);
  void AddHeader(InternetHandle hRequest, const char16_t* szName, const char16_t* szValue,
                 uint32_t CodePage);
  void SendRequestEx(InternetHandle hRequest, uint32_t dwPostedSize);
  // Writes all bytes, in as many calls as it takes.
  void InternetWriteFile(InternetHandle hRequest, const uint8_t* pbyBuff, uint32_t cbyBuff);
  void EndRequest(InternetHandle hRequest);
  uint32_t GetStatus(InternetHandle hRequest);
  std::u16string GetStatusText(InternetHandle hRequest);
  // The *index'th occurrence (advancing *index), or none when absent.
  std::optional<std::u16string> GetHeader(InternetHandle hRequest, const char16_t* szName,
                                          uint32_t* index);
  // 0 when the answer has no Content-Length.
  uint32_t GetContentLength(InternetHandle hRequest);
  uint32_t InternetReadFile(InternetHandle hRequest, uint8_t* pbyBuff, uint32_t cbyBuff);
  void CloseRequest(InternetHandle h);

 private:
  tw::Internet& net_;
  tw::CodePage& code_page_;
  CHttpToolA ansi_;
};

// Progress of the active post. Every query of an inactive record throws
// "CHttpPostStatT::<Query>: The post context is not active.".
class CHttpPostStatT {
 public:
  bool IsActive() const { return active_; }
  uint32_t TotalCount() const;
  uint32_t PostedCount() const;
  std::u16string CurrParam() const;
  uint32_t CurrParamPostedByte() const;
  uint32_t CurrParamRemainByte() const;
  bool CurrParamIsComplete() const;
  bool CurrParamIsFile() const;
  uint32_t FileCount() const;
  uint32_t PostedFileCount() const;
  // The announced body length, the bytes handed to InternetWriteFile, and
  // the bytes it reported written.
  uint32_t TotalByte() const;
  uint32_t PostedByte() const;
  uint32_t ActualTotalByte() const;

 private:
  friend class CHttpClientT;
  void Check(const char* query) const;
  bool active_ = false;
  uint32_t total_count_ = 0, posted_count_ = 0;
  std::u16string curr_param_;
  uint32_t curr_posted_ = 0, curr_remain_ = 0;
  uint32_t total_byte_ = 0, posted_byte_ = 0, actual_byte_ = 0;
};

// One answer. Owns the handles of its post and closes them when destroyed.
class CHttpResponseT {
 public:
  ~CHttpResponseT();
  CHttpResponseT(const CHttpResponseT&) = delete;
  CHttpResponseT& operator=(const CHttpResponseT&) = delete;

  uint32_t GetStatus();
  const std::u16string& GetStatusText();
  // The first value of the header, or none when the answer lacks it.
  std::optional<std::u16string> GetHeader(const char16_t* szName);
  uint32_t GetContentLength();
  // Reads up to min(cbyBuff, 1023) body bytes; 0 at the end of the body.
  uint32_t ReadContent(uint8_t* pbyBuff, uint32_t cbyBuff = kReadStep);

  static constexpr uint32_t kReadStep = 1023;

 private:
  friend class CHttpClientT;
  CHttpResponseT(tw::Internet& internet, tw::CodePage& code_page, InternetHandle hInternet,
                 InternetHandle hConnection, InternetHandle hRequest);
  void _LoadHeader(const char16_t* szName);

  CHttpToolW tool_;
  InternetHandle m_hInternet, m_hConnection, m_hRequest;
  uint32_t status_ = 0;
  std::optional<std::u16string> status_text_;
  CHttpClientMapT header_cache_;
};

class CHttpClientT {
 public:
  static constexpr const char16_t* kDefaultUserAgent = u"Quenta HTTP Client Class";

  CHttpClientT(tw::Internet& internet, tw::CodePage& code_page);
  ~CHttpClientT();
  CHttpClientT(const CHttpClientT&) = delete;
  CHttpClientT& operator=(const CHttpClientT&) = delete;

  // Null for the default agent.
  void SetUserAgent(const char16_t* szUserAgent);
  void SetInternet(uint32_t dwAccessType, const char16_t* szProxy, const char16_t* szProxyBypass,
                   uint32_t dwFlags);
  // Applied to the connection when both are non-empty.
  void SetProxyAccount(const char16_t* szUserName, const char16_t* szPassword);
  void SetUseUtf8(bool bUseUtf8);
  bool GetUseUtf8() const { return use_utf8_; }
  void SetAnsiCodePage(uint32_t CodePage) { code_page_id_ = CodePage; }
  uint32_t GetAnsiCodePage() const { return code_page_id_; }

  void AddHeader(const char16_t* szName, const char16_t* szValue) { headers_.Add(szName, szValue); }
  void RemoveHeader(const char16_t* szName) { headers_.RemoveAll(szName); }
  void AddParam(const char16_t* szName, const char16_t* szValue, uint32_t dwFlags = 0);
  void RemoveParam(const char16_t* szName);
  const CHttpClientMapT& Params() const { return params_; }
  const CHttpClientMapT& Headers() const { return headers_; }

  // The steps of a post, usable alone.
  InternetHandle OpenConnection(InternetHandle hInternet, const char16_t* szUrl);
  void ApplyProxyAccount(InternetHandle hConnection);
  InternetHandle OpenRequest(InternetHandle hConnection, const char16_t* szUrl, uint32_t dwFlags);
  void AddRequestHeader(InternetHandle hRequest);

  // Opens the connection and request and announces the body; the post
  // context is active afterwards. Code 106 while one is already active.
  void OpenPostRequest(const char16_t* szUrl, uint32_t dwFlags);
  // Writes the next piece of the body; the response (the caller's) once the
  // body is complete and the answer's head is read, null before.
  std::unique_ptr<CHttpResponseT> _ProceedPostContext();
  bool IsPostContextActive() const { return ctx_.active; }
  CHttpPostStatT QueryPostStat() const { return ctx_.stat; }

  // Bytes written by one body step at most.
  static constexpr uint32_t kWriteStep = 1024;

 private:
  struct PostContext {
    bool active = false;
    InternetHandle hInternet = 0, hConnection = 0, hRequest = 0;
    bool own_internet = false;
    CHttpPostStatT stat;
    size_t next_param = 0;
    std::vector<uint32_t> value_lengths;  // each parameter's encoded value
    // The value being written: encoded a step ahead of the writes from
    // `source` (the parameter's own text), or whole in `pending` when it
    // is not URL-encoded.
    const char16_t* source = nullptr;
    size_t source_pos = 0;
    std::string pending;
    size_t pending_offset = 0;
    uint32_t value_left = 0;
  };

  void RefuseWhileActive(const char* method) const;
  std::string EncodeName(const CHttpClientMapT::Entry& e) const;
  std::string EncodeValue(const CHttpClientMapT::Entry& e) const;
  uint32_t BodyLength(std::vector<uint32_t>* value_lengths) const;
  void _WritePost(const uint8_t* data, size_t length);
  std::unique_ptr<CHttpResponseT> _ReleasePostResponse();
  void EndPostContext();

  tw::Internet& net_;
  tw::CodePage& code_page_;
  CHttpToolW tool_;
  std::optional<std::u16string> user_agent_;
  uint32_t access_type_ = tw::kInternetOpenTypePreconfig;
  std::u16string proxy_, proxy_bypass_;
  uint32_t open_flags_ = 0;
  std::u16string proxy_user_, proxy_password_;
  bool use_utf8_ = false;
  uint32_t code_page_id_ = 0;
  CHttpClientMapT headers_;
  CHttpClientMapT params_;
  PostContext ctx_;
};

}  // namespace Quenta

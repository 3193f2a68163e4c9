// The internet port over wininet.dll: one-to-one forwards, except that a
// request body's small writes are gathered into fewer InternetWriteFile calls.
#include <windows.h>
#include <wininet.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/internet.h"

namespace tw {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");
static_assert(kInternetFlagSecure == INTERNET_FLAG_SECURE, "flag value");
static_assert(kInternetFlagPragmaNoCache == INTERNET_FLAG_PRAGMA_NOCACHE, "flag value");
static_assert(kHttpAddReqFlagAdd == HTTP_ADDREQ_FLAG_ADD, "flag value");
static_assert(kHttpQueryCustom == HTTP_QUERY_CUSTOM, "query level");
static_assert(kHttpQueryFlagNumber == HTTP_QUERY_FLAG_NUMBER, "query flag");
static_assert(kErrHttpHeaderNotFound == ERROR_HTTP_HEADER_NOT_FOUND, "error value");
static_assert(kInternetOptionProxyUsername == INTERNET_OPTION_PROXY_USERNAME, "option value");

const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
const wchar_t* WideOrNull(const std::u16string& s) { return s.empty() ? nullptr : Wide(s); }
HINTERNET H(InternetHandle h) { return reinterpret_cast<HINTERNET>(h); }
InternetHandle Out(HINTERNET h) { return reinterpret_cast<InternetHandle>(h); }

class Win32Internet final : public Internet {
 public:
  InternetHandle Open(const std::u16string& agent, uint32_t access_type,
                      const std::u16string& proxy, const std::u16string& proxy_bypass,
                      uint32_t flags) override {
    return Out(::InternetOpenW(Wide(agent), access_type, WideOrNull(proxy),
                               WideOrNull(proxy_bypass), flags));
  }

  InternetHandle Connect(InternetHandle internet, const std::u16string& server, uint16_t port,
                         const std::u16string& user, const std::u16string& password,
                         uint32_t service, uint32_t flags) override {
    return Out(::InternetConnectW(H(internet), Wide(server), port, WideOrNull(user),
                                  WideOrNull(password), service, flags, 0));
  }

  bool SetOptionText(InternetHandle h, uint32_t option, const std::u16string& value) override {
    return ::InternetSetOptionW(H(h), option, const_cast<wchar_t*>(Wide(value)),
                                static_cast<DWORD>(value.size())) != FALSE;
  }

  bool SetOptionNumber(InternetHandle h, uint32_t option, uint32_t value) override {
    DWORD v = value;
    return ::InternetSetOptionW(H(h), option, &v, sizeof v) != FALSE;
  }

  InternetHandle OpenRequest(InternetHandle connection, const std::string& verb,
                             const std::string& object_name, const std::string& version,
                             const std::string& referrer,
                             const std::vector<std::string>& accept_types,
                             uint32_t flags) override {
    std::vector<const char*> types;
    for (const std::string& t : accept_types) types.push_back(t.c_str());
    types.push_back(nullptr);
    return Out(::HttpOpenRequestA(H(connection), verb.c_str(), object_name.c_str(),
                                  version.c_str(), referrer.empty() ? nullptr : referrer.c_str(),
                                  types.data(), flags, 0));
  }

  bool AddRequestHeaders(InternetHandle request, const std::string& headers,
                         uint32_t modifiers) override {
    return ::HttpAddRequestHeadersA(H(request), headers.c_str(), static_cast<DWORD>(-1),
                                    modifiers) != FALSE;
  }

  bool SendRequestEx(InternetHandle request, uint32_t total_length) override {
    INTERNET_BUFFERSW buffers{};
    buffers.dwStructSize = sizeof buffers;
    buffers.dwBufferTotal = total_length;
    return ::HttpSendRequestExW(H(request), &buffers, nullptr, 0, 0) != FALSE;
  }

  // Each InternetWriteFile is a send of its own: a form written 1 KiB at a
  // time would cost a system call and a segment per KiB.
  bool Write(InternetHandle request, const uint8_t* data, uint32_t length,
             uint32_t* written) override {
    if (written) *written = 0;
    if (!data && length) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    std::string* body = nullptr;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      body = &unsent_[request];
    }
    body->append(reinterpret_cast<const char*>(data), length);
    if (body->size() >= kSendGather && !Flush(request, body)) return false;
    if (written) *written = length;
    return true;
  }

  bool EndRequest(InternetHandle request) override {
    std::string* body = nullptr;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      auto it = unsent_.find(request);
      if (it != unsent_.end()) body = &it->second;
    }
    if (body && !Flush(request, body)) return false;
    return ::HttpEndRequestW(H(request), nullptr, 0, 0) != FALSE;
  }

  bool QueryInfo(InternetHandle request, uint32_t info_level, void* buffer,
                 uint32_t* buffer_length, uint32_t* index) override {
    DWORD length = buffer_length ? *buffer_length : 0;
    DWORD i = index ? *index : 0;
    BOOL ok = ::HttpQueryInfoW(H(request), info_level, buffer, buffer_length ? &length : nullptr,
                               index ? &i : nullptr);
    if (buffer_length) *buffer_length = length;
    if (index) *index = i;
    return ok != FALSE;
  }

  bool Read(InternetHandle request, uint8_t* buffer, uint32_t length, uint32_t* read) override {
    DWORD n = 0;
    BOOL ok = ::InternetReadFile(H(request), buffer, length, &n);
    if (read) *read = n;
    return ok != FALSE;
  }

  bool Close(InternetHandle h) override {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      unsent_.erase(h);
    }
    return ::InternetCloseHandle(H(h)) != FALSE;
  }

  uint32_t LastError() override { return ::GetLastError(); }

 private:
  static constexpr size_t kSendGather = 64 * 1024;

  // Writes the gathered bytes; on failure they are dropped with the request.
  bool Flush(InternetHandle request, std::string* body) {
    size_t done = 0;
    while (done < body->size()) {
      DWORD n = 0;
      if (!::InternetWriteFile(H(request), body->data() + done, static_cast<DWORD>(body->size() - done), &n)) {
        body->clear();
        return false;
      }
      if (n == 0) {
        body->clear();
        ::SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
        return false;
      }
      done += n;
    }
    body->clear();
    return true;
  }

  std::mutex mutex_;
  // A request's body bytes not yet handed to wininet; one request is
  // written by one thread at a time, so only the map needs the lock.
  std::map<InternetHandle, std::string> unsent_;
};

}  // namespace

std::unique_ptr<Internet> NewSystemInternet(Sockets&) { return std::make_unique<Win32Internet>(); }

}  // namespace tw

// Internet port: the WinINet calls of the HTTP client, one method per call.
//
// Results are what a Windows caller sees: a call that fails returns a null
// handle or false, and LastError() then gives the Win32 / WinINet error
// number (kErrInternet... below, ERROR_INSUFFICIENT_BUFFER and the like),
// also natively. LastError() is the error of the most recent failed call on
// the calling thread, as GetLastError() is.
//
// Handles form a tree: an internet handle (Open), its connections
// (Connect), their requests (OpenRequest). Closing a handle closes its
// children too; closing a handle that is already closed fails with
// ERROR_INVALID_HANDLE. Names, verbs and header texts given to the "A"
// calls are 8-bit bytes on the wire (code-page text, converted by the
// caller); the "W" texts are UTF-16.
//
// Time-outs: the connect, send and receive time-outs (options below, in
// milliseconds) are taken by a handle from its parent when it is made; a
// call that runs into one fails with kErrInternetTimeout.
//
// One handle is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tw {

class Sockets;

using InternetHandle = uintptr_t;
constexpr InternetHandle kNullInternetHandle = 0;

// InternetOpenW access types.
constexpr uint32_t kInternetOpenTypePreconfig = 0;
constexpr uint32_t kInternetOpenTypeDirect = 1;
constexpr uint32_t kInternetOpenTypeProxy = 3;

constexpr uint16_t kInternetDefaultHttpPort = 80;
constexpr uint16_t kInternetDefaultHttpsPort = 443;
constexpr uint32_t kInternetServiceHttp = 3;

// HttpOpenRequestA flags.
constexpr uint32_t kInternetFlagReload = 0x80000000;
constexpr uint32_t kInternetFlagNoCacheWrite = 0x04000000;
constexpr uint32_t kInternetFlagKeepConnection = 0x00400000;
constexpr uint32_t kInternetFlagSecure = 0x00800000;
constexpr uint32_t kInternetFlagResynchronize = 0x00000800;
constexpr uint32_t kInternetFlagHyperlink = 0x00000400;
constexpr uint32_t kInternetFlagNoUi = 0x00000200;
constexpr uint32_t kInternetFlagPragmaNoCache = 0x00000100;

// InternetSetOptionW options.
constexpr uint32_t kInternetOptionConnectTimeout = 2;
constexpr uint32_t kInternetOptionSendTimeout = 5;
constexpr uint32_t kInternetOptionReceiveTimeout = 6;
constexpr uint32_t kInternetOptionProxyUsername = 43;
constexpr uint32_t kInternetOptionProxyPassword = 44;

// HttpAddRequestHeadersA modifiers.
constexpr uint32_t kHttpAddReqFlagAddIfNew = 0x10000000;
constexpr uint32_t kHttpAddReqFlagAdd = 0x20000000;
constexpr uint32_t kHttpAddReqFlagReplace = 0x80000000;

// HttpQueryInfoW levels and flags.
constexpr uint32_t kHttpQueryContentType = 1;
constexpr uint32_t kHttpQueryContentLength = 5;
constexpr uint32_t kHttpQueryVersion = 18;
constexpr uint32_t kHttpQueryStatusCode = 19;
constexpr uint32_t kHttpQueryStatusText = 20;
constexpr uint32_t kHttpQueryRawHeadersCrlf = 22;
constexpr uint32_t kHttpQueryCustom = 65535;
constexpr uint32_t kHttpQueryFlagNumber = 0x20000000;
constexpr uint32_t kHttpQueryModifierMask = 0xF0000000;

// Win32 and WinINet error numbers the port reports.
constexpr uint32_t kErrInternetInvalidHandle = 6;        // ERROR_INVALID_HANDLE
constexpr uint32_t kErrInternetInvalidParameter = 87;    // ERROR_INVALID_PARAMETER
constexpr uint32_t kErrInternetInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
constexpr uint32_t kErrInternetOutOfHandles = 12001;
constexpr uint32_t kErrInternetTimeout = 12002;
constexpr uint32_t kErrInternetInternalError = 12004;
constexpr uint32_t kErrInternetNameNotResolved = 12007;
constexpr uint32_t kErrInternetInvalidOption = 12009;
constexpr uint32_t kErrInternetIncorrectHandleType = 12018;
constexpr uint32_t kErrInternetIncorrectHandleState = 12019;
constexpr uint32_t kErrInternetCannotConnect = 12029;
constexpr uint32_t kErrInternetConnectionAborted = 12030;
constexpr uint32_t kErrInternetConnectionReset = 12031;
constexpr uint32_t kErrHttpHeaderNotFound = 12150;
constexpr uint32_t kErrHttpInvalidServerResponse = 12152;
constexpr uint32_t kErrHttpInvalidHeader = 12153;
constexpr uint32_t kErrHttpInvalidQueryRequest = 12154;
constexpr uint32_t kErrHttpHeaderAlreadyExists = 12155;
constexpr uint32_t kErrInternetSecurityChannelError = 12157;

class Internet {
 public:
  virtual ~Internet() = default;

  // InternetOpenW(agent, access_type, proxy, proxy_bypass, flags). Empty
  // proxy texts stand for NULL. kNullInternetHandle on failure.
  virtual InternetHandle Open(const std::u16string& agent, uint32_t access_type,
                              const std::u16string& proxy, const std::u16string& proxy_bypass,
                              uint32_t flags) = 0;
  // InternetConnectW(internet, server, port, user, password, service, flags,
  // 0). Nothing goes on the wire yet: the request connects when it is sent.
  virtual InternetHandle Connect(InternetHandle internet, const std::u16string& server,
                                 uint16_t port, const std::u16string& user,
                                 const std::u16string& password, uint32_t service,
                                 uint32_t flags) = 0;
  // InternetSetOptionW with a text option (proxy user name and password) or
  // a 32-bit one (time-outs).
  virtual bool SetOptionText(InternetHandle h, uint32_t option, const std::u16string& value) = 0;
  virtual bool SetOptionNumber(InternetHandle h, uint32_t option, uint32_t value) = 0;
  // HttpOpenRequestA(connection, verb, object, version, referrer or NULL when
  // empty, accept_types, flags, 0).
  virtual InternetHandle OpenRequest(InternetHandle connection, const std::string& verb,
                                     const std::string& object_name, const std::string& version,
                                     const std::string& referrer,
                                     const std::vector<std::string>& accept_types,
                                     uint32_t flags) = 0;
  // HttpAddRequestHeadersA(request, headers, -1, modifiers): one or more
  // "Name: value" lines, each ended by CR LF (the last one may lack it).
  virtual bool AddRequestHeaders(InternetHandle request, const std::string& headers,
                                 uint32_t modifiers) = 0;
  // HttpSendRequestExW with an INTERNET_BUFFERS that announces total_length
  // body bytes and carries nothing else: sends the request head; the body
  // follows with Write.
  virtual bool SendRequestEx(InternetHandle request, uint32_t total_length) = 0;
  // InternetWriteFile: *written gets the number of bytes taken.
  virtual bool Write(InternetHandle request, const uint8_t* data, uint32_t length,
                     uint32_t* written) = 0;
  // HttpEndRequestW: ends the body and reads the response head.
  virtual bool EndRequest(InternetHandle request) = 0;
  // HttpQueryInfoW(request, info_level, buffer, *buffer_length, index).
  // Text answers are UTF-16 with a terminator; *buffer_length is in bytes
  // (on success without the terminator; with ERROR_INSUFFICIENT_BUFFER the
  // size needed, terminator included). With kHttpQueryFlagNumber the answer
  // is a 32-bit number. For kHttpQueryCustom the buffer holds the header
  // name on entry. index may be null; otherwise it selects the occurrence
  // and is advanced on success. kErrHttpHeaderNotFound when absent.
  virtual bool QueryInfo(InternetHandle request, uint32_t info_level, void* buffer,
                         uint32_t* buffer_length, uint32_t* index) = 0;
  // InternetReadFile: *read = 0 with success at the end of the body.
  virtual bool Read(InternetHandle request, uint8_t* buffer, uint32_t length,
                    uint32_t* read) = 0;
  // InternetCloseHandle.
  virtual bool Close(InternetHandle h) = 0;
  // GetLastError after a failed call.
  virtual uint32_t LastError() = 0;
};

// The system's implementation, chosen by the build: natively an HTTP/1.1
// client of our own over `sockets` (plain HTTP only; a secure request fails
// with kErrInternetSecurityChannelError); on Windows wininet.dll, which
// does not use `sockets`. `sockets` must outlive the port.
std::unique_ptr<Internet> NewSystemInternet(Sockets& sockets);

}  // namespace tw

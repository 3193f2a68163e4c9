// The internet port as a small HTTP/1.1 client over the sockets port: one
// TCP connection per request, opened when the request is sent and closed
// with the request handle. Plain HTTP only.
#include <map>
#include <mutex>

#include "platform/internet.h"
#include "platform/posix/internet/http_wire.h"
#include "platform/sockets.h"

namespace tw {
namespace {

thread_local uint32_t g_last_error = 0;

constexpr uint32_t kDefaultConnectTimeoutMs = 60000;
constexpr uint32_t kDefaultSendTimeoutMs = 30000;
constexpr uint32_t kDefaultReceiveTimeoutMs = 30000;
constexpr size_t kSendGather = 64 * 1024;

std::string Utf16ToLatin1OrUtf8(const std::u16string& s) {
  // Host names, agents and proxy texts: ASCII in practice; anything else
  // goes out as UTF-8.
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Base64(const std::string& in) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    uint32_t v = uint32_t(uint8_t(in[i])) << 16 | uint32_t(uint8_t(in[i + 1])) << 8 | uint8_t(in[i + 2]);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  if (i < in.size()) {
    uint32_t v = uint32_t(uint8_t(in[i])) << 16;
    if (i + 1 < in.size()) v |= uint32_t(uint8_t(in[i + 1])) << 8;
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < in.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool IsTokenText(const std::string& s) {
  if (s.empty()) return false;
  for (unsigned char c : s)
    if (c <= 0x20 || c >= 0x7F || c == ':' || c == '(' || c == ')' || c == ',' || c == ';' ||
        c == '<' || c == '>' || c == '@' || c == '[' || c == ']' || c == '\\' || c == '"' ||
        c == '/' || c == '?' || c == '=' || c == '{' || c == '}')
      return false;
  return true;
}

bool HasLineBreakOrNul(const std::string& s) {
  for (char c : s)
    if (c == '\r' || c == '\n' || c == '\0') return true;
  return false;
}

enum class Kind { kInternet, kConnection, kRequest };
enum class RequestState { kOpen, kSending, kAnswered };

struct Node {
  Kind kind = Kind::kInternet;
  InternetHandle parent = kNullInternetHandle;
  std::vector<InternetHandle> children;
  uint32_t connect_timeout = kDefaultConnectTimeoutMs;
  uint32_t send_timeout = kDefaultSendTimeoutMs;
  uint32_t receive_timeout = kDefaultReceiveTimeoutMs;

  // Internet handle.
  std::string agent;
  bool use_proxy = false;
  std::string proxy_host;
  uint16_t proxy_port = 80;

  // Connection handle (requests copy these when they are made).
  std::string server;
  uint16_t port = 80;
  std::u16string proxy_user;
  std::u16string proxy_password;

  // Request handle.
  std::string verb, object_name, version;
  std::vector<std::string> accept_types;
  uint32_t flags = 0;
  std::vector<http::HeaderField> headers;
  RequestState state = RequestState::kOpen;
  SocketHandle socket = kInvalidSocket;
  uint64_t body_total = 0;
  uint64_t body_written = 0;
  std::string unsent;    // request bytes gathered for one send
  std::string received;  // answer bytes not yet handed out
  http::ResponseHead head;
  http::BodyFraming framing;
  http::ChunkedDecoder chunked;
  bool body_done = false;
};

class SocketInternet final : public Internet {
 public:
  explicit SocketInternet(Sockets& sockets) : sockets_(sockets) {}
  ~SocketInternet() override {
    for (auto& entry : nodes_)
      if (entry.second->socket != kInvalidSocket) sockets_.CloseSocket(entry.second->socket);
  }

  InternetHandle Open(const std::u16string& agent, uint32_t access_type,
                      const std::u16string& proxy, const std::u16string& proxy_bypass,
                      uint32_t flags) override {
    auto node = std::make_unique<Node>();
    node->kind = Kind::kInternet;
    node->agent = Utf16ToLatin1OrUtf8(agent);
    if (HasLineBreakOrNul(node->agent)) return Fail(kErrInternetInvalidParameter), 0;
    if (access_type == kInternetOpenTypeProxy) {
      if (!ParseProxy(Utf16ToLatin1OrUtf8(proxy), node.get()))
        return Fail(kErrInternetInvalidParameter), 0;
    } else if (access_type != kInternetOpenTypePreconfig && access_type != kInternetOpenTypeDirect) {
      return Fail(kErrInternetInvalidParameter), 0;
    }
    return Add(std::move(node), kNullInternetHandle);
  }

  InternetHandle Connect(InternetHandle internet, const std::u16string& server, uint16_t port,
                         const std::u16string& user, const std::u16string& password,
                         uint32_t service, uint32_t flags) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* parent = Find(internet, Kind::kInternet);
    if (!parent) return 0;
    if (service != kInternetServiceHttp) return Fail(kErrInternetInvalidParameter), 0;
    std::string host = Utf16ToLatin1OrUtf8(server);
    if (host.empty() || HasLineBreakOrNul(host) || host.find(' ') != std::string::npos ||
        host.find('/') != std::string::npos)
      return Fail(kErrInternetNameNotResolved), 0;
    auto node = std::make_unique<Node>();
    node->kind = Kind::kConnection;
    Inherit(*parent, node.get());
    node->server = host;
    node->port = port == 0 ? kInternetDefaultHttpPort : port;
    return AddLocked(std::move(node), internet);
  }

  bool SetOptionText(InternetHandle h, uint32_t option, const std::u16string& value) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(h);
    if (!node) return false;
    if (option != kInternetOptionProxyUsername && option != kInternetOptionProxyPassword)
      return Fail(kErrInternetInvalidOption);
    if (node->kind == Kind::kInternet) return Fail(kErrInternetIncorrectHandleType);
    (option == kInternetOptionProxyUsername ? node->proxy_user : node->proxy_password) = value;
    return true;
  }

  bool SetOptionNumber(InternetHandle h, uint32_t option, uint32_t value) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(h);
    if (!node) return false;
    switch (option) {
      case kInternetOptionConnectTimeout: node->connect_timeout = value; return true;
      case kInternetOptionSendTimeout: node->send_timeout = value; return true;
      case kInternetOptionReceiveTimeout: node->receive_timeout = value; return true;
      default: return Fail(kErrInternetInvalidOption);
    }
  }

  InternetHandle OpenRequest(InternetHandle connection, const std::string& verb,
                             const std::string& object_name, const std::string& version,
                             const std::string& referrer,
                             const std::vector<std::string>& accept_types,
                             uint32_t flags) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* parent = Find(connection, Kind::kConnection);
    if (!parent) return 0;
    std::string target = object_name.empty() ? "/" : object_name;
    // Text that would break the request line is refused, not sent.
    if (!IsTokenText(verb.empty() ? std::string("GET") : verb) || HasLineBreakOrNul(target) ||
        target.find(' ') != std::string::npos || HasLineBreakOrNul(referrer))
      return Fail(kErrInternetInvalidParameter), 0;
    auto node = std::make_unique<Node>();
    node->kind = Kind::kRequest;
    Inherit(*parent, node.get());
    node->agent = Find(parent->parent)->agent;
    node->use_proxy = Find(parent->parent)->use_proxy;
    node->proxy_host = Find(parent->parent)->proxy_host;
    node->proxy_port = Find(parent->parent)->proxy_port;
    node->server = parent->server;
    node->port = parent->port;
    node->proxy_user = parent->proxy_user;
    node->proxy_password = parent->proxy_password;
    node->verb = verb.empty() ? "GET" : verb;
    node->object_name = target[0] == '/' ? target : "/" + target;
    node->version = version.empty() ? "HTTP/1.1" : version;
    for (const std::string& type : accept_types) {
      if (HasLineBreakOrNul(type)) return Fail(kErrInternetInvalidParameter), 0;
      node->accept_types.push_back(type);
    }
    node->flags = flags;
    if (!referrer.empty()) node->headers.push_back({"Referer", referrer});
    return AddLocked(std::move(node), connection);
  }

  bool AddRequestHeaders(InternetHandle request, const std::string& headers,
                         uint32_t modifiers) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(request, Kind::kRequest);
    if (!node) return false;
    if (node->state != RequestState::kOpen) return Fail(kErrInternetIncorrectHandleState);
    std::vector<http::HeaderField> parsed;
    size_t pos = 0;
    while (pos < headers.size()) {
      size_t end = headers.find('\n', pos);
      std::string line = headers.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
      pos = end == std::string::npos ? headers.size() : end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      size_t colon = line.find(':');
      if (colon == std::string::npos) return Fail(kErrInternetInvalidParameter);
      std::string name = line.substr(0, colon);
      size_t v = colon + 1;
      while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
      std::string value = line.substr(v);
      if (!IsTokenText(name) || HasLineBreakOrNul(value)) return Fail(kErrInternetInvalidParameter);
      parsed.push_back({name, value});
    }
    if (parsed.empty()) return Fail(kErrInternetInvalidParameter);
    for (http::HeaderField& field : parsed) {
      auto same = [&](const http::HeaderField& f) { return http::EqualsNoCaseAscii(f.name, field.name); };
      bool exists = false;
      for (const auto& f : node->headers) exists = exists || same(f);
      if ((modifiers & kHttpAddReqFlagAddIfNew) && exists) return Fail(kErrHttpHeaderAlreadyExists);
      if (modifiers & kHttpAddReqFlagReplace) {
        for (auto it = node->headers.begin(); it != node->headers.end();)
          it = same(*it) ? node->headers.erase(it) : it + 1;
        if (!exists && !(modifiers & kHttpAddReqFlagAdd)) continue;
      }
      node->headers.push_back(std::move(field));
    }
    return true;
  }

  bool SendRequestEx(InternetHandle request, uint32_t total_length) override {
    Node* node = FindUnlocked(request, Kind::kRequest);
    if (!node) return false;
    if (node->state != RequestState::kOpen) return Fail(kErrInternetIncorrectHandleState);
    if (node->flags & kInternetFlagSecure) return Fail(kErrInternetSecurityChannelError);
    uint32_t error = OpenSocket(node);
    if (error) return Fail(error);
    node->body_total = total_length;
    node->body_written = 0;
    node->unsent = RequestHead(*node);
    node->state = RequestState::kSending;
    return true;
  }

  bool Write(InternetHandle request, const uint8_t* data, uint32_t length,
             uint32_t* written) override {
    Node* node = FindUnlocked(request, Kind::kRequest);
    if (!node) return false;
    if (!written || (!data && length)) return Fail(kErrInternetInvalidParameter);
    *written = 0;
    if (node->state != RequestState::kSending) return Fail(kErrInternetIncorrectHandleState);
    // More than announced would be read by the server as the next request.
    if (length > node->body_total - node->body_written) return Fail(kErrInternetInvalidParameter);
    // Small writes are gathered: one send per write would cost a system
    // call and a segment for every 1 KiB of a long form.
    node->unsent.append(reinterpret_cast<const char*>(data), length);
    if (node->unsent.size() >= kSendGather) {
      uint32_t error = Flush(node);
      if (error) return Fail(error);
    }
    node->body_written += length;
    *written = length;
    return true;
  }

  bool EndRequest(InternetHandle request) override {
    Node* node = FindUnlocked(request, Kind::kRequest);
    if (!node) return false;
    if (node->state != RequestState::kSending) return Fail(kErrInternetIncorrectHandleState);
    if (node->body_written != node->body_total) return Fail(kErrInternetIncorrectHandleState);
    uint32_t sent = Flush(node);
    if (sent) return Fail(sent);
    for (;;) {
      long used = http::ParseResponseHead(node->received.data(), node->received.size(), &node->head);
      if (used == http::kMalformed) return Fail(kErrHttpInvalidServerResponse);
      if (used > 0) {
        node->received.erase(0, static_cast<size_t>(used));
        // Interim answers (100 Continue) precede the real one.
        if (node->head.status >= 100 && node->head.status < 200) continue;
        break;
      }
      bool closed = false;
      uint32_t error = ReceiveMore(node, &closed);
      if (error) return Fail(error);
      if (closed)
        return Fail(node->received.empty() ? kErrInternetConnectionAborted
                                           : kErrHttpInvalidServerResponse);
    }
    if (http::EqualsNoCaseAscii(node->verb, "HEAD")) {
      node->framing = http::BodyFraming();
    } else if (!http::DetermineFraming(node->head, &node->framing)) {
      return Fail(kErrHttpInvalidServerResponse);
    }
    node->body_done = node->framing.kind == http::BodyKind::kNone ||
                      (node->framing.kind == http::BodyKind::kLength && node->framing.length == 0);
    node->state = RequestState::kAnswered;
    return true;
  }

  bool QueryInfo(InternetHandle request, uint32_t info_level, void* buffer,
                 uint32_t* buffer_length, uint32_t* index) override {
    Node* node = FindUnlocked(request, Kind::kRequest);
    if (!node) return false;
    if (!buffer_length) return Fail(kErrInternetInvalidParameter);
    if (node->state != RequestState::kAnswered) return Fail(kErrInternetIncorrectHandleState);
    uint32_t modifiers = info_level & kHttpQueryModifierMask;
    if (modifiers & ~kHttpQueryFlagNumber) return Fail(kErrHttpInvalidQueryRequest);
    uint32_t level = info_level & 0xFFFF;
    uint32_t occurrence = index ? *index : 0;
    std::string value;
    bool is_header = true;
    switch (level) {
      case kHttpQueryStatusCode:
        value = std::to_string(node->head.status);
        is_header = false;
        break;
      case kHttpQueryStatusText:
        value = node->head.reason;
        is_header = false;
        break;
      case kHttpQueryVersion:
        value = "HTTP/" + std::to_string(node->head.major) + "." + std::to_string(node->head.minor);
        is_header = false;
        break;
      case kHttpQueryRawHeadersCrlf:
        value = node->head.raw;
        is_header = false;
        break;
      case kHttpQueryContentType:
      case kHttpQueryContentLength:
      case kHttpQueryCustom: {
        std::string name;
        if (level == kHttpQueryContentType) {
          name = "Content-Type";
        } else if (level == kHttpQueryContentLength) {
          name = "Content-Length";
        } else {
          if (!buffer) return Fail(kErrInternetInvalidParameter);
          const char16_t* text = static_cast<const char16_t*>(buffer);
          uint32_t units = *buffer_length / 2;
          std::u16string wide;
          for (uint32_t i = 0; i < units && text[i]; ++i) wide += text[i];
          name = Utf16ToLatin1OrUtf8(wide);
        }
        if (!http::FindField(node->head, name, occurrence, &value))
          return Fail(kErrHttpHeaderNotFound);
        break;
      }
      default:
        return Fail(kErrHttpInvalidQueryRequest);
    }
    if (modifiers & kHttpQueryFlagNumber) {
      uint64_t number = 0;
      size_t i = 0;
      for (; i < value.size() && value[i] >= '0' && value[i] <= '9' && i < 10; ++i)
        number = number * 10 + static_cast<uint64_t>(value[i] - '0');
      if (i == 0 || number > 0xFFFFFFFFu) return Fail(kErrHttpInvalidHeader);
      if (!buffer || *buffer_length < 4) {
        *buffer_length = 4;
        return Fail(kErrInternetInsufficientBuffer);
      }
      uint32_t n = static_cast<uint32_t>(number);
      *static_cast<uint32_t*>(buffer) = n;
      *buffer_length = 4;
    } else {
      // Header bytes are taken as Latin-1, one character each.
      uint64_t need = (static_cast<uint64_t>(value.size()) + 1) * 2;
      if (need > 0xFFFFFFFFu) return Fail(kErrHttpInvalidHeader);
      if (!buffer || *buffer_length < need) {
        *buffer_length = static_cast<uint32_t>(need);
        return Fail(kErrInternetInsufficientBuffer);
      }
      char16_t* out = static_cast<char16_t*>(buffer);
      for (size_t i = 0; i < value.size(); ++i) out[i] = static_cast<unsigned char>(value[i]);
      out[value.size()] = 0;
      *buffer_length = static_cast<uint32_t>(value.size() * 2);
    }
    if (index && is_header) ++*index;
    return true;
  }

  bool Read(InternetHandle request, uint8_t* buffer, uint32_t length, uint32_t* read) override {
    Node* node = FindUnlocked(request, Kind::kRequest);
    if (!node) return false;
    if (!read || (!buffer && length)) return Fail(kErrInternetInvalidParameter);
    *read = 0;
    if (node->state != RequestState::kAnswered) return Fail(kErrInternetIncorrectHandleState);
    while (*read == 0 && length > 0 && !node->body_done) {
      uint32_t got = 0;
      uint32_t error = TakeBody(node, buffer, length, &got);
      if (error) return Fail(error);
      *read = got;
      if (got || node->body_done) break;
      bool closed = false;
      error = ReceiveMore(node, &closed);
      if (error) return Fail(error);
      if (closed) {
        if (node->framing.kind != http::BodyKind::kUntilClose)
          return Fail(kErrInternetConnectionAborted);  // the body was cut short
        node->body_done = true;
      }
    }
    return true;
  }

  bool Close(InternetHandle h) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Find(h)) return false;
    CloseTree(h);
    return true;
  }

  uint32_t LastError() override { return g_last_error; }

 private:
  static bool Fail(uint32_t error) {
    g_last_error = error;
    return false;
  }

  static bool ParseProxy(std::string proxy, Node* node) {
    // "host:port", optionally "http=host:port" or "http://host:port".
    size_t eq = proxy.find('=');
    if (eq != std::string::npos) proxy = proxy.substr(eq + 1);
    if (proxy.compare(0, 7, "http://") == 0) proxy = proxy.substr(7);
    size_t space = proxy.find_first_of(" ;");
    if (space != std::string::npos) proxy = proxy.substr(0, space);
    while (!proxy.empty() && proxy.back() == '/') proxy.pop_back();
    size_t colon = proxy.rfind(':');
    uint32_t port = 80;
    if (colon != std::string::npos) {
      std::string digits = proxy.substr(colon + 1);
      if (digits.empty() || digits.size() > 5) return false;
      port = 0;
      for (char c : digits) {
        if (c < '0' || c > '9') return false;
        port = port * 10 + static_cast<uint32_t>(c - '0');
      }
      if (port == 0 || port > 65535) return false;
      proxy = proxy.substr(0, colon);
    }
    if (proxy.empty()) return false;
    node->use_proxy = true;
    node->proxy_host = proxy;
    node->proxy_port = static_cast<uint16_t>(port);
    return true;
  }

  static void Inherit(const Node& parent, Node* child) {
    child->connect_timeout = parent.connect_timeout;
    child->send_timeout = parent.send_timeout;
    child->receive_timeout = parent.receive_timeout;
  }

  InternetHandle Add(std::unique_ptr<Node> node, InternetHandle parent) {
    std::lock_guard<std::mutex> lock(mutex_);
    return AddLocked(std::move(node), parent);
  }
  InternetHandle AddLocked(std::unique_ptr<Node> node, InternetHandle parent) {
    InternetHandle h = next_handle_;
    next_handle_ += 4;
    node->parent = parent;
    if (parent) nodes_[parent]->children.push_back(h);
    nodes_[h] = std::move(node);
    return h;
  }

  Node* Find(InternetHandle h) {
    auto it = nodes_.find(h);
    if (it == nodes_.end()) {
      Fail(kErrInternetInvalidHandle);
      return nullptr;
    }
    return it->second.get();
  }
  Node* Find(InternetHandle h, Kind kind) {
    Node* node = Find(h);
    if (node && node->kind != kind) {
      Fail(kErrInternetIncorrectHandleType);
      return nullptr;
    }
    return node;
  }
  // Requests do their network work without the table lock: a handle is
  // used by one thread at a time, and nodes do not move in the map.
  Node* FindUnlocked(InternetHandle h, Kind kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Find(h, kind);
  }

  void CloseTree(InternetHandle h) {
    auto it = nodes_.find(h);
    if (it == nodes_.end()) return;
    std::unique_ptr<Node> node = std::move(it->second);
    nodes_.erase(it);
    for (InternetHandle child : node->children) CloseTree(child);
    if (node->socket != kInvalidSocket) sockets_.CloseSocket(node->socket);
    auto parent = nodes_.find(node->parent);
    if (parent != nodes_.end()) {
      auto& siblings = parent->second->children;
      for (auto s = siblings.begin(); s != siblings.end(); ++s)
        if (*s == h) {
          siblings.erase(s);
          break;
        }
    }
  }

  uint32_t MapSocketError(int wsa, uint32_t otherwise) {
    switch (wsa) {
      case kWsaETimedOut: return kErrInternetTimeout;
      case kWsaEConnReset: return kErrInternetConnectionReset;
      case kWsaEConnAborted:
      case kWsaEShutdown:
      case kWsaENotConn: return kErrInternetConnectionAborted;
      default: return otherwise;
    }
  }

  uint32_t OpenSocket(Node* node) {
    const std::string& host = node->use_proxy ? node->proxy_host : node->server;
    uint16_t port = node->use_proxy ? node->proxy_port : node->port;
    std::vector<uint32_t> addresses;
    uint32_t literal = sockets_.InetAddr(host);
    if (literal != kInaddrNone || host == "255.255.255.255") {
      addresses.push_back(literal);
    } else if (!sockets_.GetHostByName(host, &addresses) || addresses.empty()) {
      return kErrInternetNameNotResolved;
    }
    uint32_t error = kErrInternetCannotConnect;
    for (uint32_t address : addresses) {
      error = ConnectOne(node, address, HostToNet16(port));
      if (!error) return 0;
    }
    return error;
  }

  uint32_t ConnectOne(Node* node, uint32_t address, uint16_t port) {
    SocketHandle s = sockets_.Socket(kAfInet, kSockStream, 0);
    if (s == kInvalidSocket) return kErrInternetInternalError;
    uint32_t error = 0;
    if (sockets_.IoctlSocket(s, kFionbio, 1) != 0) {
      error = kErrInternetInternalError;
    } else if (sockets_.Connect(s, address, port) != 0) {
      int wsa = sockets_.LastError();
      if (wsa != kWsaEWouldBlock && wsa != kWsaEInProgress) {
        error = kErrInternetCannotConnect;
      } else {
        SelectSets sets;
        sets.write = true;
        sets.except = true;
        int n = sockets_.Select(s, &sets, node->connect_timeout);
        if (n == 0) error = kErrInternetTimeout;
        else if (n < 0 || sets.except || !sets.write || sockets_.GetSocketError(s) != 0)
          error = kErrInternetCannotConnect;
      }
    }
    // A request's last piece must not wait for the acknowledgement of the
    // ones before it (a delayed acknowledgement costs tens of milliseconds).
    if (!error) sockets_.SetSockOpt(s, kTcpNoDelay, 1);
    if (!error && (sockets_.IoctlSocket(s, kFionbio, 0) != 0 ||
                   sockets_.SetSockOpt(s, kSoSndTimeo, node->send_timeout) != 0 ||
                   sockets_.SetSockOpt(s, kSoRcvTimeo, node->receive_timeout) != 0))
      error = kErrInternetInternalError;
    if (error) {
      sockets_.CloseSocket(s);
      return error;
    }
    node->socket = s;
    return 0;
  }

  static bool HasHeader(const Node& node, const char* name) {
    for (const auto& f : node.headers)
      if (http::EqualsNoCaseAscii(f.name, name)) return true;
    return false;
  }

  std::string RequestHead(const Node& node) {
    std::string host = node.server;
    if (node.port != kInternetDefaultHttpPort) host += ":" + std::to_string(node.port);
    std::string target = node.object_name;
    if (node.use_proxy) target = "http://" + host + target;
    std::string head = node.verb + " " + target + " " + node.version + "\r\n";
    if (!HasHeader(node, "Host")) head += "Host: " + host + "\r\n";
    if (!node.agent.empty() && !HasHeader(node, "User-Agent"))
      head += "User-Agent: " + node.agent + "\r\n";
    if (!node.accept_types.empty() && !HasHeader(node, "Accept")) {
      head += "Accept: ";
      for (size_t i = 0; i < node.accept_types.size(); ++i)
        head += (i ? ", " : "") + node.accept_types[i];
      head += "\r\n";
    }
    if ((node.flags & kInternetFlagPragmaNoCache) && !HasHeader(node, "Pragma"))
      head += "Pragma: no-cache\r\n";
    if (node.use_proxy && !node.proxy_user.empty() && !node.proxy_password.empty())
      head += "Proxy-Authorization: Basic " +
              Base64(Utf16ToLatin1OrUtf8(node.proxy_user) + ":" +
                     Utf16ToLatin1OrUtf8(node.proxy_password)) +
              "\r\n";
    for (const auto& f : node.headers) {
      // The body length is ours to state; a second one would break framing.
      if (http::EqualsNoCaseAscii(f.name, "Content-Length") ||
          http::EqualsNoCaseAscii(f.name, "Transfer-Encoding"))
        continue;
      head += f.name + ": " + f.value + "\r\n";
    }
    head += "Content-Length: " + std::to_string(node.body_total) + "\r\n\r\n";
    return head;
  }

  uint32_t Flush(Node* node) {
    uint32_t error = SendAll(node, reinterpret_cast<const uint8_t*>(node->unsent.data()),
                             node->unsent.size());
    node->unsent.clear();
    return error;
  }

  uint32_t SendAll(Node* node, const uint8_t* data, size_t length) {
    while (length > 0) {
      int chunk = length > (1u << 20) ? (1 << 20) : static_cast<int>(length);
      int n = sockets_.Send(node->socket, data, chunk);
      if (n <= 0) return MapSocketError(sockets_.LastError(), kErrInternetConnectionAborted);
      data += n;
      length -= static_cast<size_t>(n);
    }
    return 0;
  }

  uint32_t ReceiveMore(Node* node, bool* closed) {
    uint8_t buffer[16384];
    int n = sockets_.Recv(node->socket, buffer, sizeof buffer);
    if (n < 0) return MapSocketError(sockets_.LastError(), kErrInternetConnectionAborted);
    *closed = n == 0;
    node->received.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
    return 0;
  }

  // Hands out body bytes already received.
  uint32_t TakeBody(Node* node, uint8_t* buffer, uint32_t length, uint32_t* got) {
    *got = 0;
    const uint8_t* in = reinterpret_cast<const uint8_t*>(node->received.data());
    size_t available = node->received.size();
    switch (node->framing.kind) {
      case http::BodyKind::kNone:
        node->body_done = true;
        return 0;
      case http::BodyKind::kLength: {
        uint64_t n = node->framing.length;
        if (n > available) n = available;
        if (n > length) n = length;
        for (size_t i = 0; i < n; ++i) buffer[i] = in[i];
        node->received.erase(0, static_cast<size_t>(n));
        node->framing.length -= n;
        node->body_done = node->framing.length == 0;
        *got = static_cast<uint32_t>(n);
        return 0;
      }
      case http::BodyKind::kUntilClose: {
        size_t n = available < length ? available : length;
        for (size_t i = 0; i < n; ++i) buffer[i] = in[i];
        node->received.erase(0, n);
        *got = static_cast<uint32_t>(n);
        return 0;
      }
      case http::BodyKind::kChunked: {
        size_t consumed = 0, produced = 0;
        auto result = node->chunked.Decode(in, available, &consumed, buffer, length, &produced);
        node->received.erase(0, consumed);
        *got = static_cast<uint32_t>(produced);
        if (result == http::ChunkedDecoder::Result::kError) return kErrHttpInvalidServerResponse;
        node->body_done = result == http::ChunkedDecoder::Result::kDone;
        return 0;
      }
    }
    return 0;
  }

  Sockets& sockets_;
  std::mutex mutex_;
  std::map<InternetHandle, std::unique_ptr<Node>> nodes_;
  InternetHandle next_handle_ = 0xCC0004;
};

}  // namespace

std::unique_ptr<Internet> NewSystemInternet(Sockets& sockets) {
  return std::make_unique<SocketInternet>(sockets);
}

}  // namespace tw

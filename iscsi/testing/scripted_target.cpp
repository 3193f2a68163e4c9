#include "iscsi/testing/scripted_target.h"

#include <cstring>

namespace tw {
namespace testing {
namespace {

const uint32_t kLoopback = HostToNet32(0x7F000001);

}  // namespace

Bytes TextData(const Keys& keys) {
  Bytes out;
  for (const auto& [k, v] : keys) {
    out.insert(out.end(), k.begin(), k.end());
    out.push_back('=');
    out.insert(out.end(), v.begin(), v.end());
    out.push_back(0);
  }
  return out;
}

uint32_t Request::U32(size_t offset) const { return GetU32BE(bhs, offset); }

Keys Request::keys() const {
  Keys out;
  size_t i = 0;
  while (i < data.size()) {
    size_t end = i;
    while (end < data.size() && data[end] != 0) ++end;
    std::string entry(data.begin() + static_cast<std::ptrdiff_t>(i),
                      data.begin() + static_cast<std::ptrdiff_t>(end));
    if (!entry.empty()) {
      size_t eq = entry.find('=');
      out.emplace_back(entry.substr(0, eq), eq == std::string::npos ? "" : entry.substr(eq + 1));
    }
    i = end + 1;
  }
  return out;
}

std::string Request::Key(const std::string& key) const {
  for (const auto& [k, v] : keys())
    if (k == key) return v;
  return "<absent>";
}

Bytes Pdu(const PduSpec& shape) {
  const size_t ahs = size_t{4} * shape.ahsWords;
  const size_t padded = (shape.data.size() + 3) & ~size_t{3};
  Bytes out(48 + ahs + padded, 0);
  out[0] = shape.opcode;
  out[1] = shape.flags;
  out[2] = shape.byte2;
  out[4] = shape.ahsWords;
  PutU24BE(out, 5, shape.dataLengthField >= 0 ? static_cast<uint32_t>(shape.dataLengthField)
                                             : static_cast<uint32_t>(shape.data.size()));
  PutU32BE(out, 16, shape.itt);
  PutU32BE(out, 20, shape.ttt);
  PutU32BE(out, 24, shape.statSN);
  out[36] = shape.statusClass;
  out[37] = shape.statusDetail;
  std::copy(shape.data.begin(), shape.data.end(), out.begin() + static_cast<std::ptrdiff_t>(48 + ahs));
  return out;
}

Bytes LoginResponse(uint8_t flags, const Keys& keys, uint8_t statusClass) {
  PduSpec s;
  s.opcode = 0x23;
  s.flags = flags;
  s.statusClass = statusClass;
  s.ttt = 0;
  s.data = TextData(keys);
  return Pdu(s);
}

Bytes TextResponse(const Bytes& data, bool last) {
  PduSpec s;
  s.opcode = 0x24;
  s.flags = last ? 0x80 : 0x40;
  s.ttt = last ? 0xFFFFFFFFu : 0x00000001u;
  s.data = data;
  return Pdu(s);
}

Bytes LogoutResponse(uint8_t response) {
  PduSpec s;
  s.opcode = 0x26;
  s.flags = 0x80;
  s.byte2 = response;
  s.ttt = 0;
  return Pdu(s);
}

bool TargetConnection::ReadExactly(uint8_t* p, size_t n) {
  size_t held = 0;
  while (held < n) {
    int got = sockets_.Recv(socket_, p + held, static_cast<int>(n - held));
    if (got <= 0) return false;
    held += static_cast<size_t>(got);
  }
  return true;
}

bool TargetConnection::Read(Request* request) {
  Request r;
  r.bhs.assign(48, 0);
  if (!ReadExactly(r.bhs.data(), 48)) return false;
  const size_t ahs = size_t{4} * r.bhs[4];
  const size_t length = GetU24BE(r.bhs, 5);
  Bytes rest(ahs + ((length + 3) & ~size_t{3}));
  if (!rest.empty() && !ReadExactly(rest.data(), rest.size())) return false;
  r.data.assign(rest.begin() + static_cast<std::ptrdiff_t>(ahs),
                rest.begin() + static_cast<std::ptrdiff_t>(ahs + length));
  received_.push_back(r);
  if (request) *request = std::move(r);
  return true;
}

bool TargetConnection::Send(const Bytes& bytes) { return SendInPieces(bytes, bytes.size()); }

bool TargetConnection::SendInPieces(const Bytes& bytes, size_t chunk) {
  size_t sent = 0;
  if (chunk == 0) chunk = 1;
  while (sent < bytes.size()) {
    size_t n = bytes.size() - sent < chunk ? bytes.size() - sent : chunk;
    size_t piece = 0;
    while (piece < n) {
      int got = sockets_.Send(socket_, bytes.data() + sent + piece, static_cast<int>(n - piece));
      if (got <= 0) return false;
      piece += static_cast<size_t>(got);
    }
    sent += n;
  }
  return true;
}

bool TargetConnection::WaitForClose() {
  uint8_t buffer[512];
  for (;;) {
    int got = sockets_.Recv(socket_, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) return false;
  }
}

void TargetConnection::Close() {
  if (!closed_) sockets_.CloseSocket(socket_);
  closed_ = true;
}

ScriptedTarget::ScriptedTarget(Sockets& sockets, std::vector<Handler> handlers)
    : sockets_(sockets), handlers_(std::move(handlers)) {
  listener_ = sockets_.Socket(kAfInet, kSockStream, 0);
  uint16_t port_net = 0;
  if (listener_ == kInvalidSocket || sockets_.Bind(listener_, kLoopback, 0) != 0 ||
      sockets_.Listen(listener_, 8) != 0 ||
      sockets_.GetSockName(listener_, &address_, &port_net) != 0) {
    return;
  }
  port_ = NetToHost16(port_net);
  thread_ = std::thread([this] { Run(); });
}

void ScriptedTarget::Run() {
  for (Handler& handler : handlers_) {
    SocketHandle s = sockets_.Accept(listener_);
    if (s == kInvalidSocket) break;
    ++accepted_;
    // A script that forgets to read never hangs the suite for long.
    sockets_.SetSockOpt(s, kSoRcvTimeo, 20000);
    sockets_.SetSockOpt(s, kSoSndTimeo, 20000);
    TargetConnection connection(sockets_, s);
    handler(connection);
    requests_.push_back(connection.received());
    connection.Close();
  }
  sockets_.CloseSocket(listener_);
  listener_ = kInvalidSocket;
}

const std::vector<std::vector<Request>>& ScriptedTarget::Join() {
  if (thread_.joinable()) thread_.join();
  return requests_;
}

ScriptedTarget::~ScriptedTarget() {
  if (thread_.joinable()) {
    // Handlers still waiting for connections: connect and drop to free them.
    while (accepted_.load() < static_cast<int>(handlers_.size()) && thread_.joinable()) {
      SocketHandle s = sockets_.Socket(kAfInet, kSockStream, 0);
      bool ok = sockets_.Connect(s, kLoopback, HostToNet16(port_)) == 0;
      sockets_.CloseSocket(s);
      if (!ok) break;
    }
    thread_.join();
  }
  if (listener_ != kInvalidSocket) sockets_.CloseSocket(listener_);
}

uint16_t ClosedLoopbackPort(Sockets& sockets) {
  SocketHandle s = sockets.Socket(kAfInet, kSockStream, 0);
  uint32_t address = 0;
  uint16_t port = 0;
  sockets.Bind(s, kLoopback, 0);
  sockets.GetSockName(s, &address, &port);
  sockets.CloseSocket(s);
  return NetToHost16(port);
}

FullBacklogListener::FullBacklogListener(Sockets& sockets) : sockets_(sockets) {
  listener_ = sockets_.Socket(kAfInet, kSockStream, 0);
  uint32_t address = 0;
  uint16_t port = 0;
  sockets_.Bind(listener_, kLoopback, 0);
  sockets_.Listen(listener_, 0);
  sockets_.GetSockName(listener_, &address, &port);
  port_ = NetToHost16(port);
  // Fill the backlog with connects that are never accepted; stop once one
  // stays pending.
  for (int i = 0; i < 8; ++i) {
    SocketHandle s = sockets_.Socket(kAfInet, kSockStream, 0);
    sockets_.IoctlSocket(s, kFionbio, 1);
    sockets_.Connect(s, kLoopback, port);
    fillers_.push_back(s);
    SelectSets sets;
    sets.write = true;
    if (sockets_.Select(s, &sets, 200) == 0) break;
  }
}

FullBacklogListener::~FullBacklogListener() {
  for (SocketHandle s : fillers_) sockets_.CloseSocket(s);
  sockets_.CloseSocket(listener_);
}

}  // namespace testing
}  // namespace tw

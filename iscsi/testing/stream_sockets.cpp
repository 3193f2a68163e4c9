#include "iscsi/testing/stream_sockets.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tw {
namespace testing {

SocketHandle StreamSockets::Socket(int, int, int) {
  conns_.push_back(Conn{SIZE_MAX, 0});
  return static_cast<SocketHandle>(conns_.size());
}

StreamSockets::Conn* StreamSockets::Find(SocketHandle s) {
  if (s == 0 || s > conns_.size()) return nullptr;
  return &conns_[s - 1];
}

int StreamSockets::Connect(SocketHandle s, uint32_t, uint16_t) {
  Conn* c = Find(s);
  if (!c) return Fail(kWsaENotSock);
  c->stream = next_stream_++;
  sent_.resize(next_stream_);
  // A non-blocking connect that is under way, as Winsock reports it.
  return Fail(kWsaEWouldBlock);
}

int StreamSockets::Select(SocketHandle s, SelectSets* sets, uint32_t) {
  SelectSets got;
  got.write = sets->write;
  got.read = sets->read;
  if (got.read && patterned_) got.read = (readable_ >> (selects_++ % 8)) & 1;
  *sets = got;
  return int{got.write} + int{got.read};
}

int StreamSockets::Send(SocketHandle s, const uint8_t* data, int length) {
  Conn* c = Find(s);
  if (!c || c->stream == SIZE_MAX) return Fail(kWsaENotConn);
  Bytes& out = sent_[c->stream];
  out.insert(out.end(), data, data + length);
  return length;
}

int StreamSockets::Recv(SocketHandle s, uint8_t* data, int length) {
  Conn* c = Find(s);
  if (!c || c->stream == SIZE_MAX) return Fail(kWsaENotConn);
  static const Bytes kEmpty;
  const Bytes& in = c->stream < streams_.size() ? streams_[c->stream] : kEmpty;
  if (c->offset >= in.size()) return end_error_ ? Fail(end_error_) : 0;
  size_t n = std::min({in.size() - c->offset, piece_, static_cast<size_t>(length)});
  std::memcpy(data, in.data() + c->offset, n);
  c->offset += n;
  return static_cast<int>(n);
}

uint32_t StreamSockets::InetAddr(const std::string& dotted) {
  unsigned a, b, c, d;
  char tail;
  if (std::sscanf(dotted.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 ||
      b > 255 || c > 255 || d > 255)
    return kInaddrNone;
  return HostToNet32(a << 24 | b << 16 | c << 8 | d);
}

bool StreamSockets::GetHostByName(const std::string& name, std::vector<uint32_t>* addresses) {
  if (name == "portal.test") {
    *addresses = {HostToNet32(0x0A000005), HostToNet32(0x0A000006)};
    return true;
  }
  Fail(kWsaHostNotFound);
  return false;
}

}  // namespace testing
}  // namespace tw

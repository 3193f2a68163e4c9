// A Sockets port without a network: every socket connects at once, sends
// are recorded, and recv serves a fixed byte stream in pieces of a given
// size, then reports the peer closed (or a chosen error). Deterministic, so
// the fuzz targets and the byte-exact tests drive the initiator with it.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "platform/sockets.h"

namespace tw {
namespace testing {

class StreamSockets final : public Sockets {
 public:
  // `incoming` is what every connection receives, in order: connection i
  // gets streams[i] (an empty stream for connections past the list).
  explicit StreamSockets(std::vector<Bytes> streams, size_t piece = SIZE_MAX)
      : streams_(std::move(streams)), piece_(piece == 0 ? 1 : piece) {}

  // What recv returns once a stream is exhausted: 0 (peer closed) by
  // default, or kSocketError with this Winsock error.
  void set_end_error(int error) { end_error_ = error; }
  // What select answers for readability, one bit per call from the lowest,
  // round and round; without a pattern every socket is readable.
  void set_readable_pattern(uint8_t bits) {
    readable_ = bits;
    patterned_ = true;
  }
  // Bytes sent on each connection.
  const std::vector<Bytes>& sent() const { return sent_; }
  int connects() const { return static_cast<int>(next_stream_); }

  SocketHandle Socket(int af, int type, int protocol) override;
  int SetSockOpt(SocketHandle s, int option, uint32_t milliseconds) override { return 0; }
  int GetSocketError(SocketHandle s) override { return 0; }
  int IoctlSocket(SocketHandle s, long command, uint32_t value) override { return 0; }
  int Connect(SocketHandle s, uint32_t address, uint16_t port) override;
  int Bind(SocketHandle s, uint32_t address, uint16_t port) override { return 0; }
  int Listen(SocketHandle s, int backlog) override { return 0; }
  SocketHandle Accept(SocketHandle s) override { return Fail(kWsaEInval), kInvalidSocket; }
  int GetSockName(SocketHandle s, uint32_t* address, uint16_t* port) override { return 0; }
  int Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) override;
  int Send(SocketHandle s, const uint8_t* data, int length) override;
  int Recv(SocketHandle s, uint8_t* data, int length) override;
  int CloseSocket(SocketHandle s) override { return 0; }
  uint32_t InetAddr(const std::string& dotted) override;
  bool GetHostByName(const std::string& name, std::vector<uint32_t>* addresses) override;
  int LastError() override { return last_error_; }

 private:
  struct Conn {
    size_t stream = 0;
    size_t offset = 0;
  };
  int Fail(int e) {
    last_error_ = e;
    return kSocketError;
  }
  Conn* Find(SocketHandle s);

  std::vector<Bytes> streams_;
  size_t piece_;
  int end_error_ = 0;
  uint8_t readable_ = 0;
  bool patterned_ = false;
  unsigned selects_ = 0;
  int last_error_ = 0;
  size_t next_stream_ = 0;
  std::vector<Conn> conns_;  // indexed by handle - 1
  std::vector<Bytes> sent_;
};

}  // namespace testing
}  // namespace tw

// Sockets wrappers for tests: a forwarding base, one that records every
// select, and one that cuts connections after a number of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "platform/sockets.h"

namespace tw::testing {

// Forwards every call to another Sockets; subclasses override what they
// change.
class SocketsWrapper : public Sockets {
 public:
  explicit SocketsWrapper(Sockets& inner) : inner_(inner) {}
  SocketHandle Socket(int af, int type, int protocol) override { return BeforeCall(), inner_.Socket(af, type, protocol); }
  int SetSockOpt(SocketHandle s, int option, uint32_t ms) override { return BeforeCall(), inner_.SetSockOpt(s, option, ms); }
  int GetSocketError(SocketHandle s) override { return BeforeCall(), inner_.GetSocketError(s); }
  int IoctlSocket(SocketHandle s, long command, uint32_t value) override {
    return BeforeCall(), inner_.IoctlSocket(s, command, value);
  }
  int Connect(SocketHandle s, uint32_t address, uint16_t port) override { return BeforeCall(), inner_.Connect(s, address, port); }
  int Bind(SocketHandle s, uint32_t address, uint16_t port) override { return BeforeCall(), inner_.Bind(s, address, port); }
  int Listen(SocketHandle s, int backlog) override { return BeforeCall(), inner_.Listen(s, backlog); }
  SocketHandle Accept(SocketHandle s) override { return BeforeCall(), inner_.Accept(s); }
  int GetSockName(SocketHandle s, uint32_t* address, uint16_t* port) override {
    return BeforeCall(), inner_.GetSockName(s, address, port);
  }
  int Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) override {
    return BeforeCall(), inner_.Select(s, sets, timeout_ms);
  }
  int Send(SocketHandle s, const uint8_t* data, int length) override { return BeforeCall(), inner_.Send(s, data, length); }
  int Recv(SocketHandle s, uint8_t* data, int length) override { return BeforeCall(), inner_.Recv(s, data, length); }
  int CloseSocket(SocketHandle s) override { return BeforeCall(), inner_.CloseSocket(s); }
  uint32_t InetAddr(const std::string& dotted) override { return BeforeCall(), inner_.InetAddr(dotted); }
  bool GetHostByName(const std::string& name, std::vector<uint32_t>* addresses) override {
    return BeforeCall(), inner_.GetHostByName(name, addresses);
  }
  int LastError() override { return BeforeCall(), inner_.LastError(); }

 protected:
  // Runs before every forwarded call (a wrapper that fails calls itself
  // forgets its own last error here).
  virtual void BeforeCall() {}
  Sockets& inner_;
};

// Records each select: the sets asked for, the time-out, and what came back.
class SelectRecorder final : public SocketsWrapper {
 public:
  using SocketsWrapper::SocketsWrapper;
  struct Call {
    SelectSets asked;
    uint32_t timeout_ms;
    int result;
    SelectSets got;
  };
  int Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) override;
  std::vector<Call> calls;
};

// Cuts a connection once `limit` bytes have moved through it (received and
// sent counted apart, per socket): the call that would pass the limit moves
// only the bytes up to it, and every later call on that socket fails with
// kWsaEConnReset, as a connection the peer dropped mid-PDU.
class CuttingSockets final : public SocketsWrapper {
 public:
  enum Direction { kReceive, kSend };
  CuttingSockets(Sockets& inner, Direction direction, size_t limit)
      : SocketsWrapper(inner), direction_(direction), limit_(limit) {}
  int Send(SocketHandle s, const uint8_t* data, int length) override;
  int Recv(SocketHandle s, uint8_t* data, int length) override;
  int Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) override;
  int CloseSocket(SocketHandle s) override;
  int LastError() override;
  // Whether any connection was cut.
  bool cut() const;
  // Bytes moved in the counted direction over all connections.
  size_t total() const;

 private:
  void BeforeCall() override;
  // Bytes of `length` the call may still move on s; -1 once s was cut.
  int Allowance(SocketHandle s, Direction direction, int length);
  Direction direction_;
  size_t limit_;
  mutable std::mutex mutex_;
  std::map<SocketHandle, size_t> moved_;
  std::map<SocketHandle, bool> cut_;
  bool any_cut_ = false;
  size_t total_ = 0;
};

}  // namespace tw::testing

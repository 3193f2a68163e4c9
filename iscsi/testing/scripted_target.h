// A scripted iSCSI target on 127.0.0.1 for the tests: it listens on a port
// the system picks and runs one handler per accepted connection, in order,
// on its own thread, over the same Sockets port as the initiator (so it runs
// natively and under Wine). Handlers are straight-line scripts: read a
// request, send bytes, close or fall silent.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "platform/sockets.h"

namespace tw {
namespace testing {

using Keys = std::vector<std::pair<std::string, std::string>>;

// "k=v\0" for each pair.
Bytes TextData(const Keys& keys);

// One request PDU as the target read it.
struct Request {
  Bytes bhs;   // 48 bytes
  Bytes data;  // DataSegmentLength bytes (padding dropped)
  uint8_t opcode() const { return bhs[0]; }
  uint8_t flags() const { return bhs[1]; }
  uint32_t U32(size_t offset) const;
  // The entries of the data segment in order.
  Keys keys() const;
  // The value of the first entry with this key, or "<absent>".
  std::string Key(const std::string& key) const;
};

// Response PDUs in wire form (BHS, data, padding).
struct PduSpec {
  uint8_t opcode = 0;
  uint8_t flags = 0;
  uint8_t byte2 = 0;  // Logout Response code
  uint8_t ahsWords = 0;
  uint32_t itt = 0;
  uint32_t ttt = 0xFFFFFFFFu;
  uint32_t statSN = 0;
  uint8_t statusClass = 0;
  uint8_t statusDetail = 0;
  Bytes data;
  // DataSegmentLength to write; by default the data's size.
  int64_t dataLengthField = -1;
};
Bytes Pdu(const PduSpec& shape);
Bytes LoginResponse(uint8_t flags, const Keys& keys, uint8_t statusClass = 0);
Bytes TextResponse(const Bytes& data, bool last);
Bytes LogoutResponse(uint8_t response = 0);

class TargetConnection {
 public:
  TargetConnection(Sockets& sockets, SocketHandle s) : sockets_(sockets), socket_(s) {}
  // Reads one whole request PDU; false when the initiator closed or failed.
  bool Read(Request* request);
  bool Send(const Bytes& bytes);
  // Sends in pieces of `chunk` bytes.
  bool SendInPieces(const Bytes& bytes, size_t chunk);
  // Reads until the initiator closes (true) or an error (false).
  bool WaitForClose();
  void Close();
  std::vector<Request>& received() { return received_; }

 private:
  bool ReadExactly(uint8_t* p, size_t n);
  Sockets& sockets_;
  SocketHandle socket_;
  bool closed_ = false;
  std::vector<Request> received_;
};

class ScriptedTarget {
 public:
  using Handler = std::function<void(TargetConnection&)>;
  ScriptedTarget(Sockets& sockets, std::vector<Handler> handlers);
  ~ScriptedTarget();
  ScriptedTarget(const ScriptedTarget&) = delete;
  ScriptedTarget& operator=(const ScriptedTarget&) = delete;

  uint32_t address() const { return address_; }  // network order
  uint16_t port() const { return port_; }        // host order
  // Waits until every handler has run; the requests each connection read.
  const std::vector<std::vector<Request>>& Join();
  int connectionsAccepted() const { return accepted_.load(); }

 private:
  void Run();
  Sockets& sockets_;
  std::vector<Handler> handlers_;
  SocketHandle listener_ = kInvalidSocket;
  uint32_t address_ = 0;
  uint16_t port_ = 0;
  std::thread thread_;
  std::atomic<int> accepted_{0};
  std::vector<std::vector<Request>> requests_;
};

// A loopback port nobody listens on (connects are refused).
uint16_t ClosedLoopbackPort(Sockets& sockets);

// A listener whose backlog is full: a connect to it stays pending (the
// "silent portal"). Keeps its sockets until destroyed.
class FullBacklogListener {
 public:
  explicit FullBacklogListener(Sockets& sockets);
  ~FullBacklogListener();
  uint16_t port() const { return port_; }

 private:
  Sockets& sockets_;
  SocketHandle listener_ = kInvalidSocket;
  std::vector<SocketHandle> fillers_;
  uint16_t port_ = 0;
};

}  // namespace testing
}  // namespace tw

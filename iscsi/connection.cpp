#include "iscsi/connection.h"

#include <algorithm>

namespace tw {
namespace {

// What one recv may take beyond the PDU being read, and the most room one
// recv adds for the PDU itself: a header that announces 16 MiB costs memory
// only as the bytes come.
constexpr size_t kReadAhead = 4096;
constexpr size_t kChunk = size_t{1} << 16;

// recv until `in` holds at least `count` bytes, asking each time for what is
// missing plus `ahead` more. 0, or the caller's error (Winsock error, -1
// when the peer closed).
int Fill(Sockets& sockets, SocketHandle s, ReceiveBuffer& in, size_t count, size_t ahead) {
  while (in.held() < count) {
    if (in.begin > 0) {
      std::copy(in.bytes.begin() + static_cast<std::ptrdiff_t>(in.begin),
                in.bytes.begin() + static_cast<std::ptrdiff_t>(in.end), in.bytes.begin());
      in.end -= in.begin;
      in.begin = 0;
    }
    const size_t room = std::min(count - in.held(), kChunk) + ahead;
    if (in.bytes.size() < in.end + room) in.bytes.resize(in.end + room);
    const size_t want = std::min<size_t>(in.bytes.size() - in.end, 0x7FFFFFFF);
    int n = sockets.Recv(s, in.bytes.data() + in.end, static_cast<int>(want));
    if (n == 0) return kIscsiRejected;
    if (n < 0) {
      int e = sockets.LastError();
      return e ? e : kIscsiRejected;
    }
    in.end += static_cast<size_t>(n);
  }
  return 0;
}

std::unique_ptr<IscsiPdu> ReceiveOne(Sockets& sockets, SocketHandle s, ReceiveBuffer& in, size_t ahead,
                                     size_t maxData, int* error) {
  *error = Fill(sockets, s, in, 8, ahead);
  if (*error) return nullptr;
  const ConstByteSpan h(in.bytes.data() + in.begin, 8);
  const size_t ahs = size_t{4} * GetU8(h, bhs::kTotalAhsLength);
  const size_t data = GetU24BE(h, bhs::kDataSegmentLength);
  if (data > maxData) {
    *error = kIscsiRejected;
    return nullptr;
  }
  const size_t full = (kBhsSize + ahs + data + 3) & ~size_t{3};
  *error = Fill(sockets, s, in, full, ahead);
  if (*error) return nullptr;

  const uint8_t* at = in.bytes.data() + in.begin;
  auto pdu = std::make_unique<IscsiPdu>();
  std::copy(at, at + kBhsSize, pdu->bhs);
  pdu->ahsLength = static_cast<uint32_t>(ahs);
  pdu->ahs.assign(at + kBhsSize, at + kBhsSize + ahs);
  pdu->dataCapacity = static_cast<uint32_t>(data);
  pdu->data.assign(at + kBhsSize + ahs, at + kBhsSize + ahs + data);
  in.begin += full;
  if (in.held() == 0) {
    in.begin = in.end = 0;
    // A large PDU's room is not kept for the life of the connection.
    if (in.bytes.size() > kChunk + kReadAhead) Bytes().swap(in.bytes);
  }
  return pdu;
}

}  // namespace

SocketHandle CreateInitiatorSocket(Sockets& sockets, uint32_t ioTimeoutMs) {
  SocketHandle s = sockets.Socket(kAfInet, kSockStream, 0);
  if (s == kInvalidSocket) return kInvalidSocket;
  if (sockets.SetSockOpt(s, kSoSndTimeo, ioTimeoutMs) != 0 ||
      sockets.SetSockOpt(s, kSoRcvTimeo, ioTimeoutMs) != 0) {
    sockets.CloseSocket(s);  // LastError() still tells the failed option
    return kInvalidSocket;
  }
  return s;
}

int ConnectWithTimeout(Sockets& sockets, SocketHandle s, uint32_t address, uint16_t port,
                       uint32_t waitMs) {
  if (sockets.IoctlSocket(s, kFionbio, 1) != 0) return sockets.LastError();
  if (sockets.Connect(s, address, port) != 0 && sockets.LastError() != kWsaEWouldBlock)
    return kSocketError;
  // A refused connect shows in the except set at once; only a silent
  // portal costs the whole wait. Callers see 10061 either way.
  SelectSets sets;
  sets.write = true;
  sets.except = true;
  if (sockets.Select(s, &sets, waitMs) <= 0) return kWsaEConnRefused;
  if (sets.except) {
    sockets.GetSocketError(s);  // read, so the pending error is cleared
    return kWsaEConnRefused;
  }
  if (!sets.write) return kWsaEConnRefused;
  sockets.IoctlSocket(s, kFionbio, 0);
  return 0;
}

int OpenConnection(IscsiSession& session) {
  auto connection = std::make_unique<IscsiConnection>();
  Sockets& sockets = session.sockets;
  SocketHandle s = CreateInitiatorSocket(sockets, session.config.ioTimeoutMs);
  if (s == kInvalidSocket) {
    int e = sockets.LastError();
    return e ? e : kIscsiRejected;
  }
  connection->state = kConnConnecting;
  const uint16_t port = HostToNet16(session.params.portalPort);
  int rc = ConnectWithTimeout(sockets, s, session.params.portalAddress, port,
                              session.config.connectTimeoutMs);
  if (rc != 0) {
    sockets.CloseSocket(s);
    return rc;
  }
  connection->socket = s;
  connection->state = kConnConnected;
  connection->expStatSN = 1;
  connection->auth.authStep = 0;
  connection->address = session.params.portalAddress;
  connection->port = port;
  connection->cid = ++session.connectionCounter;
  session.current = connection.get();
  session.connections.insert(session.connections.begin(), std::move(connection));
  return 0;
}

int SendPdu(Sockets& sockets, SocketHandle s, IscsiPdu& pdu) {
  uint32_t size = 0;
  SerializePdu(pdu, nullptr, &size);
  Bytes buffer(size);
  if (size == 0 || SerializePdu(pdu, buffer.data(), &size) < 0) return kIscsiCannotBuild;
  size_t sent = 0;
  while (sent < size) {
    int n = sockets.Send(s, buffer.data() + sent, static_cast<int>(size - sent));
    if (n <= 0) {
      int e = sockets.LastError();
      return e ? e : kIscsiRejected;
    }
    sent += static_cast<size_t>(n);
  }
  return 0;
}

std::unique_ptr<IscsiPdu> ReceivePdu(IscsiSession& session, SocketHandle s, int* error) {
  const size_t maxData = session.declaredMaxRecvData;
  // A socket of the session reads ahead into its connection's buffer; any
  // other reads exactly one PDU, leaving what follows in the socket.
  ReceiveBuffer exact;
  ReceiveBuffer* in = &exact;
  size_t ahead = 0;
  for (auto& c : session.connections) {
    if (c->socket != s) continue;
    in = &c->received;
    ahead = kReadAhead;
  }
  std::unique_ptr<IscsiPdu> head = ReceiveOne(session.sockets, s, *in, ahead, maxData, error);
  if (!head) return nullptr;
  IscsiPdu* last = head.get();
  size_t chained = 1;
  while (last->Opcode() == kOpDataIn && !(last->Flags() & kFinalBit)) {
    if (chained >= kMaxDataInChain) {
      *error = kIscsiRejected;
      return nullptr;
    }
    last->next = ReceiveOne(session.sockets, s, *in, ahead, maxData, error);
    if (!last->next) return nullptr;
    last = last->next.get();
    ++chained;
  }
  *error = 0;
  return head;
}

void CloseConnection(IscsiSession& session, IscsiConnection* connection) {
  if (!connection) return;
  if (connection->socket != kInvalidSocket) session.sockets.CloseSocket(connection->socket);
  connection->socket = kInvalidSocket;
  connection->state = kConnLoggedOut;
  auto& list = session.connections;
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const std::unique_ptr<IscsiConnection>& c) {
                              return c.get() == connection;
                            }),
             list.end());
  if (session.current == connection) session.current = list.empty() ? nullptr : list.front().get();
}

IscsiSession::IscsiSession(Sockets& s, const InitiatorConfig& c, uint32_t address, uint16_t port)
    : sockets(s), config(c) {
  params.portalAddress = address;
  params.portalPort = port;
  params.initiatorName = config.initiatorName.substr(0, 255);
}

IscsiSession::~IscsiSession() {
  for (auto& c : connections)
    if (c->socket != kInvalidSocket) sockets.CloseSocket(c->socket);
}

}  // namespace tw

#include "iscsi/connection.h"

#include <algorithm>

namespace tw {
namespace {

// recv until `length` bytes are in `buffer`. 0, or the caller's error
// (Winsock error, -1 when the peer closed).
int ReceiveExactly(Sockets& sockets, SocketHandle s, uint8_t* buffer, size_t length) {
  size_t held = 0;
  while (held < length) {
    size_t want = length - held;
    if (want > 0x7FFFFFFF) want = 0x7FFFFFFF;
    int n = sockets.Recv(s, buffer + held, static_cast<int>(want));
    if (n == 0) return kIscsiRejected;
    if (n < 0) {
      int e = sockets.LastError();
      return e ? e : kIscsiRejected;
    }
    held += static_cast<size_t>(n);
  }
  return 0;
}

std::unique_ptr<IscsiPdu> ReceiveOne(Sockets& sockets, SocketHandle s, size_t maxData, int* error) {
  uint8_t head[8];
  *error = ReceiveExactly(sockets, s, head, sizeof head);
  if (*error) return nullptr;
  const ConstByteSpan h(head, sizeof head);
  const size_t ahs = size_t{4} * GetU8(h, bhs::kTotalAhsLength);
  const size_t data = GetU24BE(h, bhs::kDataSegmentLength);
  if (data > maxData) {
    *error = kIscsiRejected;
    return nullptr;
  }
  const size_t full = (kBhsSize + ahs + data + 3) & ~size_t{3};
  // The buffer grows with what arrives, so a header that announces 16 MiB
  // costs memory only when the bytes come.
  Bytes buffer(head, head + sizeof head);
  while (buffer.size() < full) {
    const size_t held = buffer.size();
    const size_t chunk = std::min(full - held, size_t{1} << 16);
    buffer.resize(held + chunk);
    *error = ReceiveExactly(sockets, s, buffer.data() + held, chunk);
    if (*error) return nullptr;
  }

  auto pdu = std::make_unique<IscsiPdu>();
  std::copy(buffer.begin(), buffer.begin() + kBhsSize, pdu->bhs);
  pdu->ahsLength = static_cast<uint32_t>(ahs);
  pdu->ahs.assign(buffer.begin() + kBhsSize, buffer.begin() + kBhsSize + ahs);
  pdu->dataCapacity = static_cast<uint32_t>(data);
  pdu->data.assign(buffer.begin() + kBhsSize + ahs, buffer.begin() + kBhsSize + ahs + data);
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
  std::unique_ptr<IscsiPdu> head = ReceiveOne(session.sockets, s, maxData, error);
  if (!head) return nullptr;
  IscsiPdu* last = head.get();
  size_t chained = 1;
  while (last->Opcode() == kOpDataIn && !(last->Flags() & kFinalBit)) {
    if (chained >= kMaxDataInChain) {
      *error = kIscsiRejected;
      return nullptr;
    }
    last->next = ReceiveOne(session.sockets, s, maxData, error);
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

// The TCP side of the discovery initiator: socket with its
// time-outs, the connect wait, the send and receive loops. Everything
// blocks the calling thread; nothing is shared between threads.
#pragma once

#include <cstdint>
#include <memory>

#include "iscsi/pdu.h"
#include "iscsi/session.h"
#include "platform/sockets.h"

namespace tw {

// A TCP socket whose SO_SNDTIMEO and SO_RCVTIMEO are both ioTimeoutMs
//. kInvalidSocket when the socket or either option
// cannot be had (the socket is then closed; LastError() tells why).
SocketHandle CreateInitiatorSocket(Sockets& sockets, uint32_t ioTimeoutMs = 90000);

// Address and port in network order. 0; LastError() when non-blocking
// mode cannot be set; -1 when connect fails at once with an error other
// than WSAEWOULDBLOCK; 10061 when the connect fails (the except set, at
// once), the socket is not writable within waitMs, or select fails.
int ConnectWithTimeout(Sockets& sockets, SocketHandle s, uint32_t address, uint16_t port,
                       uint32_t waitMs = 5000);

// Connects to the session's portal; on success the new connection (state
// 2, expStatSN 1, cid = the incremented counter) is first in the list and
// current. Otherwise the error of the failed step, nothing kept.
int OpenConnection(IscsiSession& session);

// 0, -6 when the PDU cannot be serialised, or the Winsock error of the
// failed send (a send that moves 0 bytes included).
int SendPdu(Sockets& sockets, SocketHandle s, IscsiPdu& pdu);

// Bounds on what one ReceivePdu accepts from a peer (ours; the protocol has
// none): a Data-In chain of at most kMaxDataInChain PDUs.
constexpr size_t kMaxDataInChain = 64;

// One PDU (and the Data-In chain behind it when its Final bit is clear), or
// null. On null *error is what the caller returns: the Winsock error of
// the failed recv, or -1 when the peer closed the connection (mid-PDU or
// between PDUs), the chain was too long, or a PDU announced more data than
// the session's declaredMaxRecvData (refused before anything is allocated
// for it; the stream is then out of step, so the caller ends the session). A plain "WSAGetLastError(),
// or -1 when that is 0" taken at the failing call, so that a stale error
// of an earlier call never shows.
std::unique_ptr<IscsiPdu> ReceivePdu(IscsiSession& session, SocketHandle s, int* error);

// Ends a connection as the owner of the session does:
// closes its socket, sets state 6 and frees it.
void CloseConnection(IscsiSession& session, IscsiConnection* connection);

}  // namespace tw

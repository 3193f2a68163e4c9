// Sockets port: the Winsock 2 calls the core makes, one method per call.
//
// Results are what a Windows caller sees: a call that fails returns
// kSocketError (or kInvalidSocket / false) and LastError() then gives the
// Winsock error number (kWsa... below), also on Linux. LastError() is the
// error of the most recent failed call on the calling thread, as
// WSAGetLastError() is; a call that succeeds does not reset it.
//
// Addresses are IPv4, held as 32-bit values in network byte order; ports
// are passed in network byte order, as in a sockaddr_in. Sockets are
// blocking unless put into non-blocking mode with IoctlSocket(kFionbio).
// One socket is used by one thread at a time; different sockets may be
// used from different threads.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

using SocketHandle = uintptr_t;
constexpr SocketHandle kInvalidSocket = ~SocketHandle{0};
constexpr int kSocketError = -1;

constexpr int kAfInet = 2;
constexpr int kSockStream = 1;

// setsockopt(SOL_SOCKET, ...) options; the value is in milliseconds.
constexpr int kSoSndTimeo = 0x1005;
constexpr int kSoRcvTimeo = 0x1006;
// setsockopt(IPPROTO_TCP, TCP_NODELAY): value 1 sends small segments at
// once instead of holding them for an acknowledgement, 0 holds them again.
constexpr int kTcpNoDelay = 0x0001;
// ioctlsocket command: argument 1 = non-blocking, 0 = blocking.
constexpr long kFionbio = static_cast<long>(0x8004667EL);
// inet_addr's answer for text that is no dotted address.
constexpr uint32_t kInaddrNone = 0xFFFFFFFFu;

// Winsock error numbers.
constexpr int kWsaEIntr = 10004;
constexpr int kWsaEBadf = 10009;
constexpr int kWsaEAcces = 10013;
constexpr int kWsaEFault = 10014;
constexpr int kWsaEInval = 10022;
constexpr int kWsaEMFile = 10024;
constexpr int kWsaEWouldBlock = 10035;
constexpr int kWsaEInProgress = 10036;
constexpr int kWsaEAlready = 10037;
constexpr int kWsaENotSock = 10038;
constexpr int kWsaEMsgSize = 10040;
constexpr int kWsaEAfNoSupport = 10047;
constexpr int kWsaEAddrInUse = 10048;
constexpr int kWsaEAddrNotAvail = 10049;
constexpr int kWsaENetDown = 10050;
constexpr int kWsaENetUnreach = 10051;
constexpr int kWsaEConnAborted = 10053;
constexpr int kWsaEConnReset = 10054;
constexpr int kWsaENoBufs = 10055;
constexpr int kWsaEIsConn = 10056;
constexpr int kWsaENotConn = 10057;
constexpr int kWsaEShutdown = 10058;
constexpr int kWsaETimedOut = 10060;
constexpr int kWsaEConnRefused = 10061;
constexpr int kWsaEHostUnreach = 10065;
constexpr int kWsaHostNotFound = 11001;
constexpr int kWsaTryAgain = 11002;
constexpr int kWsaNoRecovery = 11003;
constexpr int kWsaNoData = 11004;

// Which fd_set of select() the one socket is put into; on return the
// members say which condition holds.
struct SelectSets {
  bool read = false;
  bool write = false;
  bool except = false;
};

class Sockets {
 public:
  virtual ~Sockets() = default;

  // socket(af, type, protocol). kInvalidSocket on failure.
  virtual SocketHandle Socket(int af, int type, int protocol) = 0;
  // setsockopt(s, SOL_SOCKET, option, &milliseconds, 4) for kSoSndTimeo and
  // kSoRcvTimeo (0 means no time-out), and kTcpNoDelay with 0 or 1. 0 or
  // kSocketError (kWsaEInval for another option). A send or recv that runs into the time-out fails with
  // kWsaETimedOut.
  virtual int SetSockOpt(SocketHandle s, int option, uint32_t milliseconds) = 0;
  // getsockopt(s, SOL_SOCKET, SO_ERROR): the socket's pending error (e.g.
  // of a non-blocking connect), 0 when none; reading it clears it.
  // kSocketError when the query itself fails.
  virtual int GetSocketError(SocketHandle s) = 0;
  // ioctlsocket(s, kFionbio, &value). 0 or kSocketError.
  virtual int IoctlSocket(SocketHandle s, long command, uint32_t value) = 0;
  // connect to address:port. 0, or kSocketError; a non-blocking socket
  // whose connection is under way fails with kWsaEWouldBlock, a refused
  // one with kWsaEConnRefused.
  virtual int Connect(SocketHandle s, uint32_t address, uint16_t port) = 0;
  // bind / listen / accept, for local listeners (tests, loopback peers).
  // Accept gives the new socket or kInvalidSocket.
  virtual int Bind(SocketHandle s, uint32_t address, uint16_t port) = 0;
  virtual int Listen(SocketHandle s, int backlog) = 0;
  virtual SocketHandle Accept(SocketHandle s) = 0;
  // getsockname: the bound address and port (network order).
  virtual int GetSockName(SocketHandle s, uint32_t* address, uint16_t* port) = 0;
  // select() on one socket: waits up to timeout_ms for any condition asked
  // for in *sets, then keeps in *sets only those that hold. Returns the
  // number of conditions that hold, 0 on time-out, kSocketError on failure.
  // As on Windows, a non-blocking connect that failed shows in the except
  // set (its error in GetSocketError), not in the write set.
  virtual int Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) = 0;
  // send / recv with flags 0: the number of bytes moved, kSocketError on
  // failure. Recv returns 0 when the peer closed the connection. Sending to
  // a closed peer fails; it never raises a signal.
  virtual int Send(SocketHandle s, const uint8_t* data, int length) = 0;
  virtual int Recv(SocketHandle s, uint8_t* data, int length) = 0;
  // closesocket. 0 or kSocketError.
  virtual int CloseSocket(SocketHandle s) = 0;
  // inet_addr: a dotted IPv4 address to its value, kInaddrNone when the
  // text is none.
  virtual uint32_t InetAddr(const std::string& dotted) = 0;
  // gethostbyname: the IPv4 addresses of a name, in the resolver's order.
  // false on failure (LastError() kWsaHostNotFound, kWsaNoData, ...).
  virtual bool GetHostByName(const std::string& name, std::vector<uint32_t>* addresses) = 0;
  // WSAGetLastError.
  virtual int LastError() = 0;
};

// The system's implementation (POSIX sockets natively, ws2_32 on Windows,
// where it runs WSAStartup(2.2) while it lives). Chosen by the build.
std::unique_ptr<Sockets> NewSystemSockets();

// htons / htonl (and their inverses, the same swap): the value whose bytes
// in memory are the big-endian form.
inline uint16_t HostToNet16(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  uint16_t r;
  std::memcpy(&r, b, 2);
  return r;
}
inline uint16_t NetToHost16(uint16_t v) {
  uint8_t b[2];
  std::memcpy(b, &v, 2);
  return static_cast<uint16_t>(b[0] << 8 | b[1]);
}
inline uint32_t HostToNet32(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  uint32_t r;
  std::memcpy(&r, b, 4);
  return r;
}
inline uint32_t NetToHost32(uint32_t v) {
  uint8_t b[4];
  std::memcpy(b, &v, 4);
  return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

// inet_ntoa: dotted text of an address in network byte order.
std::string DottedAddress(uint32_t address);

}  // namespace tw

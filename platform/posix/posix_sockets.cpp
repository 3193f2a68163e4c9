// Sockets over POSIX sockets, answering as Winsock would: errno becomes a
// Winsock number at this edge and nowhere else.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/sockets.h"

namespace tw {
namespace {

thread_local int g_last_error = 0;

int WinsockError(int e, bool blocking_with_timeout) {
  switch (e) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      // A blocking socket only gets EAGAIN when its SO_*TIMEO ran out.
      return blocking_with_timeout ? kWsaETimedOut : kWsaEWouldBlock;
    case EINPROGRESS: return kWsaEWouldBlock;
    case EINTR: return kWsaEIntr;
    case EBADF:
    case ENOTSOCK: return kWsaENotSock;
    case EACCES:
    case EPERM: return kWsaEAcces;
    case EFAULT: return kWsaEFault;
    case EINVAL: return kWsaEInval;
    case EMFILE:
    case ENFILE: return kWsaEMFile;
    case EALREADY: return kWsaEAlready;
    case EMSGSIZE: return kWsaEMsgSize;
    case EAFNOSUPPORT: return kWsaEAfNoSupport;
    case EADDRINUSE: return kWsaEAddrInUse;
    case EADDRNOTAVAIL: return kWsaEAddrNotAvail;
    case ENETDOWN: return kWsaENetDown;
    case ENETUNREACH: return kWsaENetUnreach;
    case ECONNABORTED: return kWsaEConnAborted;
    case ECONNRESET:
    case EPIPE: return kWsaEConnReset;
    case ENOBUFS:
    case ENOMEM: return kWsaENoBufs;
    case EISCONN: return kWsaEIsConn;
    case ENOTCONN: return kWsaENotConn;
    case ESHUTDOWN: return kWsaEShutdown;
    case ETIMEDOUT: return kWsaETimedOut;
    case ECONNREFUSED: return kWsaEConnRefused;
    case EHOSTUNREACH:
    case EHOSTDOWN: return kWsaEHostUnreach;
    default: return kWsaEInval;
  }
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = port;
  return sa;
}

class PosixSockets final : public Sockets {
 public:
  SocketHandle Socket(int af, int type, int protocol) override {
    if (af != kAfInet || type != kSockStream) return Fail(kWsaEAfNoSupport), kInvalidSocket;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, protocol);
    if (fd < 0) return Fail(WinsockError(errno, false)), kInvalidSocket;
    return static_cast<SocketHandle>(fd);
  }

  int SetSockOpt(SocketHandle s, int option, uint32_t milliseconds) override {
    if (option == kTcpNoDelay) {
      int on = milliseconds != 0;
      if (::setsockopt(Fd(s), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) return FailErrno(s);
      return 0;
    }
    int name;
    if (option == kSoSndTimeo) {
      name = SO_SNDTIMEO;
    } else if (option == kSoRcvTimeo) {
      name = SO_RCVTIMEO;
    } else {
      return Fail(kWsaEInval);
    }
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
    if (::setsockopt(Fd(s), SOL_SOCKET, name, &tv, sizeof tv) != 0) return FailErrno(s);
    return 0;
  }

  int GetSocketError(SocketHandle s) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = pending_.find(Fd(s));
      if (it != pending_.end()) {
        int e = it->second;
        pending_.erase(it);
        return e;
      }
    }
    int e = 0;
    socklen_t len = sizeof e;
    if (::getsockopt(Fd(s), SOL_SOCKET, SO_ERROR, &e, &len) != 0) return FailErrno(s);
    return e == 0 ? 0 : WinsockError(e, false);
  }

  int IoctlSocket(SocketHandle s, long command, uint32_t value) override {
    if (command != kFionbio) return Fail(kWsaEInval);
    int flags = ::fcntl(Fd(s), F_GETFL);
    if (flags < 0) return FailErrno(s);
    flags = value ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    if (::fcntl(Fd(s), F_SETFL, flags) != 0) return FailErrno(s);
    return 0;
  }

  int Connect(SocketHandle s, uint32_t address, uint16_t port) override {
    sockaddr_in sa = MakeAddress(address, port);
    if (::connect(Fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return FailErrno(s);
    return 0;
  }

  int Bind(SocketHandle s, uint32_t address, uint16_t port) override {
    int one = 1;
    ::setsockopt(Fd(s), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa = MakeAddress(address, port);
    if (::bind(Fd(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return FailErrno(s);
    return 0;
  }

  int Listen(SocketHandle s, int backlog) override {
    if (::listen(Fd(s), backlog) != 0) return FailErrno(s);
    return 0;
  }

  SocketHandle Accept(SocketHandle s) override {
    int fd = ::accept4(Fd(s), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return FailErrno(s), kInvalidSocket;
    return static_cast<SocketHandle>(fd);
  }

  int GetSockName(SocketHandle s, uint32_t* address, uint16_t* port) override {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getsockname(Fd(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return FailErrno(s);
    *address = sa.sin_addr.s_addr;
    *port = sa.sin_port;
    return 0;
  }

  int Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) override {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    pollfd p{};
    p.fd = Fd(s);
    if (sets->read) p.events |= POLLIN;
    // Writability and failure of a connect both come as POLLOUT/POLLERR;
    // ask for POLLOUT when either set is wanted and sort them out below.
    if (sets->write || sets->except) p.events |= POLLOUT;
    int n;
    do {
      n = ::poll(&p, 1, static_cast<int>(timeout_ms > 0x7FFFFFFF ? 0x7FFFFFFF : timeout_ms));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailErrno(s);
    if (p.revents & POLLNVAL) return Fail(kWsaENotSock);
    SelectSets got;
    got.read = sets->read && (p.revents & (POLLIN | POLLHUP | POLLERR));
    bool failed = false;
    // Reading SO_ERROR clears it: for a wait on readability alone it must
    // stay for the recv that follows (a reset would read as a clean close).
    if ((sets->write || sets->except) && (p.revents & (POLLOUT | POLLERR | POLLHUP))) {
      int e = 0;
      socklen_t len = sizeof e;
      ::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &e, &len);
      if (e != 0) {
        failed = true;
        std::lock_guard<std::mutex> lock(mutex_);
        pending_[p.fd] = WinsockError(e, false);
      }
    }
    got.write = sets->write && !failed && (p.revents & POLLOUT);
    got.except = sets->except && failed;
    *sets = got;
    int count = int{got.read} + int{got.write} + int{got.except};
    if (count == 0) {
      // Only a condition nobody asked for holds (a failed connect watched
      // for writability alone): Windows waits out the time-out, so do we.
      auto left = deadline - std::chrono::steady_clock::now();
      if (left > std::chrono::steady_clock::duration::zero()) std::this_thread::sleep_for(left);
    }
    return count;
  }

  int Send(SocketHandle s, const uint8_t* data, int length) override {
    ssize_t n;
    do {
      n = ::send(Fd(s), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailErrno(s);
    return static_cast<int>(n);
  }

  int Recv(SocketHandle s, uint8_t* data, int length) override {
    ssize_t n;
    do {
      n = ::recv(Fd(s), data, static_cast<size_t>(length), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailErrno(s);
    return static_cast<int>(n);
  }

  int CloseSocket(SocketHandle s) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_.erase(Fd(s));
    }
    if (::close(Fd(s)) != 0) return FailErrno(s);
    return 0;
  }

  uint32_t InetAddr(const std::string& dotted) override {
    in_addr a{};
    // inet_aton takes the same forms as Winsock's inet_addr (a.b.c.d,
    // a.b.c, a.b, a, octal and hex parts).
    if (::inet_aton(dotted.c_str(), &a) == 0) return kInaddrNone;
    return a.s_addr;
  }

  bool GetHostByName(const std::string& name, std::vector<uint32_t>* addresses) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (rc != 0) {
      switch (rc) {
        case EAI_AGAIN: Fail(kWsaTryAgain); break;
        case EAI_FAIL: Fail(kWsaNoRecovery); break;
#ifdef EAI_NODATA
        case EAI_NODATA: Fail(kWsaNoData); break;
#endif
        default: Fail(kWsaHostNotFound); break;
      }
      return false;
    }
    addresses->clear();
    for (addrinfo* a = list; a; a = a->ai_next) {
      uint32_t v = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
      bool seen = false;
      for (uint32_t x : *addresses) seen = seen || x == v;
      if (!seen) addresses->push_back(v);
    }
    ::freeaddrinfo(list);
    if (addresses->empty()) {
      Fail(kWsaNoData);
      return false;
    }
    return true;
  }

  int LastError() override { return g_last_error; }

 private:
  static int Fd(SocketHandle s) { return static_cast<int>(s); }
  static int Fail(int winsock_error) {
    g_last_error = winsock_error;
    return kSocketError;
  }
  int FailErrno(SocketHandle s) {
    int e = errno;
    bool blocking = false;
    if (e == EAGAIN || e == EWOULDBLOCK) {
      int flags = ::fcntl(Fd(s), F_GETFL);
      blocking = flags >= 0 && !(flags & O_NONBLOCK);
    }
    return Fail(WinsockError(e, blocking));
  }

  std::mutex mutex_;
  std::unordered_map<int, int> pending_;  // connect errors seen by Select
};

}  // namespace

std::unique_ptr<Sockets> NewSystemSockets() { return std::make_unique<PosixSockets>(); }

}  // namespace tw

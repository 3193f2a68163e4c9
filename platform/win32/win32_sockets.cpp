// Sockets over ws2_32: one-to-one forwards.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/sockets.h"

namespace tw {
namespace {

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  sa.sin_port = port;
  return sa;
}

class Win32Sockets final : public Sockets {
 public:
  Win32Sockets() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Win32Sockets() override {
    if (started_) WSACleanup();
  }

  SocketHandle Socket(int af, int type, int protocol) override {
    SOCKET s = ::socket(af, type, protocol);
    return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
  }

  int SetSockOpt(SocketHandle s, int option, uint32_t milliseconds) override {
    if (option == kTcpNoDelay) {
      BOOL on = milliseconds != 0;
      return ::setsockopt(Sock(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on) == 0
                 ? 0
                 : kSocketError;
    }
    if (option != kSoSndTimeo && option != kSoRcvTimeo) {
      WSASetLastError(WSAEINVAL);
      return kSocketError;
    }
    DWORD value = milliseconds;
    return ::setsockopt(Sock(s), SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                        sizeof value) == 0
               ? 0
               : kSocketError;
  }

  int GetSocketError(SocketHandle s) override {
    int e = 0;
    int len = sizeof e;
    if (::getsockopt(Sock(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&e), &len) != 0)
      return kSocketError;
    return e;
  }

  int IoctlSocket(SocketHandle s, long command, uint32_t value) override {
    u_long arg = value;
    return ::ioctlsocket(Sock(s), command, &arg) == 0 ? 0 : kSocketError;
  }

  int Connect(SocketHandle s, uint32_t address, uint16_t port) override {
    sockaddr_in sa = MakeAddress(address, port);
    return ::connect(Sock(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ? 0
                                                                                : kSocketError;
  }

  int Bind(SocketHandle s, uint32_t address, uint16_t port) override {
    sockaddr_in sa = MakeAddress(address, port);
    return ::bind(Sock(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 ? 0 : kSocketError;
  }

  int Listen(SocketHandle s, int backlog) override {
    return ::listen(Sock(s), backlog) == 0 ? 0 : kSocketError;
  }

  SocketHandle Accept(SocketHandle s) override {
    SOCKET a = ::accept(Sock(s), nullptr, nullptr);
    return a == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(a);
  }

  int GetSockName(SocketHandle s, uint32_t* address, uint16_t* port) override {
    sockaddr_in sa{};
    int len = sizeof sa;
    if (::getsockname(Sock(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return kSocketError;
    *address = sa.sin_addr.s_addr;
    *port = sa.sin_port;
    return 0;
  }

  int Select(SocketHandle s, SelectSets* sets, uint32_t timeout_ms) override {
    fd_set r, w, e;
    FD_ZERO(&r);
    FD_ZERO(&w);
    FD_ZERO(&e);
    if (sets->read) FD_SET(Sock(s), &r);
    if (sets->write) FD_SET(Sock(s), &w);
    if (sets->except) FD_SET(Sock(s), &e);
    timeval tv;
    tv.tv_sec = static_cast<long>(timeout_ms / 1000);
    tv.tv_usec = static_cast<long>(timeout_ms % 1000) * 1000;
    int n = ::select(0, sets->read ? &r : nullptr, sets->write ? &w : nullptr,
                     sets->except ? &e : nullptr, &tv);
    if (n == SOCKET_ERROR) return kSocketError;
    sets->read = sets->read && FD_ISSET(Sock(s), &r);
    sets->write = sets->write && FD_ISSET(Sock(s), &w);
    sets->except = sets->except && FD_ISSET(Sock(s), &e);
    return n;
  }

  int Send(SocketHandle s, const uint8_t* data, int length) override {
    return ::send(Sock(s), reinterpret_cast<const char*>(data), length, 0);
  }

  int Recv(SocketHandle s, uint8_t* data, int length) override {
    return ::recv(Sock(s), reinterpret_cast<char*>(data), length, 0);
  }

  int CloseSocket(SocketHandle s) override { return ::closesocket(Sock(s)) == 0 ? 0 : kSocketError; }

  uint32_t InetAddr(const std::string& dotted) override { return ::inet_addr(dotted.c_str()); }

  bool GetHostByName(const std::string& name, std::vector<uint32_t>* addresses) override {
    hostent* h = ::gethostbyname(name.c_str());
    if (!h) return false;
    addresses->clear();
    if (h->h_addrtype == AF_INET && h->h_length == 4) {
      for (char** a = h->h_addr_list; *a; ++a) {
        uint32_t v;
        std::memcpy(&v, *a, 4);
        addresses->push_back(v);
      }
    }
    if (addresses->empty()) {
      WSASetLastError(WSANO_DATA);
      return false;
    }
    return true;
  }

  int LastError() override { return WSAGetLastError(); }

 private:
  static SOCKET Sock(SocketHandle s) { return static_cast<SOCKET>(s); }
  bool started_ = false;
};

}  // namespace

std::unique_ptr<Sockets> NewSystemSockets() { return std::make_unique<Win32Sockets>(); }

}  // namespace tw

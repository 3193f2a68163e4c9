// Contract of the sockets port, run against the system implementation of
// the build: POSIX natively, ws2_32 under Wine. Loopback only.
#include "platform/sockets.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#endif

#include <chrono>
#include <string>

namespace tw {
namespace {

const uint32_t kLoopback = HostToNet32(0x7F000001);

class SocketsTest : public ::testing::Test {
 protected:
  void SetUp() override { sockets_ = NewSystemSockets(); }

  // A listener on 127.0.0.1 at a port the system picks.
  SocketHandle Listen(uint16_t* port) {
    SocketHandle s = sockets_->Socket(kAfInet, kSockStream, 0);
    EXPECT_NE(s, kInvalidSocket);
    EXPECT_EQ(sockets_->Bind(s, kLoopback, 0), 0);
    EXPECT_EQ(sockets_->Listen(s, 4), 0);
    uint32_t address = 0;
    EXPECT_EQ(sockets_->GetSockName(s, &address, port), 0);
    EXPECT_EQ(address, kLoopback);
    return s;
  }

  // A loopback port that nobody listens on.
  uint16_t ClosedPort() {
    uint16_t port = 0;
    SocketHandle s = Listen(&port);
    sockets_->CloseSocket(s);
    return port;
  }

  std::unique_ptr<Sockets> sockets_;
};

TEST_F(SocketsTest, RefusedPortGivesConnRefusedBlockingAndNonBlocking) {
  uint16_t port = ClosedPort();
  SocketHandle s = sockets_->Socket(kAfInet, kSockStream, 0);
  ASSERT_NE(s, kInvalidSocket);
  EXPECT_EQ(sockets_->Connect(s, kLoopback, port), kSocketError);
  EXPECT_EQ(sockets_->LastError(), kWsaEConnRefused);
  sockets_->CloseSocket(s);

  s = sockets_->Socket(kAfInet, kSockStream, 0);
  ASSERT_EQ(sockets_->IoctlSocket(s, kFionbio, 1), 0);
  int rc = sockets_->Connect(s, kLoopback, port);
  if (rc != 0) {
    int e = sockets_->LastError();
    ASSERT_TRUE(e == kWsaEWouldBlock || e == kWsaEConnRefused) << e;
    if (e == kWsaEWouldBlock) {
      SelectSets sets;
      sets.write = true;
      sets.except = true;
      EXPECT_EQ(sockets_->Select(s, &sets, 5000), 1);
      EXPECT_FALSE(sets.write);
      EXPECT_TRUE(sets.except);
      EXPECT_EQ(sockets_->GetSocketError(s), kWsaEConnRefused);
    }
  } else {
    ADD_FAILURE() << "connect to a closed port succeeded";
  }
  EXPECT_EQ(sockets_->CloseSocket(s), 0);
}

TEST_F(SocketsTest, SendRecvRoundTripOverLoopback) {
  uint16_t port = 0;
  SocketHandle listener = Listen(&port);
  SocketHandle client = sockets_->Socket(kAfInet, kSockStream, 0);
  ASSERT_NE(client, kInvalidSocket);
  // The non-blocking connect the iSCSI layer makes: pending, then writable.
  ASSERT_EQ(sockets_->IoctlSocket(client, kFionbio, 1), 0);
  if (sockets_->Connect(client, kLoopback, port) != 0) {
    ASSERT_EQ(sockets_->LastError(), kWsaEWouldBlock);
  }
  SelectSets sets;
  sets.write = true;
  sets.except = true;
  ASSERT_EQ(sockets_->Select(client, &sets, 5000), 1);
  EXPECT_TRUE(sets.write);
  EXPECT_FALSE(sets.except);
  ASSERT_EQ(sockets_->IoctlSocket(client, kFionbio, 0), 0);
  SocketHandle server = sockets_->Accept(listener);
  ASSERT_NE(server, kInvalidSocket);

  const std::string hello = "hello, target";
  EXPECT_EQ(sockets_->Send(client, reinterpret_cast<const uint8_t*>(hello.data()),
                           static_cast<int>(hello.size())),
            static_cast<int>(hello.size()));
  std::string got;
  uint8_t buf[64];
  while (got.size() < hello.size()) {
    int n = sockets_->Recv(server, buf, sizeof buf);
    ASSERT_GT(n, 0);
    got.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
  }
  EXPECT_EQ(got, hello);
  EXPECT_EQ(sockets_->Send(server, buf, 3), 3);
  EXPECT_EQ(sockets_->Recv(client, buf, sizeof buf), 3);

  // A peer that closed reads as 0, not as an error.
  sockets_->CloseSocket(server);
  EXPECT_EQ(sockets_->Recv(client, buf, sizeof buf), 0);
  sockets_->CloseSocket(client);
  sockets_->CloseSocket(listener);
}

TEST_F(SocketsTest, RecvTimesOutWithTimedOut) {
  uint16_t port = 0;
  SocketHandle listener = Listen(&port);
  SocketHandle client = sockets_->Socket(kAfInet, kSockStream, 0);
  ASSERT_EQ(sockets_->SetSockOpt(client, kSoRcvTimeo, 300), 0);
  ASSERT_EQ(sockets_->SetSockOpt(client, kSoSndTimeo, 300), 0);
  EXPECT_EQ(sockets_->SetSockOpt(client, 0x1234, 1), kSocketError);
  EXPECT_EQ(sockets_->SetSockOpt(client, kTcpNoDelay, 1), 0);
  EXPECT_EQ(sockets_->SetSockOpt(client, kTcpNoDelay, 0), 0);
  ASSERT_EQ(sockets_->Connect(client, kLoopback, port), 0);
  SocketHandle server = sockets_->Accept(listener);

  SelectSets sets;
  sets.read = true;
  EXPECT_EQ(sockets_->Select(client, &sets, 100), 0);
  EXPECT_FALSE(sets.read);

  uint8_t buf[16];
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sockets_->Recv(client, buf, sizeof buf), kSocketError);
  EXPECT_EQ(sockets_->LastError(), kWsaETimedOut);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  EXPECT_LT(waited, std::chrono::seconds(5));

  // Non-blocking, nothing to read: would block.
  ASSERT_EQ(sockets_->IoctlSocket(client, kFionbio, 1), 0);
  EXPECT_EQ(sockets_->Recv(client, buf, sizeof buf), kSocketError);
  EXPECT_EQ(sockets_->LastError(), kWsaEWouldBlock);
  sockets_->CloseSocket(server);
  sockets_->CloseSocket(client);
  sockets_->CloseSocket(listener);
}

#ifndef _WIN32
// A peer that resets the connection: a wait for readability alone must
// leave the pending error to the recv, which then fails instead of reading
// as a clean close.
TEST_F(SocketsTest, ResetSeenByReadWaitStillFailsTheRecv) {
  uint16_t port = 0;
  SocketHandle listener = Listen(&port);
  SocketHandle client = sockets_->Socket(kAfInet, kSockStream, 0);
  ASSERT_EQ(sockets_->Connect(client, kLoopback, port), 0);
  SocketHandle server = sockets_->Accept(listener);
  ASSERT_NE(server, kInvalidSocket);
  const linger abort{1, 0};
  ASSERT_EQ(::setsockopt(static_cast<int>(server), SOL_SOCKET, SO_LINGER, &abort, sizeof abort), 0);
  sockets_->CloseSocket(server);

  SelectSets sets;
  sets.read = true;
  ASSERT_EQ(sockets_->Select(client, &sets, 2000), 1);
  EXPECT_TRUE(sets.read);
  uint8_t buf[16];
  EXPECT_EQ(sockets_->Recv(client, buf, sizeof buf), kSocketError);
  EXPECT_EQ(sockets_->LastError(), kWsaEConnReset);
  sockets_->CloseSocket(client);
  sockets_->CloseSocket(listener);
}
#endif

TEST_F(SocketsTest, AddressTextAndNames) {
  EXPECT_EQ(sockets_->InetAddr("127.0.0.1"), kLoopback);
  EXPECT_EQ(sockets_->InetAddr("10.0.0.5"), HostToNet32(0x0A000005));
  EXPECT_EQ(sockets_->InetAddr("not an address"), kInaddrNone);
  EXPECT_EQ(DottedAddress(HostToNet32(0xC0A80102)), "192.168.1.2");
  EXPECT_EQ(NetToHost16(HostToNet16(3260)), 3260);

  std::vector<uint32_t> addresses;
  ASSERT_TRUE(sockets_->GetHostByName("localhost", &addresses));
  ASSERT_FALSE(addresses.empty());
  EXPECT_EQ(addresses[0] & HostToNet32(0xFF000000), HostToNet32(0x7F000000));
  EXPECT_FALSE(sockets_->GetHostByName("no-such-host.invalid", &addresses));
  int e = sockets_->LastError();
  EXPECT_TRUE(e == kWsaHostNotFound || e == kWsaNoData || e == kWsaTryAgain) << e;
}

TEST_F(SocketsTest, ClosedHandleFailsWithNotSock) {
  SocketHandle s = sockets_->Socket(kAfInet, kSockStream, 0);
  ASSERT_EQ(sockets_->CloseSocket(s), 0);
  uint8_t b = 0;
  EXPECT_EQ(sockets_->Send(s, &b, 1), kSocketError);
  EXPECT_EQ(sockets_->LastError(), kWsaENotSock);
}

}  // namespace
}  // namespace tw

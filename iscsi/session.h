// The discovery session and its connections: the state
// the PDU layer, the login and SendTargets share. A session lives for one
// DiscoverPortal call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "platform/sockets.h"

namespace tw {

// The initiator name: an iqn of the
// maker's naming authority whose last part is "initiator".
constexpr char kDefaultInitiatorName[] = "iqn.2008-09.com.velthorn:initiator";

// Settings of the program's initiator; the defaults are the protocol's values.
struct InitiatorConfig {
  std::string initiatorName = kDefaultInitiatorName;
  // Credentials of the user-mode login's step 2 (CHAP and NTAUTH). We
  // give the discovery none: empty by default, and a login that reaches
  // step 2 without a user name is given up (-1).
  std::string chapUser;
  std::string chapSecret;
  // NTAUTH enciphers the secret under a constant key that anyone with the
  // program can undo, so a secret goes that way only when the user allows
  // it; otherwise an NTAUTH answer ends the login (-1) before anything is
  // sent, and sets *ntauthRefused when given. Without a secret nothing is
  // at stake and the answer is taken as before.
  bool allowNtauth = false;
  bool* ntauthRefused = nullptr;
  // the 5-second connect wait and 90-second send/receive time-outs;
  // tests shorten them.
  uint32_t connectTimeoutMs = 5000;
  uint32_t ioTimeoutMs = 90000;
  // After the first Text Response that is not the last: how long to wait
  // for a further part the target sends unasked before asking for it
  // (ours). Loaded targets and delayed acknowledgements take a few hundred
  // milliseconds; a target that needs asking costs this once per exchange.
  uint32_t textContinuationWaitMs = 2000;
  // The bound on login exchanges (our choice): requests sent by
  // one Login before it gives up with -1.
  uint32_t maxLoginExchanges = 16;
};

// SessionParams: proposed values, lowered or replaced by the
// accepted Login Responses.
struct SessionParams {
  static constexpr uint8_t kInitialR2T = 1 << 0;
  static constexpr uint8_t kImmediateData = 1 << 1;
  static constexpr uint8_t kDataPduInOrder = 1 << 2;
  static constexpr uint8_t kDataSequenceInOrder = 1 << 3;

  uint16_t portalPort = 0;     // host order
  uint32_t portalAddress = 0;  // network order
  std::string sessionType = "Discovery";
  std::string initiatorName;  // at most 255 characters
  std::string authMethod = "None";
  std::string headerDigest = "None";
  std::string dataDigest = "None";
  uint32_t maxRecvDataSegmentLength = 262144;
  uint32_t maxBurstLength = 262144;
  uint32_t firstBurstLength = 262144;
  uint32_t defaultTime2Wait = 0;
  uint16_t defaultTime2Retain = 0;
  uint16_t maxOutstandingR2T = 1;
  uint8_t errorRecoveryLevel = 0;
  uint16_t targetPortalGroupTag = 0;
  uint8_t flags = kInitialR2T | kImmediateData | kDataPduInOrder | kDataSequenceInOrder;
};

// Connection states.
constexpr uint32_t kConnFailed = 0;
constexpr uint32_t kConnConnecting = 1;
constexpr uint32_t kConnConnected = 2;
constexpr uint32_t kConnFullFeature = 3;
constexpr uint32_t kConnLogoutSending = 4;
constexpr uint32_t kConnLogoutSent = 5;
constexpr uint32_t kConnLoggedOut = 6;

// Authentication methods and steps.
constexpr uint32_t kAuthNone = 0;
constexpr uint32_t kAuthChap = 1;
constexpr uint32_t kAuthNtauth = 2;

struct AuthState {
  uint32_t authStep = 0;  // 0 initial keys, 1 CHAP_A, 2 CHAP_N + CHAP_R
  uint32_t authMethod = kAuthNone;
  uint32_t chapAlgorithm = 0;
  uint32_t chapIdentifier = 0;
  Bytes chapChallenge;
};

// Bytes received on a connection and not yet taken as PDUs: one recv takes
// a header with the data behind it, and what arrives beyond one PDU waits
// here for the next.
struct ReceiveBuffer {
  Bytes bytes;
  size_t begin = 0, end = 0;
  size_t held() const { return end - begin; }
};

struct IscsiConnection {
  SocketHandle socket = kInvalidSocket;
  ReceiveBuffer received;
  uint32_t address = 0;  // network order
  uint16_t port = 0;     // network order
  uint32_t cid = 0;
  uint32_t loginStage = 0;  // 0 security, 1 operational, 2 full feature
  uint32_t state = kConnConnecting;
  uint32_t expStatSN = 1;
  AuthState auth;
};

struct IscsiSession {
  // Creates the session of step 1 of the discovery: ISID "veltid", cmdSN 1, the
  // initial SessionParams, the config's initiator name (cut to 255).
  IscsiSession(Sockets& sockets, const InitiatorConfig& config, uint32_t address, uint16_t port);
  // Ends the session: closes the socket of every connection still open.
  ~IscsiSession();
  IscsiSession(const IscsiSession&) = delete;
  IscsiSession& operator=(const IscsiSession&) = delete;

  Sockets& sockets;
  InitiatorConfig config;
  bool loggedIn = false;
  std::vector<std::unique_ptr<IscsiConnection>> connections;  // newest first
  IscsiConnection* current = nullptr;
  uint32_t connectionCounter = 0;
  uint32_t textTaskTag = 0;
  uint32_t cmdSN = 1;
  uint8_t isid[6] = {'v', 'e', 'l', 't', 'i', 'd'};
  SessionParams params;
  // The MaxRecvDataSegmentLength the login offers: a received PDU that
  // announces more data is a protocol error.
  uint32_t declaredMaxRecvData = SessionParams{}.maxRecvDataSegmentLength;
  std::vector<std::string> discovered;  // target names in the order received
  // The logout of a text exchange that had to ask for its parts got an
  // answer to a text request instead: the target answered a request it
  // did not expect, so what the exchange joined cannot be trusted.
  bool strayTextAnswer = false;
  // In: ask for every further part of a text answer at once (the portal
  // needed asking earlier in the same discovery). Out: this one did.
  bool askForTextParts = false;
};

}  // namespace tw

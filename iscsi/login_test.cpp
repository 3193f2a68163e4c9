// login stages, response checks, operational keys, CHAP and
// NTAUTH, over canned byte streams (the requests are checked byte by byte).
#include "iscsi/login.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "base/crypto/aes256.h"
#include "base/crypto/md5.h"
#include "iscsi/connection.h"
#include "iscsi/testing/scripted_target.h"
#include "iscsi/testing/stream_sockets.h"

namespace tw {
namespace {

using testing::Keys;
using testing::LoginResponse;
using testing::Request;
using testing::StreamSockets;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Splits what the initiator sent into request PDUs.
std::vector<Request> Requests(const Bytes& sent) {
  std::vector<Request> out;
  size_t i = 0;
  while (i + 48 <= sent.size()) {
    Request r;
    r.bhs.assign(sent.begin() + static_cast<std::ptrdiff_t>(i), sent.begin() + static_cast<std::ptrdiff_t>(i + 48));
    size_t length = GetU24BE(r.bhs, 5);
    r.data.assign(sent.begin() + static_cast<std::ptrdiff_t>(i + 48),
                  sent.begin() + static_cast<std::ptrdiff_t>(i + 48 + length));
    out.push_back(r);
    i += 48 + ((length + 3) & ~size_t{3});
  }
  EXPECT_EQ(i, sent.size());
  return out;
}

struct LoginRun {
  explicit LoginRun(Bytes stream, InitiatorConfig c = {})
      : sockets({std::move(stream)}), config(std::move(c)), session(sockets, config, HostToNet32(0x7F000001), 3260) {
    EXPECT_EQ(OpenConnection(session), 0);
  }
  int Run() { return Login(session); }
  std::vector<Request> sent() const { return Requests(sockets.sent()[0]); }
  StreamSockets sockets;
  InitiatorConfig config;
  IscsiSession session;
};

// A response PDU on its own for ProcessLoginResponse.
std::unique_ptr<IscsiPdu> Response(uint8_t flags, const Keys& keys, uint8_t statusClass = 0,
                                   uint8_t opcode = 0x23) {
  testing::PduSpec s;
  s.opcode = opcode;
  s.flags = flags;
  s.statusClass = statusClass;
  s.data = testing::TextData(keys);
  StreamSockets one({testing::Pdu(s)});
  InitiatorConfig c;
  IscsiSession session(one, c, 0, 0);
  OpenConnection(session);
  int error = 0;
  return ReceivePdu(session, session.current->socket, &error);
}

TEST(IscsiLogin, TwoExchangesAgainstATargetThatAcceptsNone) {
  LoginRun run(Join({LoginResponse(0x81, {{"AuthMethod", "None"}, {"TargetPortalGroupTag", "1"}}),
                     LoginResponse(0x87, {{"FirstBurstLength", "65536"}, {"DefaultTime2Wait", "2"}})}));
  EXPECT_EQ(run.Run(), 0);
  EXPECT_TRUE(run.session.loggedIn);
  EXPECT_EQ(run.session.current->state, kConnFullFeature);
  EXPECT_EQ(run.session.current->loginStage, 2u);
  EXPECT_EQ(run.session.current->expStatSN, 3u);
  EXPECT_EQ(run.session.params.targetPortalGroupTag, 1);
  EXPECT_EQ(run.session.params.firstBurstLength, 65536u);
  EXPECT_EQ(run.session.params.defaultTime2Wait, 2u);
  auto sent = run.sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].flags(), 0x81);
  EXPECT_EQ(sent[0].U32(28), 1u);
  EXPECT_EQ(sent[1].opcode(), 0x43);
  EXPECT_EQ(sent[1].flags(), 0x87);
  EXPECT_EQ(sent[1].U32(28), 2u);  // ExpStatSN
  EXPECT_EQ(sent[1].U32(24), 1u);  // CmdSN never advances
  const Keys expected = {{"HeaderDigest", "None"},        {"DataDigest", "None"},
                         {"InitialR2T", "Yes"},           {"ImmediateData", "Yes"},
                         {"FirstBurstLength", "262144"},  {"MaxBurstLength", "262144"},
                         {"MaxRecvDataSegmentLength", "262144"}, {"DefaultTime2Wait", "0"},
                         {"DefaultTime2Retain", "0"},     {"MaxOutstandingR2T", "1"},
                         {"DataPDUInOrder", "Yes"},       {"DataSequenceInOrder", "Yes"}};
  EXPECT_EQ(sent[1].keys(), expected);
}

TEST(IscsiLogin, AuthMethodMustBeTheProposalOrNtauth) {
  LoginRun chap(LoginResponse(0x81, {{"AuthMethod", "CHAP"}}));
  EXPECT_EQ(chap.Run(), -1);
  EXPECT_EQ(chap.session.current->state, kConnFailed);
  LoginRun absent(LoginResponse(0x81, {{"TargetPortalGroupTag", "1"}}));
  EXPECT_EQ(absent.Run(), -1);
  LoginRun lower(LoginResponse(0x81, {{"AuthMethod", "none"}}));
  EXPECT_EQ(lower.Run(), -1);
}

TEST(IscsiLogin, RejectedOrMalformedResponsesEndTheLogin) {
  LoginRun status(LoginResponse(0x81, {{"AuthMethod", "None"}}, 2));
  EXPECT_EQ(status.Run(), -1);
  testing::PduSpec text;
  text.opcode = 0x24;
  LoginRun opcode(testing::Pdu(text));
  EXPECT_EQ(opcode.Run(), -1);
  LoginRun csg(LoginResponse(0x85, {{"AuthMethod", "None"}}));  // CSG 1 in stage 0
  EXPECT_EQ(csg.Run(), -1);
  // The peer closes after the first response: -1 (peer closed), state 0.
  LoginRun closed(LoginResponse(0x81, {{"AuthMethod", "None"}}));
  EXPECT_EQ(closed.Run(), -1);
  EXPECT_EQ(closed.session.current->state, kConnFailed);
  // A receive that fails gives its Winsock error.
  LoginRun reset(Bytes{});
  reset.sockets.set_end_error(kWsaETimedOut);
  EXPECT_EQ(reset.Run(), kWsaETimedOut);
}

TEST(IscsiLogin, NtauthThenChapAlgorithmAndChallenge) {
  StreamSockets sockets({});
  InitiatorConfig config;
  IscsiSession session(sockets, config, 0, 3260);
  ASSERT_EQ(OpenConnection(session), 0);
  AuthState& auth = session.current->auth;
  EXPECT_EQ(ProcessLoginResponse(session, *Response(0x00, {{"AuthMethod", "NTAUTH"}})), 0);
  EXPECT_EQ(auth.authMethod, kAuthNtauth);
  EXPECT_EQ(auth.authStep, 1u);
  EXPECT_EQ(session.current->loginStage, 0u);
  auto next = BuildLoginRequest(session);
  std::string v;
  EXPECT_EQ(FindTextKey("CHAP_A", *next, 64, &v), 1);
  EXPECT_EQ(v, "5");
  EXPECT_EQ(next->DataSegmentLength(), 9u);

  EXPECT_EQ(ProcessLoginResponse(session, *Response(0x00, {{"CHAP_A", "7,5"}, {"CHAP_I", "300"},
                                                             {"CHAP_C", "0x0A1b"}})),
            0);
  EXPECT_EQ(auth.chapAlgorithm, 7u);
  EXPECT_EQ(auth.chapIdentifier, 300u);
  EXPECT_EQ(auth.chapChallenge, (Bytes{0x0A, 0x1B}));
  EXPECT_EQ(auth.authStep, 2u);
}

TEST(IscsiLogin, ChapStepChecks) {
  const auto step1 = [](const Keys& keys) {
    StreamSockets sockets({});
    InitiatorConfig config;
    IscsiSession session(sockets, config, 0, 3260);
    OpenConnection(session);
    session.current->auth.authStep = 1;
    return ProcessLoginResponse(session, *Response(0x00, keys));
  };
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0x00"}}), 0);
  EXPECT_EQ(step1({{"CHAP_A", "6"}, {"CHAP_I", "1"}, {"CHAP_C", "0x00"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5,7"}, {"CHAP_I", "1"}, {"CHAP_C", "0x00"}}), 0);
  EXPECT_EQ(step1({{"CHAP_A", ""}, {"CHAP_I", "1"}, {"CHAP_C", "0x00"}}), -1);
  EXPECT_EQ(step1({{"CHAP_I", "1"}, {"CHAP_C", "0x00"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_C", "0x00"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0x123"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0x"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0xzz"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "1x00"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0bAAEC"}}), 0);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0BAAE="}}), 0);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0bAAE"}}), -1);
  EXPECT_EQ(step1({{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0b===="}}), -1);
}

TEST(IscsiLogin, ChallengeDecoding) {
  Bytes c;
  EXPECT_TRUE(DecodeChapChallenge("0X0a1B", &c));
  EXPECT_EQ(c, (Bytes{0x0A, 0x1B}));
  EXPECT_TRUE(DecodeChapChallenge("0bAQIDBA==", &c));
  EXPECT_EQ(c, (Bytes{1, 2, 3, 4}));
  EXPECT_TRUE(DecodeChapChallenge("0b+/8=", &c));
  EXPECT_EQ(c, (Bytes{0xFB, 0xFF}));
  EXPECT_FALSE(DecodeChapChallenge("0bAQ=D", &c));   // padding in the middle
  EXPECT_FALSE(DecodeChapChallenge("0bA===", &c));   // three pads is no quantum
  EXPECT_FALSE(DecodeChapChallenge("0bAQ==AQID", &c));  // padding before the end
  EXPECT_FALSE(DecodeChapChallenge("0bAQ-D", &c));
  EXPECT_FALSE(DecodeChapChallenge("0b", &c));
  EXPECT_FALSE(DecodeChapChallenge("0", &c));
  // The 127-character read limit allows 62 bytes in hex.
  std::string max = "0x" + std::string(124, 'f');
  EXPECT_TRUE(DecodeChapChallenge(max, &c));
  EXPECT_EQ(c.size(), 62u);
}

TEST(IscsiLogin, OperationalKeysLowerReplaceAndFlag) {
  StreamSockets sockets({});
  InitiatorConfig config;
  IscsiSession session(sockets, config, 0, 3260);
  SessionParams& p = session.params;
  ApplyOperationalKeys(session, *Response(0, {{"MaxBurstLength", "65536"},
                                              {"FirstBurstLength", "1048576"},
                                              {"ImmediateData", "No"},
                                              {"InitialR2T", "yes"},
                                              {"DataPDUInOrder", "Yes"},
                                              {"MaxXmitDataSegmentLength", "8192"},
                                              {"MaxRecvDataSegmentLength", "16384"},
                                              {"DefaultTime2Retain", "70000"},
                                              {"ErrorRecoveryLevel", "258"},
                                              {"MaxOutstandingR2T", "junk"}}));
  EXPECT_EQ(p.maxBurstLength, 65536u);
  EXPECT_EQ(p.firstBurstLength, 262144u);
  EXPECT_EQ(p.maxRecvDataSegmentLength, 8192u);  // the smaller of both
  EXPECT_FALSE(p.flags & SessionParams::kImmediateData);
  EXPECT_FALSE(p.flags & SessionParams::kInitialR2T);  // "yes" is not "Yes"
  EXPECT_TRUE(p.flags & SessionParams::kDataPduInOrder);
  EXPECT_TRUE(p.flags & SessionParams::kDataSequenceInOrder);  // absent: unchanged
  EXPECT_EQ(p.defaultTime2Retain, static_cast<uint16_t>(70000));  // truncated to 16 bits
  EXPECT_EQ(p.errorRecoveryLevel, 2);
  EXPECT_EQ(p.maxOutstandingR2T, 0);  // no number reads as 0
  // The next operational request proposes the lowered value.
  OpenConnection(session);
  session.current->loginStage = 1;
  auto request = BuildLoginRequest(session);
  std::string v;
  FindTextKey("MaxBurstLength", *request, 64, &v);
  EXPECT_EQ(v, "65536");
  FindTextKey("ImmediateData", *request, 64, &v);
  EXPECT_EQ(v, "No");
  EXPECT_EQ(ParseDecimal(" 42x"), 42u);
  EXPECT_EQ(ParseDecimal("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseDecimal("99999999999"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseDecimal("x1"), 0u);
}

TEST(IscsiLogin, ChapResponseIsMd5OfIdentifierSecretChallenge) {
  const Bytes challenge = {0xDE, 0xAD, 0xBE, 0xEF};
  std::string input;
  input += static_cast<char>(0x2C);
  input += "s3cret";
  input.append(challenge.begin(), challenge.end());
  const Md5Digest d = Md5Of(input);
  std::string hex = "0x";
  for (uint8_t b : d) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", b);
    hex += buf;
  }
  EXPECT_EQ(ChapMd5Response(0x2C, "s3cret", challenge), hex);
  EXPECT_EQ(hex.size(), 34u);
}

TEST(IscsiLogin, NtauthEnciphersWholeBlocksUnderTheFixedKey) {
  EXPECT_EQ(std::string(kNtauthKeyConstant).size(), 83u);
  EXPECT_EQ(NtauthResponse(std::string(16, 'a')).size(), 2u + 32u);
  EXPECT_EQ(NtauthResponse(std::string(17, 'a')).size(), 2u + 64u);
  EXPECT_EQ(NtauthResponse(""), "0x");
  // Deciphering with the first 32 characters of the constant gives the
  // secret back, zero-padded; blocks are independent (ECB).
  const std::string r = NtauthResponse("password-of-17-c");  // exactly 16
  const std::string r2 = NtauthResponse("password-of-17-cX");
  EXPECT_EQ(r2.substr(0, 34), r);
  Bytes block(16);
  for (int i = 0; i < 16; ++i) block[i] = static_cast<uint8_t>(std::stoi(r2.substr(34 + 2 * i, 2), nullptr, 16));
  Aes256 aes(reinterpret_cast<const uint8_t*>(kNtauthKeyConstant));
  aes.DecryptBlock(block.data(), block.data());
  EXPECT_EQ(block[0], 'X');
  for (int i = 1; i < 16; ++i) EXPECT_EQ(block[i], 0);
}

TEST(IscsiLogin, NtauthRefusedIsRetriedWithTheMd5Response) {
  InitiatorConfig config;
  config.chapUser = "user1";
  config.chapSecret = "secret-of-user-1";
  config.allowNtauth = true;
  LoginRun run(Join({LoginResponse(0x00, {{"AuthMethod", "NTAUTH"}}),
                     LoginResponse(0x00, {{"CHAP_A", "5"}, {"CHAP_I", "7"}, {"CHAP_C", "0x0102"}}),
                     LoginResponse(0x00, {}, 2),  // NTAUTH response refused
                     LoginResponse(0x81, {}),     // MD5 response accepted
                     LoginResponse(0x87, {})}),
               config);
  EXPECT_EQ(run.Run(), 0);
  auto sent = run.sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[1].Key("CHAP_A"), "5");
  EXPECT_EQ(sent[2].Key("CHAP_N"), "user1");
  EXPECT_EQ(sent[2].Key("CHAP_R"), NtauthResponse("secret-of-user-1"));
  EXPECT_EQ(sent[3].Key("CHAP_N"), "user1");
  EXPECT_EQ(sent[3].Key("CHAP_R"), ChapMd5Response(7, "secret-of-user-1", {1, 2}));
  EXPECT_EQ(sent[3].flags(), 0x81);
  EXPECT_EQ(sent[4].flags(), 0x87);
  EXPECT_EQ(run.session.current->auth.authMethod, kAuthChap);
  // ExpStatSN counts the refused response too.
  EXPECT_EQ(sent[4].U32(28), 5u);
}

TEST(IscsiLogin, RefusedMd5ResponseEndsTheLogin) {
  InitiatorConfig config;
  config.chapUser = "u";
  config.chapSecret = "s";
  config.allowNtauth = true;
  LoginRun run(Join({LoginResponse(0x00, {{"AuthMethod", "NTAUTH"}}),
                     LoginResponse(0x00, {{"CHAP_A", "5"}, {"CHAP_I", "7"}, {"CHAP_C", "0x0102"}}),
                     LoginResponse(0x00, {}, 2), LoginResponse(0x00, {}, 2)}),
               config);
  EXPECT_EQ(run.Run(), -1);
  EXPECT_EQ(run.sent().size(), 4u);
}

TEST(IscsiLogin, StepTwoWithoutCredentialsIsGivenUp) {
  LoginRun run(Join({LoginResponse(0x00, {{"AuthMethod", "NTAUTH"}}),
                     LoginResponse(0x00, {{"CHAP_A", "5"}, {"CHAP_I", "7"}, {"CHAP_C", "0x0102"}})}));
  EXPECT_EQ(run.Run(), -1);
  EXPECT_EQ(run.sent().size(), 2u);
  EXPECT_EQ(run.session.current->state, kConnFailed);
}

TEST(IscsiLogin, NoneAcceptedWithoutTransitGoesToTheChapAlgorithmStep) {
  InitiatorConfig config;
  config.chapUser = "u";
  config.chapSecret = "s";
  LoginRun run(Join({LoginResponse(0x00, {{"AuthMethod", "None"}}),
                     LoginResponse(0x00, {{"CHAP_A", "5"}, {"CHAP_I", "1"}, {"CHAP_C", "0bAQID"}}),
                     LoginResponse(0x81, {}), LoginResponse(0x87, {})}),
               config);
  EXPECT_EQ(run.Run(), 0);
  auto sent = run.sent();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[1].Key("CHAP_A"), "5");
  EXPECT_EQ(sent[2].Key("CHAP_R"), ChapMd5Response(1, "s", {1, 2, 3}));  // method 0: MD5
}

TEST(IscsiLogin, ExchangesAreBounded) {
  Bytes stalling;
  for (int i = 0; i < 40; ++i) {
    Bytes r = LoginResponse(i == 0 ? 0x81 : 0x84, {});  // stage 1 that never reaches NSG 3
    stalling.insert(stalling.end(), r.begin(), r.end());
  }
  Bytes first = LoginResponse(0x81, {{"AuthMethod", "None"}});
  stalling.insert(stalling.begin(), first.begin(), first.end());
  LoginRun run(stalling);
  EXPECT_EQ(run.Run(), -1);
  EXPECT_EQ(run.sent().size(), 16u);
}

TEST(IscsiLogin, DataInChainAsALoginAnswerIsRejected) {
  testing::PduSpec s;
  s.opcode = 0x25;
  Bytes chain = testing::Pdu(s);
  s.flags = 0x80;
  Bytes last = testing::Pdu(s);
  chain.insert(chain.end(), last.begin(), last.end());
  LoginRun run(chain);
  EXPECT_EQ(run.Run(), -1);
}

}  // namespace
}  // namespace tw

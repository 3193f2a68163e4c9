#include "iscsi/login.h"

#include <string>

#include "base/crypto/aes256.h"
#include "base/crypto/md5.h"
#include "iscsi/connection.h"

namespace tw {

const char kNtauthKeyConstant[84] =
    "Velthorn:Pellowen/NTAUTH#2008-ks|NTAUTH response key of the discovery login (v1.0).";
static_assert(sizeof kNtauthKeyConstant == 84, "83 characters and the terminator");

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string HexValue(const uint8_t* bytes, size_t n) {
  std::string s = "0x";
  s.reserve(2 + 2 * n);
  for (size_t i = 0; i < n; ++i) {
    s += kHexDigits[bytes[i] >> 4];
    s += kHexDigits[bytes[i] & 15];
  }
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool DecodeBase64(std::string_view text, Bytes* out) {
  if (text.empty() || text.size() % 4 != 0) return false;
  out->clear();
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int d[4];
    int pad = 0;
    for (int j = 0; j < 4; ++j) {
      char c = text[i + j];
      if (c == '=') {
        // Padding only in the last quantum, only in its last two places,
        // and nothing but padding after it.
        if (!last || j < 2) return false;
        ++pad;
        d[j] = 0;
        continue;
      }
      if (pad) return false;
      d[j] = Base64Digit(c);
      if (d[j] < 0) return false;
    }
    const uint32_t v = uint32_t(d[0]) << 18 | uint32_t(d[1]) << 12 | uint32_t(d[2]) << 6 | uint32_t(d[3]);
    out->push_back(static_cast<uint8_t>(v >> 16));
    if (pad < 2) out->push_back(static_cast<uint8_t>(v >> 8));
    if (pad < 1) out->push_back(static_cast<uint8_t>(v));
  }
  return !out->empty();
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

const char* YesNo(const SessionParams& p, uint8_t bit) { return (p.flags & bit) ? "Yes" : "No"; }

void FillLoginBhs(IscsiSession& session, IscsiPdu& pdu, uint8_t flags) {
  ByteSpan b = pdu.Bhs();
  IscsiConnection& c = *session.current;
  PutU8(b, bhs::kOpcode, kOpLoginRequest);
  PutU8(b, bhs::kFlags, flags);
  PutU8(b, bhs::kVersionMax, 0);
  PutU8(b, bhs::kVersionMin, 0);
  PutBytes(b, bhs::kIsid, session.isid, sizeof session.isid);
  PutU16BE(b, bhs::kTsih, 0);
  const uint8_t tag[4] = {0x55, 0x55, 0xFF, 0xFF};
  PutBytes(b, bhs::kInitiatorTaskTag, tag, 4);
  PutU16BE(b, bhs::kCid, static_cast<uint16_t>(c.cid));
  PutU32BE(b, bhs::kCmdSn, session.cmdSN);
  PutU32BE(b, bhs::kExpStatSn, c.expStatSN);
}

}  // namespace

uint32_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint64_t v = 0;
  bool overflow = false;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    v = v * 10 + static_cast<uint64_t>(text[i] - '0');
    if (v > 0xFFFFFFFFull) {
      overflow = true;
      v = 0xFFFFFFFFull;
    }
  }
  if (digits == 0) return 0;
  if (overflow) return 0xFFFFFFFFu;
  uint32_t r = static_cast<uint32_t>(v);
  return negative ? static_cast<uint32_t>(0u - r) : r;
}

std::string ChapMd5Response(uint8_t identifier, std::string_view secret, const Bytes& challenge) {
  Md5 h;
  h.Update(&identifier, 1);
  h.Update(secret);
  h.Update(challenge.data(), challenge.size());
  const Md5Digest d = h.Final();
  return HexValue(d.data(), d.size());
}

std::string NtauthResponse(std::string_view secret) {
  Bytes blocks((secret.size() + 15) / 16 * 16, 0);
  std::copy(secret.begin(), secret.end(), blocks.begin());
  const Aes256 aes(reinterpret_cast<const uint8_t*>(kNtauthKeyConstant));
  for (size_t i = 0; i < blocks.size(); i += 16) aes.EncryptBlock(&blocks[i], &blocks[i]);
  return HexValue(blocks.data(), blocks.size());
}

bool DecodeChapChallenge(std::string_view value, Bytes* challenge) {
  if (value.size() < 3 || value[0] != '0') return false;
  const char kind = value[1];
  const std::string_view rest = value.substr(2);
  if (kind == 'x' || kind == 'X') {
    if (value.size() % 2 != 0) return false;
    challenge->clear();
    for (size_t i = 0; i < rest.size(); i += 2) {
      int hi = HexDigit(rest[i]), lo = HexDigit(rest[i + 1]);
      if (hi < 0 || lo < 0) return false;
      challenge->push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return true;
  }
  if (kind == 'b' || kind == 'B') return DecodeBase64(rest, challenge);
  return false;
}

std::unique_ptr<IscsiPdu> BuildLoginRequest(IscsiSession& session) {
  if (!session.current) return nullptr;
  IscsiConnection& c = *session.current;
  const SessionParams& p = session.params;
  auto pdu = NewPdu(0, kLoginDataCapacity);
  if (c.loginStage == 0) {
    FillLoginBhs(session, *pdu, kLoginFlagsSecurity);
    switch (c.auth.authStep) {
      case 0:
        AddTextKey(*pdu, "InitiatorName", p.initiatorName);
        AddTextKey(*pdu, "SessionType", p.sessionType);
        AddTextKey(*pdu, "AuthMethod", p.authMethod);
        break;
      case 1:
        AddTextKey(*pdu, "CHAP_A", "5");
        break;
      default: {
        const InitiatorConfig& config = session.config;
        if (config.chapUser.empty()) return nullptr;
        AddTextKey(*pdu, "CHAP_N", config.chapUser);
        const std::string response =
            c.auth.authMethod == kAuthNtauth
                ? NtauthResponse(config.chapSecret)
                : ChapMd5Response(static_cast<uint8_t>(c.auth.chapIdentifier), config.chapSecret,
                                  c.auth.chapChallenge);
        AddTextKey(*pdu, "CHAP_R", response);
        break;
      }
    }
  } else {
    FillLoginBhs(session, *pdu, kLoginFlagsOperational);
    const auto number = [](uint32_t v) { return std::to_string(v); };
    AddTextKey(*pdu, "HeaderDigest", p.headerDigest);
    AddTextKey(*pdu, "DataDigest", p.dataDigest);
    AddTextKey(*pdu, "InitialR2T", YesNo(p, SessionParams::kInitialR2T));
    AddTextKey(*pdu, "ImmediateData", YesNo(p, SessionParams::kImmediateData));
    AddTextKey(*pdu, "FirstBurstLength", number(p.firstBurstLength));
    AddTextKey(*pdu, "MaxBurstLength", number(p.maxBurstLength));
    AddTextKey(*pdu, "MaxRecvDataSegmentLength", number(p.maxRecvDataSegmentLength));
    AddTextKey(*pdu, "DefaultTime2Wait", number(p.defaultTime2Wait));
    AddTextKey(*pdu, "DefaultTime2Retain", number(p.defaultTime2Retain));
    AddTextKey(*pdu, "MaxOutstandingR2T", number(p.maxOutstandingR2T));
    AddTextKey(*pdu, "DataPDUInOrder", YesNo(p, SessionParams::kDataPduInOrder));
    AddTextKey(*pdu, "DataSequenceInOrder", YesNo(p, SessionParams::kDataSequenceInOrder));
  }
  return pdu;
}

void ApplyOperationalKeys(IscsiSession& session, const IscsiPdu& pdu) {
  SessionParams& p = session.params;
  std::string v;
  const auto read = [&](const char* key) { return FindTextKey(key, pdu, 64, &v) == 1; };
  const auto lower = [&](const char* key, uint32_t* param) {
    if (read(key)) {
      uint32_t n = ParseDecimal(v);
      if (n <= *param) *param = n;
    }
  };
  lower("MaxRecvDataSegmentLength", &p.maxRecvDataSegmentLength);
  lower("MaxXmitDataSegmentLength", &p.maxRecvDataSegmentLength);
  lower("MaxBurstLength", &p.maxBurstLength);
  lower("FirstBurstLength", &p.firstBurstLength);
  if (read("DefaultTime2Wait")) p.defaultTime2Wait = ParseDecimal(v);
  if (read("DefaultTime2Retain")) p.defaultTime2Retain = static_cast<uint16_t>(ParseDecimal(v));
  if (read("MaxOutstandingR2T")) p.maxOutstandingR2T = static_cast<uint16_t>(ParseDecimal(v));
  if (read("ErrorRecoveryLevel")) p.errorRecoveryLevel = static_cast<uint8_t>(ParseDecimal(v));
  if (read("TargetPortalGroupTag")) p.targetPortalGroupTag = static_cast<uint16_t>(ParseDecimal(v));
  const auto flag = [&](const char* key, uint8_t bit) {
    if (!read(key)) return;
    if (v == "Yes") {
      p.flags |= bit;
    } else {
      p.flags &= static_cast<uint8_t>(~bit);
    }
  };
  flag("InitialR2T", SessionParams::kInitialR2T);
  flag("ImmediateData", SessionParams::kImmediateData);
  flag("DataPDUInOrder", SessionParams::kDataPduInOrder);
  flag("DataSequenceInOrder", SessionParams::kDataSequenceInOrder);
}

int ProcessLoginResponse(IscsiSession& session, const IscsiPdu& pdu) {
  if (!session.current) return kIscsiRejected;
  IscsiConnection& c = *session.current;
  AuthState& auth = c.auth;
  const ConstByteSpan b = pdu.Bhs();
  if (GetU8(b, bhs::kStatusClass) != 0) {
    // A refused NTAUTH response is tried once more with the MD5 response.
    if (auth.authStep == 2 && auth.authMethod == kAuthNtauth) {
      auth.authMethod = kAuthChap;
    } else {
      return kIscsiRejected;
    }
  }
  ++c.expStatSN;
  if (pdu.Opcode() != kOpLoginResponse) return kIscsiRejected;
  const uint8_t flags = pdu.Flags();
  if (c.loginStage == 0) {
    if ((flags & kCsgMask) != 0) return kIscsiRejected;
    std::string v;
    switch (auth.authStep) {
      case 0:
        session.params.targetPortalGroupTag = 0;
        if (!FindTextKey("AuthMethod", pdu, 256, &v)) return kIscsiRejected;
        if (v != session.params.authMethod && v != "NTAUTH") return kIscsiRejected;
        if (v == "NTAUTH" && !session.config.chapSecret.empty() && !session.config.allowNtauth) {
          if (session.config.ntauthRefused) *session.config.ntauthRefused = true;
          return kIscsiRejected;
        }
        auth.authMethod = EqualsNoCaseAscii(v, "CHAP")     ? kAuthChap
                          : EqualsNoCaseAscii(v, "NTAUTH") ? kAuthNtauth
                                                           : kAuthNone;
        auth.authStep = 1;
        break;
      case 1: {
        if (!FindTextKey("CHAP_A", pdu, 128, &v)) return kIscsiRejected;
        const std::string algorithm = v.substr(0, v.find(','));
        if (algorithm != "5" && algorithm != "7") return kIscsiRejected;
        auth.chapAlgorithm = algorithm == "5" ? 5 : 7;
        if (!FindTextKey("CHAP_I", pdu, 128, &v)) return kIscsiRejected;
        auth.chapIdentifier = ParseDecimal(v);
        if (!FindTextKey("CHAP_C", pdu, 128, &v)) return kIscsiRejected;
        Bytes challenge;
        if (!DecodeChapChallenge(v, &challenge)) return kIscsiRejected;
        auth.chapChallenge = std::move(challenge);
        auth.authStep = 2;
        break;
      }
      default:
        break;
    }
    if ((flags & kNsgMask) == 1) c.loginStage = 1;
  } else if (c.loginStage == 1) {
    if ((flags & kNsgMask) == 3) {
      c.loginStage = 2;
      c.state = kConnFullFeature;
      session.loggedIn = true;
    }
  }
  ApplyOperationalKeys(session, pdu);
  return 0;
}

int Login(IscsiSession& session) {
  IscsiConnection* c = session.current;
  if (!c) return kIscsiRejected;
  uint32_t exchanges = 0;
  while (c->state != kConnFullFeature && c->state != kConnFailed) {
    if (exchanges++ >= session.config.maxLoginExchanges) {
      c->state = kConnFailed;
      return kIscsiRejected;
    }
    std::unique_ptr<IscsiPdu> request = BuildLoginRequest(session);
    if (!request) {
      c->state = kConnFailed;
      return kIscsiRejected;
    }
    int rc = SendPdu(session.sockets, c->socket, *request);
    if (rc != 0) {
      c->state = kConnFailed;
      return rc;
    }
    request.reset();
    int error = 0;
    std::unique_ptr<IscsiPdu> response = ReceivePdu(session, c->socket, &error);
    if (!response) {
      c->state = kConnFailed;
      return error;
    }
    if (ProcessLoginResponse(session, *response) != 0) {
      c->state = kConnFailed;
      return kIscsiRejected;
    }
  }
  return c->state == kConnFullFeature ? 0 : kIscsiRejected;
}

}  // namespace tw

// Login negotiation and authentication of the discovery session:
// the two stages, CHAP with the MD5 response, and the maker's NTAUTH method
// (the secret enciphered with AES-256-ECB under a fixed key).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "iscsi/pdu.h"
#include "iscsi/session.h"

namespace tw {

// Data capacity of every Login Request.
constexpr uint32_t kLoginDataCapacity = 2048;

// The 83-character ASCII constant whose first 32 characters are the NTAUTH
// key. Our choice; a maker's target
// would have to use the same.
extern const char kNtauthKeyConstant[84];

// The Login Request for the current connection's stage and step. Null when
// there is no current connection, or in step 2 when the config has no CHAP
// user name (the login is then given up).
std::unique_ptr<IscsiPdu> BuildLoginRequest(IscsiSession& session);

// 0 when the response is accepted (stage, step, method and SessionParams
// updated), -1 when the login must be given up.
int ProcessLoginResponse(IscsiSession& session, const IscsiPdu& pdu);

// Takes the negotiable values of a Login Response into SessionParams.
void ApplyOperationalKeys(IscsiSession& session, const IscsiPdu& pdu);

// The whole exchange on the current connection: 0 in the full feature
// phase, -1 when rejected (or given up, or past config.maxLoginExchanges
// requests), otherwise a socket error. Any failure sets state 0.
int Login(IscsiSession& session);

// The CHAP_R values. CHAP: "0x" + MD5(identifier byte, secret, challenge)
// in lowercase hex. NTAUTH: "0x" + the secret, zero-padded to whole 16-byte
// blocks, each enciphered with AES-256 under the fixed key, in lowercase hex.
std::string ChapMd5Response(uint8_t identifier, std::string_view secret, const Bytes& challenge);
std::string NtauthResponse(std::string_view secret);

// Decodes a CHAP_C value ("0x" hex or "0b" base64). False when malformed:
// shorter than 3 characters, another prefix, an odd total length or a
// non-digit in hex; base64 that is not RFC 4648 (length a multiple of 4,
// padding only at the end) or that decodes to nothing.
bool DecodeChapChallenge(std::string_view value, Bytes* challenge);

// Decimal text as the login reads numbers: leading blanks, an optional sign,
// digits; text that is no number reads as 0 (strtoul with 32-bit unsigned
// long, as on Windows: overflow gives 0xFFFFFFFF, "-n" wraps).
uint32_t ParseDecimal(std::string_view text);

}  // namespace tw

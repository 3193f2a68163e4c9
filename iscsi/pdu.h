// iSCSI PDUs of the discovery initiator: the in-memory PDU, the
// 48-byte Basic Header Segment as it travels (big-endian fields at fixed
// offsets, read and written only through the bounded helpers of
// base/bytes.h), the key=value text data segment and the wire form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace tw {

constexpr size_t kBhsSize = 48;

// BHS byte offsets (RFC 3720 10.2; the rows of the tables).
namespace bhs {
constexpr size_t kOpcode = 0;
constexpr size_t kFlags = 1;
constexpr size_t kResponse = 2;  // Logout Response: 0 = closed
constexpr size_t kVersionMax = 2;
constexpr size_t kVersionMin = 3;
constexpr size_t kTotalAhsLength = 4;  // in 4-byte words
constexpr size_t kDataSegmentLength = 5;  // 3 bytes
constexpr size_t kIsid = 8;               // 6 bytes (Login)
constexpr size_t kLun = 8;                // 8 bytes (Text)
constexpr size_t kTsih = 14;
constexpr size_t kInitiatorTaskTag = 16;
constexpr size_t kCid = 20;                // Login, Logout
constexpr size_t kTargetTransferTag = 20;  // Text
constexpr size_t kCmdSn = 24;
constexpr size_t kExpStatSn = 28;
constexpr size_t kStatusClass = 36;   // Login Response
constexpr size_t kStatusDetail = 37;  // Login Response
}  // namespace bhs

// Opcode bytes as sent (with the Immediate bit) and as compared on receipt.
constexpr uint8_t kOpLoginRequest = 0x43;
constexpr uint8_t kOpTextRequest = 0x44;
constexpr uint8_t kOpLogoutRequest = 0x46;
constexpr uint8_t kOpLoginResponse = 0x23;
constexpr uint8_t kOpTextResponse = 0x24;
constexpr uint8_t kOpDataIn = 0x25;
constexpr uint8_t kOpLogoutResponse = 0x26;

constexpr uint8_t kFinalBit = 0x80;
constexpr uint8_t kLoginFlagsSecurity = 0x81;     // T, CSG 0, NSG 1
constexpr uint8_t kLoginFlagsOperational = 0x87;  // T, CSG 1, NSG 3
constexpr uint8_t kCsgMask = 0x0C;
constexpr uint8_t kNsgMask = 0x03;
constexpr uint32_t kTransferTagNone = 0xFFFFFFFFu;

// The iSCSI layer's own results (the Conventions): -1 rejected or malformed,
// -6 a PDU that cannot be built; otherwise a Winsock error.
constexpr int kIscsiRejected = -1;
constexpr int kIscsiCannotBuild = -6;

// One request or one received response. `data` holds dataCapacity bytes, of
// which DataSegmentLength (BHS bytes 5..7, not kept twice) are used. The
// vectors own their bytes, so an owns-data flag has no counterpart.
// Destroying a PDU frees the Data-In chain behind it (FreePduChain), without
// recursion however long the chain.
struct IscsiPdu {
  std::unique_ptr<IscsiPdu> next;
  uint8_t bhs[kBhsSize] = {};
  uint32_t ahsLength = 0;
  Bytes ahs;
  uint32_t dataCapacity = 0;
  Bytes data;

  IscsiPdu() = default;
  IscsiPdu(const IscsiPdu&) = delete;
  IscsiPdu& operator=(const IscsiPdu&) = delete;
  ~IscsiPdu();

  ByteSpan Bhs() { return {bhs, kBhsSize}; }
  ConstByteSpan Bhs() const { return {bhs, kBhsSize}; }
  uint8_t Opcode() const { return bhs[bhs::kOpcode]; }
  uint8_t Flags() const { return bhs[bhs::kFlags]; }
  uint32_t DataSegmentLength() const { return GetU24BE(Bhs(), bhs::kDataSegmentLength); }
  // The used part of the data segment, never more than the buffer holds.
  ConstByteSpan UsedData() const;
};

// A zeroed PDU with ahsLength AHS bytes and a zeroed data buffer of
// dataCapacity bytes.
std::unique_ptr<IscsiPdu> NewPdu(uint32_t ahsLength, uint32_t dataCapacity);
inline void FreePduChain(std::unique_ptr<IscsiPdu> pdu) { pdu.reset(); }

// Appends "key=value\0" behind the used data and updates DataSegmentLength.
// 0, or -1 when the entry does not fit into dataCapacity (nothing changes).
int AddTextKey(IscsiPdu& pdu, std::string_view key, std::string_view value);

// The value of the first entry whose key is `key`, cut to bufferSize - 1
// characters (a 128-character buffer with its terminator). 1 when found, 0 when
// absent or when the PDU has no data. No byte past DataSegmentLength (nor
// past the buffer) is read. An entry's key ends at '=' (an entry without
// '=' holds no value and matches nothing).
int FindTextKey(std::string_view key, const IscsiPdu& pdu, size_t bufferSize, std::string* value);
// The same walk over a bare data segment.
int FindTextKeyIn(std::string_view key, ConstByteSpan data, size_t bufferSize, std::string* value);

// The wire form: BHS, AHS (ahsLength rounded up to 4 and kept), data,
// zero padding to a multiple of 4. With out null or *size too small,
// stores the needed size in *size and returns -1; otherwise writes it and
// stores and returns its length. -1 with *size 0 when the PDU cannot be
// serialised (DataSegmentLength larger than its buffer).
int SerializePdu(IscsiPdu& pdu, uint8_t* out, uint32_t* size);

// Entries of a text data segment in order, each the bytes up to its NUL;
// the walk ends at an empty entry or at the end of the data (a last entry
// without NUL counts). SendTargets walks its answer this way.
std::vector<std::string_view> TextEntries(ConstByteSpan data);

}  // namespace tw

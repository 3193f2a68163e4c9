// libFuzzer target: a hostile target's bytes through a whole discovery
// session (receive, login processing, SendTargets parsing, logout) and the
// passes of DiscoverHost. Build with -DTW_FUZZ=ON and clang.
//
// Input: byte 0 chooses the mode and the recv piece size; the last byte
// decides, bit by bit, whether each wait for an unasked part of a text
// answer sees one arriving (else the initiator asks). Raw mode feeds
// the rest as the stream of every connection. Structured mode reads PDUs:
// [kind][flags][status][ttt-last][length][length bytes of data], so the
// fuzzer reaches the login and text paths without learning the framing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "iscsi/discovery.h"
#include "iscsi/testing/scripted_target.h"
#include "iscsi/testing/stream_sockets.h"

namespace {

using tw::Bytes;

// Keys and values of the protocol, so that structured inputs say things a
// target would say without the fuzzer having to spell them.
const char* const kKeys[] = {"AuthMethod", "CHAP_A", "CHAP_I", "CHAP_C", "TargetName",
                             "TargetAddress", "MaxBurstLength", "FirstBurstLength",
                             "MaxRecvDataSegmentLength", "ImmediateData", "TargetPortalGroupTag",
                             "DefaultTime2Retain"};
const char* const kValues[] = {"None", "NTAUTH", "CHAP", "5", "7,5", "6", "0x0a1B", "0x123",
                               "0bAQIDBA==", "0b====", "Yes", "No", "iqn.2026-01.fuzz:t", "65536",
                               "4294967296", ""};

// [count] then per entry [key][value]: a key byte past the table inserts
// raw bytes instead; a value byte with the top bit set takes that many raw
// bytes, otherwise names a value of the table.
Bytes TextOf(const uint8_t* p, size_t n) {
  Bytes out;
  size_t i = 0;
  const auto append = [&](const char* s) {
    for (; *s; ++s) out.push_back(static_cast<uint8_t>(*s));
  };
  while (i + 2 <= n) {
    const uint8_t k = p[i], v = p[i + 1];
    i += 2;
    if (k >= sizeof kKeys / sizeof kKeys[0]) {
      size_t raw = k & 0x0F;
      if (raw > n - i) raw = n - i;
      out.insert(out.end(), p + i, p + i + raw);
      i += raw;
      continue;
    }
    append(kKeys[k]);
    out.push_back('=');
    if (v & 0x80) {
      size_t raw = v & 0x7F;
      if (raw > n - i) raw = n - i;
      out.insert(out.end(), p + i, p + i + raw);
      i += raw;
    } else {
      append(kValues[v % (sizeof kValues / sizeof kValues[0])]);
    }
    out.push_back(0);
  }
  return out;
}

Bytes Structured(const uint8_t* p, size_t n) {
  static const uint8_t kOpcodes[8] = {0x23, 0x23, 0x24, 0x24, 0x25, 0x26, 0x3F, 0x20};
  Bytes stream;
  size_t i = 0;
  while (i + 5 <= n) {
    tw::testing::PduSpec s;
    s.opcode = kOpcodes[p[i] & 7];
    s.ahsWords = (p[i] & 0x80) ? (p[i] >> 4 & 3) : 0;
    s.flags = p[i + 1];
    s.statusClass = (p[i + 2] & 0xF0) ? 0 : p[i + 2];
    s.byte2 = p[i + 2] & 1;
    s.ttt = (p[i + 3] & 1) ? 0xFFFFFFFFu : p[i + 3];
    size_t length = p[i + 4];
    i += 5;
    if (length > n - i) length = n - i;
    s.data = (p[i - 5] & 0x08) ? Bytes(p + i, p + i + length) : TextOf(p + i, length);
    i += length;
    const Bytes pdu = tw::testing::Pdu(s);
    stream.insert(stream.end(), pdu.begin(), pdu.end());
  }
  return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t mode = data[0];
  const uint8_t readable = data[size - 1];
  --size;
  const Bytes stream = (mode & 1) ? Structured(data + 1, size - 1) : Bytes(data + 1, data + size);
  const size_t piece = 1 + (mode >> 1 & 0x3F);
  tw::testing::StreamSockets sockets({stream, stream, stream}, piece);
  sockets.set_readable_pattern(readable);
  if (mode & 0x80) sockets.set_end_error(tw::kWsaETimedOut);
  tw::InitiatorConfig config;
  if (mode & 0x40) {
    config.chapUser = "fuzz-user";
    config.chapSecret = "fuzz-secret";
    config.allowNtauth = (mode & 0x20) != 0;
  }
  tw::IscsiLists lists;
  tw::IscsiDiscovery discovery(sockets, lists, config);
  discovery.DiscoverHost(u"127.0.0.1", 3260, "");
  // Invariants of the lists whatever the peer sent.
  for (const tw::IscsiTarget& t : lists.targets()) {
    if (t.name.empty() || t.name.size() > 255 || t.portals.empty()) __builtin_trap();
  }
  return 0;
}

// libFuzzer target: the parsers of foreign text and PDUs on their own:
// FindTextKey, the text entry walk, CHAP challenge decoding, decimal
// numbers, and ProcessLoginResponse in every stage and step on a PDU made
// of the input (BHS from the first 48 bytes, the rest as data).
#include <cstddef>
#include <cstdint>
#include <string>

#include "iscsi/connection.h"
#include "iscsi/login.h"
#include "iscsi/pdu.h"
#include "iscsi/testing/stream_sockets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const tw::ConstByteSpan all(data, size);
  std::string v;
  for (const char* key : {"AuthMethod", "CHAP_A", "CHAP_C", "TargetName", "K", ""})
    for (size_t buffer : {size_t{0}, size_t{1}, size_t{64}, size_t{256}})
      tw::FindTextKeyIn(key, all, buffer, &v);
  for (std::string_view entry : tw::TextEntries(all)) {
    if (entry.empty() || entry.data() < reinterpret_cast<const char*>(data) ||
        entry.data() + entry.size() > reinterpret_cast<const char*>(data) + size)
      __builtin_trap();
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  tw::Bytes challenge;
  tw::DecodeChapChallenge(text, &challenge);
  tw::ParseDecimal(text);

  if (size < tw::kBhsSize) return 0;
  tw::IscsiPdu pdu;
  std::copy(data, data + tw::kBhsSize, pdu.bhs);
  pdu.data.assign(data + tw::kBhsSize, data + size);
  pdu.dataCapacity = static_cast<uint32_t>(pdu.data.size());
  tw::testing::StreamSockets sockets({});
  tw::InitiatorConfig config;
  config.chapUser = "u";
  for (uint32_t stage = 0; stage < 2; ++stage) {
    for (uint32_t step = 0; step < 3; ++step) {
      tw::IscsiSession session(sockets, config, 0, 3260);
      tw::OpenConnection(session);
      session.current->loginStage = stage;
      session.current->auth.authStep = step;
      session.current->auth.authMethod = step == 2 ? tw::kAuthNtauth : tw::kAuthNone;
      tw::ProcessLoginResponse(session, pdu);
      auto request = tw::BuildLoginRequest(session);
      if (request) {
        uint32_t needed = 0;
        tw::SerializePdu(*request, nullptr, &needed);
      }
    }
  }
  return 0;
}

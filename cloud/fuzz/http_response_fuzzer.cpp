// The native client's answer parsing on hostile bytes: the head, the body
// framing and the chunked decoder, fed in pieces chosen by the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/posix/internet/http_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tw::http;
  if (size == 0) return 0;
  // The first byte picks the piece size for the chunked decoder.
  size_t step = data[0] % 17 + 1;
  ++data;
  --size;
  // An exact-size copy, so any read past the end is an overflow.
  std::vector<char> head_bytes(data, data + size);
  ResponseHead head;
  long used = ParseResponseHead(head_bytes.data(), head_bytes.size(), &head);
  if (used > static_cast<long>(size)) __builtin_trap();
  BodyFraming framing;
  if (used > 0) DetermineFraming(head, &framing);
  size_t body_at = used > 0 ? static_cast<size_t>(used) : 0;

  ChunkedDecoder decoder;
  std::vector<uint8_t> out(step * 2 + 1);
  size_t pos = body_at;
  while (pos < size) {
    size_t n = size - pos < step ? size - pos : step;
    std::vector<uint8_t> piece(data + pos, data + pos + n);
    size_t consumed = 0, produced = 0;
    auto r = decoder.Decode(piece.data(), piece.size(), &consumed, out.data(), out.size(), &produced);
    if (consumed > n || produced > out.size()) __builtin_trap();
    if (r != ChunkedDecoder::Result::kOk) break;
    if (consumed == 0 && produced == 0) break;
    pos += consumed;
  }
  return 0;
}

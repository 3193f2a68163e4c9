// HTTP/1.1 wire format of the answer: the response head and the chunked
// transfer coding. Pure functions over (buffer, length) with caller-owned
// output; they never look outside [data, data + length).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw {
namespace http {

constexpr long kIncomplete = -2;
constexpr long kMalformed = -1;
// A head longer than this is refused rather than buffered without end.
constexpr size_t kMaxHeadBytes = 64 * 1024;
constexpr size_t kMaxHeaderFields = 256;

struct HeaderField {
  std::string name;
  std::string value;
};

struct ResponseHead {
  int major = 0;
  int minor = 0;
  int status = 0;
  std::string reason;
  std::vector<HeaderField> fields;
  // Status line and fields, CR LF separated, ending with an empty line.
  std::string raw;
};

// Parses a status line and header fields up to the empty line. Returns the
// number of bytes the head took, kIncomplete when more bytes are needed, or
// kMalformed. Bare LF line ends are accepted; folded lines are joined.
long ParseResponseHead(const char* data, size_t length, ResponseHead* head);

bool EqualsNoCaseAscii(std::string_view a, std::string_view b);
// The value of the occurrence'th field of that name; false when absent.
bool FindField(const ResponseHead& head, std::string_view name, size_t occurrence,
               std::string* value);

enum class BodyKind { kNone, kLength, kChunked, kUntilClose };
struct BodyFraming {
  BodyKind kind = BodyKind::kNone;
  uint64_t length = 0;
};
// How the body of an answer to a non-HEAD request is delimited. False for
// conflicting or invalid Content-Length fields and unknown codings.
bool DetermineFraming(const ResponseHead& head, BodyFraming* framing);

// Incremental decoder of the chunked coding; trailer fields are skipped.
class ChunkedDecoder {
 public:
  enum class Result { kOk, kDone, kError };
  // Takes bytes from in (sets *consumed) and writes decoded bytes to out
  // (sets *produced, at most out_capacity). kOk: give it more input or
  // output room. Once kDone or kError it stays so.
  Result Decode(const uint8_t* in, size_t in_length, size_t* consumed, uint8_t* out,
                size_t out_capacity, size_t* produced);
  bool done() const { return state_ == State::kDone; }

 private:
  enum class State { kSize, kExtension, kSizeLf, kData, kDataCr, kDataLf, kTrailer, kDone, kError };
  State state_ = State::kSize;
  uint64_t remaining_ = 0;
  int digits_ = 0;
  size_t line_bytes_ = 0;     // within a size line or a trailer line
  bool trailer_empty_ = true;  // the trailer line so far is empty
};

}  // namespace http
}  // namespace tw

#include "platform/posix/internet/http_wire.h"

namespace tw {
namespace http {
namespace {

bool IsTokenChar(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
  switch (c) {
    case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+':
    case '-': case '.': case '^': case '_': case '`': case '|': case '~':
      return true;
    default:
      return false;
  }
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Finds the next line in [pos, length): sets *line (without its end) and
// returns the position after the line end, or 0 when no line end is there.
size_t NextLine(const char* data, size_t length, size_t pos, std::string_view* line) {
  for (size_t i = pos; i < length; ++i) {
    if (data[i] == '\n') {
      size_t end = i;
      if (end > pos && data[end - 1] == '\r') --end;
      *line = std::string_view(data + pos, end - pos);
      return i + 1;
    }
  }
  return 0;
}

bool ParseStatusLine(std::string_view line, ResponseHead* head) {
  // HTTP/d.d SP ddd [SP reason]
  if (line.size() < 12 || line.substr(0, 5) != "HTTP/") return false;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digit(line[5]) || line[6] != '.' || !digit(line[7]) || line[8] != ' ') return false;
  if (!digit(line[9]) || !digit(line[10]) || !digit(line[11])) return false;
  if (line.size() > 12 && line[12] != ' ') return false;
  head->major = line[5] - '0';
  head->minor = line[7] - '0';
  head->status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  head->reason = line.size() > 13 ? std::string(line.substr(13)) : std::string();
  for (char c : head->reason)
    if (c == '\r' || c == '\0') return false;
  return true;
}

}  // namespace

long ParseResponseHead(const char* data, size_t length, ResponseHead* head) {
  *head = ResponseHead();
  size_t limit = length < kMaxHeadBytes ? length : kMaxHeadBytes;
  std::string_view line;
  size_t pos = NextLine(data, limit, 0, &line);
  if (pos == 0) return length >= kMaxHeadBytes ? kMalformed : kIncomplete;
  if (!ParseStatusLine(line, head)) return kMalformed;
  head->raw.assign(line).append("\r\n");
  for (;;) {
    size_t next = NextLine(data, limit, pos, &line);
    if (next == 0) return length >= kMaxHeadBytes ? kMalformed : kIncomplete;
    pos = next;
    if (line.empty()) break;
    if (line.front() == ' ' || line.front() == '\t') {
      // A folded line continues the previous field's value.
      if (head->fields.empty()) return kMalformed;
      std::string_view more = Trim(line);
      if (!more.empty()) head->fields.back().value.append(" ").append(more);
    } else {
      size_t colon = line.find(':');
      if (colon == std::string_view::npos || colon == 0) return kMalformed;
      for (size_t i = 0; i < colon; ++i)
        if (!IsTokenChar(static_cast<unsigned char>(line[i]))) return kMalformed;
      if (head->fields.size() >= kMaxHeaderFields) return kMalformed;
      head->fields.push_back({std::string(line.substr(0, colon)),
                              std::string(Trim(line.substr(colon + 1)))});
    }
    for (char c : line)
      if (c == '\r' || c == '\0') return kMalformed;
    head->raw.append(line).append("\r\n");
  }
  head->raw.append("\r\n");
  return static_cast<long>(pos);
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool FindField(const ResponseHead& head, std::string_view name, size_t occurrence,
               std::string* value) {
  for (const HeaderField& f : head.fields) {
    if (!EqualsNoCaseAscii(f.name, name)) continue;
    if (occurrence-- == 0) {
      *value = f.value;
      return true;
    }
  }
  return false;
}

bool DetermineFraming(const ResponseHead& head, BodyFraming* framing) {
  *framing = BodyFraming();
  if ((head.status >= 100 && head.status < 200) || head.status == 204 || head.status == 304) {
    framing->kind = BodyKind::kNone;
    return true;
  }
  std::string coding;
  std::string last_coding;
  for (size_t i = 0; FindField(head, "Transfer-Encoding", i, &coding); ++i) {
    std::string_view rest = coding;
    while (!rest.empty()) {
      size_t comma = rest.find(',');
      std::string_view item = Trim(rest.substr(0, comma));
      if (!item.empty()) last_coding = std::string(item);
      rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
  }
  if (!last_coding.empty()) {
    // Content-Length is ignored when a transfer coding is present.
    if (!EqualsNoCaseAscii(last_coding, "chunked")) {
      if (EqualsNoCaseAscii(last_coding, "identity")) {
        framing->kind = BodyKind::kUntilClose;
        return true;
      }
      return false;
    }
    framing->kind = BodyKind::kChunked;
    return true;
  }
  std::string text;
  bool have = false;
  uint64_t length = 0;
  for (size_t i = 0; FindField(head, "Content-Length", i, &text); ++i) {
    if (text.empty() || text.size() > 18) return false;
    uint64_t v = 0;
    for (char c : text) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (have && v != length) return false;
    have = true;
    length = v;
  }
  if (have) {
    framing->kind = BodyKind::kLength;
    framing->length = length;
  } else {
    framing->kind = BodyKind::kUntilClose;
  }
  return true;
}

ChunkedDecoder::Result ChunkedDecoder::Decode(const uint8_t* in, size_t in_length,
                                              size_t* consumed, uint8_t* out,
                                              size_t out_capacity, size_t* produced) {
  constexpr size_t kMaxLine = 4096;
  size_t i = 0, o = 0;
  auto fail = [&] {
    state_ = State::kError;
    *consumed = i;
    *produced = o;
    return Result::kError;
  };
  while (i < in_length && state_ != State::kDone && state_ != State::kError) {
    uint8_t c = in[i];
    switch (state_) {
      case State::kSize: {
        int v = -1;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        if (v >= 0) {
          if (digits_ == 15) return fail();  // beyond any sane chunk
          remaining_ = remaining_ * 16 + static_cast<uint64_t>(v);
          ++digits_;
          ++i;
          break;
        }
        if (digits_ == 0) return fail();
        if (c == ';' || c == ' ' || c == '\t') {
          state_ = State::kExtension;
          line_bytes_ = 0;
        } else if (c == '\r') {
          state_ = State::kSizeLf;
          ++i;
        } else if (c == '\n') {
          state_ = State::kSizeLf;
        } else {
          return fail();
        }
        break;
      }
      case State::kExtension:
        if (c == '\r' || c == '\n') {
          state_ = State::kSizeLf;
          if (c == '\r') ++i;
          break;
        }
        if (++line_bytes_ > kMaxLine) return fail();
        ++i;
        break;
      case State::kSizeLf:
        if (c != '\n') return fail();
        ++i;
        digits_ = 0;
        if (remaining_ == 0) {
          state_ = State::kTrailer;
          line_bytes_ = 0;
          trailer_empty_ = true;
        } else {
          state_ = State::kData;
        }
        break;
      case State::kData: {
        if (o == out_capacity) {
          *consumed = i;
          *produced = o;
          return Result::kOk;
        }
        size_t n = in_length - i;
        if (n > out_capacity - o) n = out_capacity - o;
        if (n > remaining_) n = static_cast<size_t>(remaining_);
        for (size_t k = 0; k < n; ++k) out[o + k] = in[i + k];
        i += n;
        o += n;
        remaining_ -= n;
        if (remaining_ == 0) state_ = State::kDataCr;
        break;
      }
      case State::kDataCr:
        if (c == '\r') {
          ++i;
          state_ = State::kDataLf;
        } else if (c == '\n') {
          state_ = State::kDataLf;
        } else {
          return fail();
        }
        break;
      case State::kDataLf:
        if (c != '\n') return fail();
        ++i;
        state_ = State::kSize;
        break;
      case State::kTrailer:
        ++i;
        if (c == '\n') {
          if (trailer_empty_) {
            state_ = State::kDone;
          } else {
            trailer_empty_ = true;
            line_bytes_ = 0;
          }
        } else if (c != '\r') {
          trailer_empty_ = false;
          if (++line_bytes_ > kMaxLine) return fail();
        }
        break;
      case State::kDone:
      case State::kError:
        break;
    }
  }
  *consumed = i;
  *produced = o;
  if (state_ == State::kError) return Result::kError;
  return state_ == State::kDone ? Result::kDone : Result::kOk;
}

}  // namespace http
}  // namespace tw
